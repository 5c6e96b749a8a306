#pragma once
// TDDgamma: the display's gamma ramp, through the gamma control of the
// display device's primary surface. RGB sets one grey ramp (a brightness
// level, 256 neutral); SetLinearRGB sets one linear ramp per channel, which
// the scene uses to tint the picture by time of day. Disabling releases the
// control and leaves the last ramp on the display. A display without gamma
// support never enables, silently; other failures are reported by
// ErrorResult and OnError.
//
// The scene calls the component from its main thread (brightness keys) and
// from the frame timer's thread (the tint), so every operation runs under
// one lock: a ramp is never set through a control that the other thread is
// releasing.
#include <atomic>
#include <mutex>
#include <string>

#include "kit/Component.h"
#include "kit/ddraw/ddraw.h"

namespace sandloop {

class TDDmain;

class TDDgamma : public TComponent {
 public:
  explicit TDDgamma(TComponent* owner);
  // Releases a control still held: an owner that forgets to disable the
  // component leaks nothing (the control stays valid after the display
  // closes, so this is always safe).
  ~TDDgamma() override;

  TDDmain* DDmainModule = nullptr;
  TNotifyEvent OnError;

  void SetEnabled(bool value);
  [[nodiscard]] bool Enabled() const { return FEnabled.load(); }
  // Stores the level; while enabled, sets entry i of all three tables to
  // i * level modulo 65536.
  void SetRGB(int level);
  [[nodiscard]] int GetRGB() const { return FRGB.load(); }
  // While enabled, entry i of each table becomes i * value modulo 65536.
  void SetLinearRGB(int red, int green, int blue);

  void SetErrorResult(const std::string& text);
  [[nodiscard]] std::string GetErrorResult() const;

 private:
  void Report(const std::string& message);
  void ApplyRamp(int red, int green, int blue);

  mutable std::recursive_mutex FLock;  // recursive: an OnError handler may call back in
  std::atomic<bool> FEnabled{false};
  std::string FErrorResult;
  IDirectDraw* FpDD = nullptr;                  // borrowed from the device
  IDirectDrawSurface* FpDDSPrimary = nullptr;   // borrowed from the device
  IDirectDrawGammaControl* FpDDGamma = nullptr;  // owned while enabled
  std::atomic<int> FRGB{256};
};

}  // namespace sandloop
