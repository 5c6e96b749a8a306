#include "kit/ddraw/headless/HeadlessBackend.h"

#include <algorithm>
#include <cstdio>

#include "kit/ddraw/present.h"

namespace sandloop::display {

HeadlessBackend::HeadlessBackend() {
  for (const auto& [w, h] : {std::pair{800, 600}, {1024, 768}, {1152, 864}, {1280, 1024}, {1920, 1080}})
    for (int bpp : {16, 24, 32}) modes_.push_back({w, h, bpp});
}

void HeadlessBackend::SetModes(std::vector<DisplayMode> modes) { modes_ = std::move(modes); }
void HeadlessBackend::SetDesktopMode(DisplayMode mode) {
  desktop_ = mode;
  if (exclusive_window_ == 0) current_mode_ = mode;
}
void HeadlessBackend::SetMonitorCount(int count) { monitors_ = count; }
void HeadlessBackend::SetGammaSupported(bool supported) { gamma_ = supported; }
void HeadlessBackend::SetEchoMessages(bool echo) { echo_ = echo; }

void HeadlessBackend::FailNext(Op op, HRESULT code, int times) {
  std::lock_guard<std::mutex> g(mutex_);
  faults_[op] = Fault_{code, times};
}

void HeadlessBackend::ClearFaults() {
  std::lock_guard<std::mutex> g(mutex_);
  faults_.clear();
}

int HeadlessBackend::Calls(Op op) const {
  std::lock_guard<std::mutex> g(mutex_);
  const auto it = calls_.find(op);
  return it == calls_.end() ? 0 : it->second;
}

HRESULT HeadlessBackend::Fault(Op op) {
  std::lock_guard<std::mutex> g(mutex_);
  ++calls_[op];
  const auto it = faults_.find(op);
  if (it == faults_.end() || it->second.times == 0) return DD_OK;
  if (it->second.times > 0) --it->second.times;
  return it->second.code;
}

void HeadlessBackend::SetWindowVisible(HWND window, bool visible) { windows_[window].visible = visible; }

void HeadlessBackend::VisibleAfterPolls(HWND window, int polls) {
  Window& w = windows_[window];
  w.visible = false;
  w.visible_after_polls = polls;
}

const Picture& HeadlessBackend::WindowPicture(HWND window) const {
  static const Picture kNone;
  const auto it = windows_.find(window);
  return it == windows_.end() ? kNone : it->second.picture;
}

void HeadlessBackend::PushEvent(const InputEvent& event) { events_.push_back(event); }

bool HeadlessBackend::WritePng(const std::string& path) const { return sandloop::WritePng(screen_, path); }

HWND HeadlessBackend::CreateFormWindow(const std::string& title) {
  const HWND id = next_window_++;
  Window& w = windows_[id];
  w.title = title;
  w.visible = true;
  return id;
}

void HeadlessBackend::DestroyWindow(HWND window) {
  if (window == exclusive_window_) EndExclusive();
  windows_.erase(window);
}

bool HeadlessBackend::IsWindowVisible(HWND window) {
  const auto it = windows_.find(window);
  return it != windows_.end() && it->second.visible;
}

bool HeadlessBackend::DrawToWindow(HWND window, const Picture& picture, int x, int y) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return false;
  Picture& target = it->second.picture;
  if (target.Width() < x + picture.Width() || target.Height() < y + picture.Height()) {
    Picture bigger(std::max(target.Width(), x + picture.Width()), std::max(target.Height(), y + picture.Height()));
    bigger.CopyRect(0, 0, target, 0, 0, target.Width(), target.Height());
    target = std::move(bigger);
  }
  target.CopyRect(x, y, picture, 0, 0, picture.Width(), picture.Height());
  return true;
}

HRESULT HeadlessBackend::BeginExclusive(HWND window) {
  if (windows_.find(window) == windows_.end()) return DDERR_INVALIDPARAMS;
  exclusive_window_ = window;
  current_mode_ = desktop_;
  return DD_OK;
}

HRESULT HeadlessBackend::SetMode(const DisplayMode& mode) {
  if (exclusive_window_ == 0) return DDERR_NOEXCLUSIVEMODE;
  if (!(mode == desktop_) && std::find(modes_.begin(), modes_.end(), mode) == modes_.end()) return DDERR_INVALIDMODE;
  current_mode_ = mode;
  return DD_OK;
}

void HeadlessBackend::EndExclusive() {
  exclusive_window_ = 0;
  current_mode_ = desktop_;
}

HRESULT HeadlessBackend::Present(const PageView& page, const DDGAMMARAMP* ramp) {
  std::lock_guard<std::mutex> g(mutex_);
  if (screen_.Width() != page.width || screen_.Height() != page.height) screen_ = Picture(page.width, page.height);
  ConvertPage(page, reinterpret_cast<std::uint8_t*>(screen_.Row(0)), page.width * 4, ramp_tables_.For(ramp));
  ++presents_;
  return DD_OK;
}

HRESULT HeadlessBackend::PresentRects(const PageView& page, const DDGAMMARAMP* ramp, const RECT* rects, int count) {
  {
    std::lock_guard<std::mutex> g(mutex_);
    if (screen_.Width() == page.width && screen_.Height() == page.height) {
      const RampTables* tables = ramp_tables_.For(ramp);
      for (int i = 0; i < count; ++i) {
        const RECT& r = rects[i];
        ConvertPage(SubPage(page, r), reinterpret_cast<std::uint8_t*>(screen_.Row(r.top) + r.left), page.width * 4,
                    tables);
        partial_pixels_ += static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
      }
      ++presents_;
      ++partial_presents_;
      return DD_OK;
    }
  }
  return Present(page, ramp);
}

int HeadlessBackend::RampTableBuilds() const {
  std::lock_guard<std::mutex> g(mutex_);
  return ramp_tables_.Builds();
}

bool HeadlessBackend::PollEvent(InputEvent* event) {
  for (auto& [id, w] : windows_) {
    if (w.visible_after_polls > 0 && --w.visible_after_polls == 0) w.visible = true;
  }
  if (events_.empty()) return false;
  *event = events_.front();
  events_.pop_front();
  return true;
}

void HeadlessBackend::WaitEvent(int) {}

void HeadlessBackend::ShowMessage(HWND owner, const std::string& text, const std::string& caption) {
  messages_.push_back({owner, text, caption});
  if (echo_) std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

}  // namespace sandloop::display
