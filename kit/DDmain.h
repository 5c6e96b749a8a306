#pragma once
// TDDmain: the display device. Opening it takes the display in exclusive
// full-screen mode at Width x Height x ColorDepth and makes a flipping
// primary surface with one back buffer; the other components draw into
// that back buffer, and FlipSurfaces shows it after drawing the optional
// overlay lines (frame rate and three test lines). Failures are reported
// by ErrorResult and OnError, never by exceptions.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "kit/Component.h"
#include "kit/FontGlyphs.h"
#include "kit/ddraw/ddraw.h"

namespace sandloop {

// A form: anything that owns a window the display can be given to.
class TWindowOwner {
 public:
  virtual ~TWindowOwner() = default;
  // The form's window, made on first use.
  virtual HWND Handle() = 0;
};

class TDDmain : public TComponent {
 public:
  explicit TDDmain(TComponent* owner);
  ~TDDmain() override;

  // The device's objects; other components borrow them and never release.
  IDirectDraw* FpDD = nullptr;
  IDirectDrawSurface* FpDDSPrimary = nullptr;
  IDirectDrawSurface* FpDDSBack = nullptr;

  TNotifyEvent OnError;

  void SetEnabled(bool value);
  [[nodiscard]] bool Enabled() const { return FEnabled; }
  void OpenDirectDraw();
  void CloseDirectDraw();
  void FlipSurfaces();
  void FuncShowTST(const std::string& text, int x, int y);
  void FuncShowFPS();
  void ClearBackSurface();
  void ClearAllSurface();
  HRESULT EnumerateScreens();

  void SetWidth(int value) { FWidth = value; }
  void SetHeight(int value) { FHeight = value; }
  void SetColorDepth(int value) { FColorDepth = value; }
  [[nodiscard]] int GetWidth() const { return FWidth; }
  [[nodiscard]] int GetHeight() const { return FHeight; }
  [[nodiscard]] int GetColorDepth() const { return FColorDepth; }
  void SetErrorResult(const std::string& text);
  [[nodiscard]] std::string GetErrorResult() const;
  void SetDualMonitor(bool value) { FDualMonitor = value; }
  // The monitor the device opens on without DualMonitor: 0 (the default)
  // the primary display, 1 and up a further monitor. Takes effect at the
  // next open.
  void SetMonitor(int index) { FMonitor = index; }
  [[nodiscard]] int Monitor() const { return FMonitor; }
  [[nodiscard]] bool DualMonitor() const { return FDualMonitor; }
  void SetFormHandle(bool value) { FDefineFormHandle = value; }
  [[nodiscard]] bool DefineFormHandle() const { return FDefineFormHandle; }
  void SetParentForm(TWindowOwner* form) { FDDForm = form; }
  [[nodiscard]] TWindowOwner* DDForm() const { return FDDForm; }
  void SetshowFPS(bool value) { FShowFPS = value; }
  [[nodiscard]] bool ShowFPS() const { return FShowFPS; }

  // The show flags and test lines may be set from the frame timer's thread
  // while the main thread draws them: the flags are atomic and the texts are
  // exchanged whole under a lock.
  void SetShowTestString(bool value);
  void SetShowTestString2(bool value);
  void SetShowTestString3(bool value);
  void SetTestString(const std::string& value);
  void SetTestString2(const std::string& value);
  void SetTestString3(const std::string& value);
  [[nodiscard]] bool ShowTestString() const { return FShowTestString.load(std::memory_order_relaxed); }
  [[nodiscard]] bool ShowTestString2() const { return FShowTestString2.load(std::memory_order_relaxed); }
  [[nodiscard]] bool ShowTestString3() const { return FShowTestString3.load(std::memory_order_relaxed); }
  [[nodiscard]] std::string TestString() const;
  [[nodiscard]] std::string TestString2() const;
  [[nodiscard]] std::string TestString3() const;

  // The parts of the screen the overlay lines that are switched on are drawn
  // in, each band as wide as its line may reach: at most four, written to
  // `out`; returns how many.
  int OverlayBands(RECT* out) const;
  // The height of the overlay's text, 16 pixels unless set (kFontPixels to
  // kMaxFontPixels); its lines' places grow with it.
  void SetTextPixels(int pixels) { FTextPixels = std::clamp(pixels, kFontPixels, kMaxFontPixels); }
  [[nodiscard]] int TextPixels() const { return FTextPixels; }
  // Tells the next FlipSurfaces that only `rects` of the back buffer differ
  // from the page on the screen (the overlay bands must be among them).
  void SetChangedRects(const RECT* rects, int count);

  // The result code of the latest platform call made while opening.
  [[nodiscard]] HRESULT LastResult() const { return FLastResult; }

  // The process-wide frame-rate figure last computed (for tests and tools).
  static int CurrentFrameRate();
  // The saved identifier of the second monitor from EnumerateScreens.
  static const GUID* SavedDevice();

 private:
  void ReportError(const std::string& message, bool close);
  void SetTestLine(std::string& field, const std::string& value);
  void DrawOverlay(const std::string& text, int x, int y);
  [[nodiscard]] int TextScaled(int v) const;
  [[nodiscard]] int LineEnd(int x, const std::string& text) const;

  const RECT* FChangedRects = nullptr;  // for the next flip only
  int FChangedCount = -1;
  TWindowOwner* FDDForm = nullptr;
  bool FEnabled = false;
  HRESULT FLastResult = 0;
  int FWidth = 800;
  int FHeight = 600;
  int FColorDepth = 24;
  std::string FErrorResult;
  bool FShowFPS = false;
  int FTextPixels = kFontPixels;
  bool FDualMonitor = false;
  int FMonitor = 0;
  bool FDefineFormHandle = false;
  std::atomic<bool> FShowTestString{false};
  std::atomic<bool> FShowTestString2{false};
  std::atomic<bool> FShowTestString3{false};
  mutable std::mutex FTestLock;  // guards the three texts
  std::string FTestString;
  std::string FTestString2;
  std::string FTestString3;
};

}  // namespace sandloop
