#include "kit/ddraw/MonitorView.h"

#include <algorithm>
#include <utility>

namespace sandloop::display {

namespace {
// The names of a view's windows lie far above the ids the platforms hand
// out, so that no window of the display is taken for one of a view's.
constexpr WindowId kViewWindows = 0x7F000000u;
}  // namespace

MonitorView::MonitorView(std::shared_ptr<Backend> display, int index)
    : display_(std::move(display)), index_(index), next_id_(kViewWindows + static_cast<WindowId>(index) * 0x10000u) {
  const std::vector<Monitor> all = display_->Monitors();
  if (index >= 1 && index < static_cast<int>(all.size())) monitor_ = all[static_cast<std::size_t>(index)];
  // The page's depth is the primary's: a present converts it anyway.
  monitor_.mode.bpp = display_->MonitorMode().bpp;
  if (!IsPageDepth(monitor_.mode.bpp)) monitor_.mode.bpp = 32;
}

WindowId MonitorView::CreateFormWindow(const std::string&) {
  windows_.push_back(next_id_);
  return next_id_++;
}

void MonitorView::DestroyWindow(WindowId window) {
  if (window == exclusive_) EndExclusive();
  std::erase(windows_, window);
}

bool MonitorView::WindowExists(WindowId window) {
  return std::find(windows_.begin(), windows_.end(), window) != windows_.end();
}

Status MonitorView::BeginExclusive(WindowId window) {
  if (window == 0) return Status::InvalidParams;
  exclusive_ = window;
  return Status::Ok;
}

// The display's full-screen modes and the monitor's own size; a page of
// another size than the monitor's is scaled to it when shown.
std::vector<DisplayMode> MonitorView::DoModes() {
  std::vector<DisplayMode> modes = display_->Modes();
  AddAtEveryDepth(&modes, monitor_.mode.width, monitor_.mode.height);
  return modes;
}

Status MonitorView::DoSetTarget(const DisplayTarget& target) {
  return target.kind == DisplayTarget::Kind::FullScreen ? Status::Ok : Status::Unsupported;
}

Status MonitorView::Present(const PageView& page, const Ramp* ramp) { return PresentRects(page, ramp, nullptr, -1); }

Status MonitorView::PresentRects(const PageView& page, const Ramp* ramp, const Rect* rects, int count) {
  if (exclusive_ == 0) return Status::NoExclusiveMode;
  return display_->PresentMonitor(index_, page, ramp, rects, count);
}

bool MonitorView::PlaySound(const SoundRequest&, std::string* why) {
  if (why != nullptr) *why = "the primary monitor plays the sound";
  return false;
}

}  // namespace sandloop::display
