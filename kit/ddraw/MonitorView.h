#pragma once
// A further monitor seen as a display of its own: what a device opened on
// it sees. It lists the display's modes and the monitor's own size, takes
// exclusive use and any listed mode without a switch, and shows its pages
// on the monitor through the display's PresentMonitor. Everything that
// belongs to the whole desktop stays with the primary's display: input
// arrives there (this view delivers none), and sound, the cursor and the
// system's saver state are left to it. Messages and fault injection go
// through to it.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kit/ddraw/backend.h"

namespace sandloop::display {

class MonitorView final : public Backend {
 public:
  // A view of monitor `index` (1 and up) of `display`, as the monitor is now.
  MonitorView(std::shared_ptr<Backend> display, int index);

  const char* Name() const override { return "monitor"; }
  Status Fault(Op op) override { return display_->Fault(op); }
  [[nodiscard]] int Index() const { return index_; }

  DisplayMode DesktopMode() override { return monitor_.mode; }
  DisplayMode MonitorMode() override { return monitor_.mode; }
  int MonitorCount() override { return 1; }
  std::vector<Monitor> Monitors() override { return {monitor_}; }
  bool GammaSupported() override { return display_->GammaSupported(); }

  // Its windows are names only: the monitor's cover is the display's. Any
  // such name may take exclusive use (the form naming its window and the
  // device drawing on the monitor may hold views of their own).
  WindowId CreateFormWindow(const std::string& title) override;
  void DestroyWindow(WindowId window) override;
  bool WindowExists(WindowId window) override;
  bool IsWindowVisible(WindowId window) override { return window != 0 && window == exclusive_; }
  bool DrawToWindow(WindowId, const Picture&, int, int) override { return false; }
  WindowId RootWindowId() override { return 0; }
  DisplayTarget Target() const override { return DisplayTarget{}; }

  Status BeginExclusive(WindowId window) override;
  WindowId ExclusiveWindow() const override { return exclusive_; }
  void EndExclusive() override { exclusive_ = 0; }
  Status Present(const PageView& page, const Ramp* ramp) override;
  Status PresentRects(const PageView& page, const Ramp* ramp, const Rect* rects, int count) override;

  bool PollEvent(InputEvent*) override { return false; }
  void WaitEvent(int) override {}
  void WakeWait() override { display_->WakeWait(); }
  void ShowMessage(WindowId, const std::string& text, const std::string& caption) override {
    display_->ShowMessage(0, text, caption);
  }
  bool PlaySound(const SoundRequest&, std::string* why) override;
  void StopSound() override {}
  bool SoundPlaying() override { return false; }
  bool SetSaverRunning(bool running) override { return std::exchange(saver_running_, running); }
  bool DisplayAsleep() override { return display_->DisplayAsleep(); }

 protected:
  std::vector<DisplayMode> DoModes() override;
  Status DoSetTarget(const DisplayTarget& target) override;
  Status DoSetMode(const DisplayMode&) override { return Status::Ok; }
  void SetCursorVisible(bool) override {}

 private:
  std::shared_ptr<Backend> display_;
  int index_;
  Monitor monitor_;
  std::vector<WindowId> windows_;
  WindowId next_id_;
  WindowId exclusive_ = 0;
  bool saver_running_ = false;
};

}  // namespace sandloop::display
