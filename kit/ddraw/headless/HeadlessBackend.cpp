#include "kit/ddraw/headless/HeadlessBackend.h"

#include <algorithm>
#include <cstring>

#include "kit/PicturePng.h"
#include "kit/ddraw/present.h"

// The back end's own part comes first, in the order of the real back
// ends' files (start and end, windows, modes, present, events, audio,
// messages and the saver state); the controls that tests drive it with
// come last.

namespace sandloop::display {

// --- start and end -------------------------------------------------------

HeadlessBackend::HeadlessBackend() {
  for (const auto& [w, h] : {std::pair{800, 600}, {1024, 768}, {1152, 864}, {1280, 1024}, {1920, 1080}})
    AddAtEveryDepth(&modes_, w, h);
  AddForeignWindow(kRootWindow, desktop_.width, desktop_.height);
}

// --- windows and the target ----------------------------------------------

WindowId HeadlessBackend::CreateFormWindow(const std::string& title) {
  const WindowId id = next_window_++;
  Window& w = windows_[id];
  w.title = title;
  w.visible = true;
  const bool own_window = target_.kind == DisplayTarget::Kind::Window;
  w.width = own_window ? target_.width : desktop_.width;
  w.height = own_window ? target_.height : desktop_.height;
  return id;
}

void HeadlessBackend::DestroyWindow(WindowId window) {
  if (window == exclusive_window_) EndExclusive();
  windows_.erase(window);
}

bool HeadlessBackend::IsWindowVisible(WindowId window) {
  const auto it = windows_.find(window);
  return it != windows_.end() && it->second.visible;
}

bool HeadlessBackend::DrawToWindow(WindowId window, const Picture& picture, int x, int y) {
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

Status HeadlessBackend::DoSetTarget(const DisplayTarget& target) {
  using Kind = DisplayTarget::Kind;
  if (target.kind == Kind::Hosted) {
    if (!foreign_windows_) return Status::Unsupported;
    const auto it = windows_.find(target.foreign);
    if (lost_ || it == windows_.end()) return Status::InvalidParams;
    host_size_ = {it->second.width, it->second.height, 32};
  }
  target_ = target;
  quit_sent_ = false;
  return Status::Ok;
}

// --- modes and exclusive use ---------------------------------------------

std::vector<DisplayMode> HeadlessBackend::DoModes() { return modes_; }

DisplayMode HeadlessBackend::DesktopMode() {
  using Kind = DisplayTarget::Kind;
  if (target_.kind == Kind::Hosted) {
    if (const auto it = windows_.find(target_.foreign); it != windows_.end())
      host_size_ = {it->second.width, it->second.height, 32};
    return host_size_;
  }
  if (target_.kind == Kind::Window) {
    if (const auto it = windows_.find(exclusive_window_); it != windows_.end())
      return {it->second.width, it->second.height, 32};
    return {target_.width, target_.height, 32};
  }
  return desktop_;
}

Status HeadlessBackend::BeginExclusive(WindowId window) {
  if (windows_.find(window) == windows_.end()) return Status::InvalidParams;
  exclusive_window_ = window;
  current_mode_ = DesktopMode();
  return Status::Ok;
}

// Hosted or in a window the size is the page's only; full screen there is
// no display whose mode would switch.
Status HeadlessBackend::DoSetMode(const DisplayMode& mode) {
  current_mode_ = mode;
  return Status::Ok;
}

void HeadlessBackend::EndExclusive() {
  exclusive_window_ = 0;
  current_mode_ = desktop_;
}

// --- present -------------------------------------------------------------

DisplayMode HeadlessBackend::OutputSize(const PageView& page) const {
  using Kind = DisplayTarget::Kind;
  if (target_.kind == Kind::Hosted) return host_size_;
  if (target_.kind == Kind::Window) {
    if (const auto it = windows_.find(exclusive_window_); it != windows_.end())
      return {it->second.width, it->second.height, 32};
  }
  return {page.width, page.height, 32};
}

Status HeadlessBackend::Present(const PageView& page, const Ramp* ramp) {
  return PresentRects(page, ramp, nullptr, -1);
}

Status HeadlessBackend::PresentRects(const PageView& page, const Ramp* ramp, const Rect* rects, int count) {
  std::lock_guard<std::mutex> g(mutex_);
  if (target_.kind == DisplayTarget::Kind::Hosted) {
    if (lost_) return Status::SurfaceLost;
    const auto it = windows_.find(target_.foreign);
    if (it == windows_.end()) return Status::Ok;  // gone: the loop is told to quit
    host_size_ = {it->second.width, it->second.height, 32};
  }
  ShowPage(screen_, OutputSize(page), page, ramp, rects, count);
  ++presents_;
  return Status::Ok;
}

void HeadlessBackend::ShowPage(Picture& screen, const DisplayMode& out, const PageView& page, const Ramp* ramp,
                               const Rect* rects, int count) {
  const RampTables* t = ramp_tables_.For(ramp);
  const bool same_size = out.width == page.width && out.height == page.height;
  // Parts only where the screen already shows the rest at this size; a
  // page scaled to a window of another size is shown whole.
  const bool parts = rects != nullptr && count >= 0 && same_size && screen.Width() == out.width &&
                     screen.Height() == out.height;
  if (parts) {
    for (int i = 0; i < count; ++i) {
      const Rect& r = rects[i];
      ConvertPage(SubPage(page, r), reinterpret_cast<std::uint8_t*>(screen.Row(r.top) + r.left), page.width * 4, t);
      partial_pixels_ += static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
    }
    ++partial_presents_;
  } else {
    if (screen.Width() != out.width || screen.Height() != out.height) screen = Picture(out.width, out.height);
    if (same_size) {
      ConvertPage(page, reinterpret_cast<std::uint8_t*>(screen.Row(0)), page.width * 4, t);
    } else {
      if (scratch_.Width() != page.width || scratch_.Height() != page.height) scratch_ = Picture(page.width, page.height);
      ConvertPage(page, reinterpret_cast<std::uint8_t*>(scratch_.Row(0)), page.width * 4, t);
      Scale32(reinterpret_cast<const std::uint8_t*>(scratch_.Row(0)), page.width, page.height, page.width * 4,
              reinterpret_cast<std::uint8_t*>(screen.Row(0)), out.width, out.height, out.width * 4);
    }
  }
}

// --- further monitors ------------------------------------------------------

std::vector<Monitor> HeadlessBackend::Monitors() {
  std::lock_guard<std::mutex> g(mutex_);
  return MonitorsLocked();
}

std::vector<Monitor> HeadlessBackend::MonitorsLocked() const {
  if (target_.kind != DisplayTarget::Kind::FullScreen) {
    const DisplayMode m = target_.kind == DisplayTarget::Kind::Hosted ? host_size_ : current_mode_;
    return {Monitor{Rect{0, 0, m.width, m.height}, m}};
  }
  if (!monitor_list_.empty()) return monitor_list_;
  // Side by side, each in the desktop's mode.
  std::vector<Monitor> out;
  for (int i = 0; i < std::max(monitors_, 1); ++i)
    out.push_back(Monitor{Rect{i * desktop_.width, 0, (i + 1) * desktop_.width, desktop_.height}, desktop_});
  return out;
}

void HeadlessBackend::SetMonitors(std::vector<Monitor> monitors) {
  std::lock_guard<std::mutex> g(mutex_);
  monitor_list_ = std::move(monitors);
  monitors_ = std::max<int>(1, static_cast<int>(monitor_list_.size()));
  if (!monitor_list_.empty()) desktop_ = monitor_list_.front().mode;
  // A monitor gone is no longer shown; one that came is black until drawn.
  for (auto it = monitor_screens_.begin(); it != monitor_screens_.end();)
    it = it->first >= monitors_ ? monitor_screens_.erase(it) : std::next(it);
  if (exclusive_window_ != 0) {
    InputEvent changed;
    changed.kind = InputEvent::Kind::MonitorsChanged;
    events_.push_back(changed);
  }
}

Status HeadlessBackend::PresentMonitor(int index, const PageView& page, const Ramp* ramp, const Rect* rects,
                                       int count) {
  std::lock_guard<std::mutex> g(mutex_);
  const std::vector<Monitor> all = MonitorsLocked();
  if (index < 1 || index >= static_cast<int>(all.size())) return Status::InvalidParams;
  if (exclusive_window_ == 0) return Status::NoExclusiveMode;
  const DisplayMode& m = all[static_cast<std::size_t>(index)].mode;
  ShowPage(monitor_screens_[index], DisplayMode{m.width, m.height, 32}, page, ramp, rects, count);
  ++monitor_presents_[index];
  return Status::Ok;
}

const Picture& HeadlessBackend::MonitorScreen(int index) const {
  static const Picture kNone;
  if (index == 0) return screen_;
  const auto it = monitor_screens_.find(index);
  return it != monitor_screens_.end() ? it->second : kNone;
}

int HeadlessBackend::MonitorPresents(int index) const {
  std::lock_guard<std::mutex> g(mutex_);
  const auto it = monitor_presents_.find(index);
  return it != monitor_presents_.end() ? it->second : 0;
}

bool HeadlessBackend::WriteMonitorPng(int index, const std::string& path) const {
  return sandloop::WritePng(MonitorScreen(index), path);
}

// --- events --------------------------------------------------------------

bool HeadlessBackend::PollEvent(InputEvent* event) {
  for (auto it = windows_.begin(); it != windows_.end();) {
    Window& w = it->second;
    if (w.visible_after_polls > 0 && --w.visible_after_polls == 0) w.visible = true;
    if (w.destroy_after_polls > 0 && --w.destroy_after_polls == 0)
      it = windows_.erase(it);
    else
      ++it;
  }
  if (target_.kind == DisplayTarget::Kind::Hosted) {
    // A host's window gets no input of ours, but a quit request still
    // counts; the window's loss ends the loop once.
    while (!events_.empty()) {
      const InputEvent e = events_.front();
      events_.pop_front();
      if (e.kind == InputEvent::Kind::Quit) {
        *event = e;
        return true;
      }
    }
    const bool gone = lost_ || windows_.find(target_.foreign) == windows_.end();
    if (!gone || quit_sent_) return false;
    quit_sent_ = true;
    *event = InputEvent{};
    event->kind = InputEvent::Kind::Quit;
    return true;
  }
  if (events_.empty()) return false;
  *event = events_.front();
  events_.pop_front();
  return true;
}

// Returns at once: tests drive time themselves. Only the waits are counted.
void HeadlessBackend::WaitEvent(int timeout_ms) {
  waits_.fetch_add(1, std::memory_order_relaxed);
  waited_ms_.fetch_add(timeout_ms, std::memory_order_relaxed);
}

// --- audio ---------------------------------------------------------------

bool HeadlessBackend::PlaySound(const SoundRequest& sound, std::string* why) {
  std::lock_guard<std::mutex> g(mutex_);
  sound_calls_.push_back({SoundCall::Kind::Play, sound.name, sound.flags, sound.loop, sound.wave.size()});
  sound_playing_ = false;  // a new sound replaces the one playing
  auto fail = [&](const char* reason) {
    if (why != nullptr) *why = reason;
    return false;
  };
  if (!audio_) return fail("no audio device");
  // The same first check a real decoder makes: a RIFF file of kind WAVE.
  const auto& w = sound.wave;
  if (w.size() < 12 || std::memcmp(w.data(), "RIFF", 4) != 0 || std::memcmp(w.data() + 8, "WAVE", 4) != 0)
    return fail("not a WAVE file");
  sound_playing_ = sound.loop;
  return true;
}

void HeadlessBackend::StopSound() {
  std::lock_guard<std::mutex> g(mutex_);
  sound_calls_.push_back({SoundCall::Kind::Stop, {}, 0, false, 0});
  sound_playing_ = false;
}

bool HeadlessBackend::SoundPlaying() {
  std::lock_guard<std::mutex> g(mutex_);
  return sound_playing_;
}

// --- messages and the system's saver state ------------------------------

void HeadlessBackend::ShowMessage(WindowId owner, const std::string& text, const std::string& caption) {
  messages_.push_back({owner, text, caption});
  if (echo_) EchoMessage(text, caption);
}

bool HeadlessBackend::SetSaverRunning(bool running) {
  std::lock_guard<std::mutex> g(mutex_);
  const bool before = saver_running_;
  saver_running_ = running;
  saver_calls_.push_back(running);
  return before;
}

// --- test controls: the display simulated --------------------------------

void HeadlessBackend::SetModes(std::vector<DisplayMode> modes) { modes_ = std::move(modes); }

void HeadlessBackend::SetDesktopMode(DisplayMode mode) {
  desktop_ = mode;
  ResizeWindow(kRootWindow, mode.width, mode.height);
  if (exclusive_window_ == 0) current_mode_ = mode;
}

void HeadlessBackend::SetMonitorCount(int count) { monitors_ = count; }

void HeadlessBackend::SetGammaSupported(bool supported) { gamma_ = supported; }

void HeadlessBackend::SetEchoMessages(bool echo) { echo_ = echo; }

void HeadlessBackend::SetAudioAvailable(bool available) {
  std::lock_guard<std::mutex> g(mutex_);
  audio_ = available;
}

void HeadlessBackend::AddForeignWindow(WindowId window, int width, int height) {
  Window& w = windows_[window];
  w.title.clear();
  w.visible = true;
  w.width = width;
  w.height = height;
}

void HeadlessBackend::ResizeWindow(WindowId window, int width, int height) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return;
  it->second.width = width;
  it->second.height = height;
}

void HeadlessBackend::LoseConnection() { lost_ = true; }

void HeadlessBackend::SetWindowVisible(WindowId window, bool visible) { windows_[window].visible = visible; }

void HeadlessBackend::VisibleAfterPolls(WindowId window, int polls) {
  Window& w = windows_[window];
  w.visible = false;
  w.visible_after_polls = polls;
}

void HeadlessBackend::DestroyAfterPolls(WindowId window, int polls) { windows_[window].destroy_after_polls = polls; }

void HeadlessBackend::PushEvent(const InputEvent& event) { events_.push_back(event); }

// --- test controls: fault injection --------------------------------------

void HeadlessBackend::FailNext(Op op, std::int32_t code, int times) {
  std::lock_guard<std::mutex> g(mutex_);
  faults_[op] = Fault_{static_cast<Status>(code), times};
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

Status HeadlessBackend::Fault(Op op) {
  std::lock_guard<std::mutex> g(mutex_);
  ++calls_[op];
  const auto it = faults_.find(op);
  if (it == faults_.end() || it->second.times == 0) return Status::Ok;
  if (it->second.times > 0) --it->second.times;
  return it->second.code;
}

// --- test controls: what was shown and asked ------------------------------

const Picture& HeadlessBackend::WindowPicture(WindowId window) const {
  static const Picture kNone;
  const auto it = windows_.find(window);
  return it == windows_.end() ? kNone : it->second.picture;
}

bool HeadlessBackend::WritePng(const std::string& path) const { return sandloop::WritePng(screen_, path); }

int HeadlessBackend::RampTableBuilds() const {
  std::lock_guard<std::mutex> g(mutex_);
  return ramp_tables_.Builds();
}

std::vector<HeadlessBackend::SoundCall> HeadlessBackend::SoundCalls() const {
  std::lock_guard<std::mutex> g(mutex_);
  return sound_calls_;
}

bool HeadlessBackend::SaverRunning() const {
  std::lock_guard<std::mutex> g(mutex_);
  return saver_running_;
}

std::vector<bool> HeadlessBackend::SaverCalls() const {
  std::lock_guard<std::mutex> g(mutex_);
  return saver_calls_;
}

std::shared_ptr<HeadlessBackend> CreateHeadlessBackend(std::string* why) { return StartBackend<HeadlessBackend>(why); }

}  // namespace sandloop::display
