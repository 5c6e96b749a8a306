#include "kit/ddraw/backend.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace sandloop::display {

namespace {
// The display service of the process, chosen once at start.
std::mutex g_backend_lock;
std::shared_ptr<Backend> g_backend;
}  // namespace

void SetBackend(std::shared_ptr<Backend> backend) {
  std::lock_guard<std::mutex> g(g_backend_lock);
  g_backend = std::move(backend);
}

Backend* CurrentBackend() {
  std::lock_guard<std::mutex> g(g_backend_lock);
  return g_backend.get();
}

std::shared_ptr<Backend> CurrentBackendShared() {
  std::lock_guard<std::mutex> g(g_backend_lock);
  return g_backend;
}

int Backend::ShowCursor(bool show) {
  const int before = cursor_count_.fetch_add(show ? 1 : -1, std::memory_order_relaxed);
  const int after = before + (show ? 1 : -1);
  if ((before >= 0) != (after >= 0)) SetCursorVisible(after >= 0);
  return after;
}

std::vector<Monitor> Backend::Monitors() {
  const DisplayMode m = Target().kind == DisplayTarget::Kind::FullScreen ? MonitorMode() : DesktopMode();
  return {Monitor{Rect{0, 0, m.width, m.height}, m}};
}

std::vector<DisplayMode> Backend::Modes() {
  if (Target().kind == DisplayTarget::Kind::FullScreen) return DoModes();
  std::vector<DisplayMode> out;
  const DisplayMode size = DesktopMode();
  AddAtEveryDepth(&out, size.width, size.height);
  return out;
}

Status Backend::SetTarget(const DisplayTarget& target) {
  if (target.kind == DisplayTarget::Kind::Window && (target.width <= 0 || target.height <= 0))
    return Status::InvalidParams;
  return DoSetTarget(target);
}

Status Backend::SetMode(const DisplayMode& mode) {
  if (ExclusiveWindow() == 0) return Status::NoExclusiveMode;
  if (!IsPageDepth(mode.bpp)) return Status::InvalidMode;
  if (Target().kind == DisplayTarget::Kind::FullScreen) {
    // The desktop's own mode is there without a switch, listed or not.
    if (!(mode == DesktopMode())) {
      const std::vector<DisplayMode> listed = Modes();
      if (std::find(listed.begin(), listed.end(), mode) == listed.end()) return Status::InvalidMode;
    }
  } else if (mode.width < 1 || mode.height < 1 || mode.width > kMaxPageSide || mode.height > kMaxPageSide) {
    return Status::InvalidMode;
  }
  return DoSetMode(mode);
}

void Backend::AddAtEveryDepth(std::vector<DisplayMode>* modes, int width, int height) {
  for (int bpp : kDepths) {
    const DisplayMode mode{width, height, bpp};
    if (std::find(modes->begin(), modes->end(), mode) == modes->end()) modes->push_back(mode);
  }
}

void Backend::EchoMessage(const std::string& text, const std::string& caption) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

const char* OpName(Op op) {
  switch (op) {
    case Op::DirectDrawCreate: return "DirectDrawCreate";
    case Op::EnumerateDevices: return "DirectDrawEnumerateExA";
    case Op::SetCooperativeLevel: return "SetCooperativeLevel";
    case Op::SetDisplayMode: return "SetDisplayMode";
    case Op::CreateSurface: return "CreateSurface";
    case Op::GetAttachedSurface: return "GetAttachedSurface";
    case Op::Flip: return "Flip";
    case Op::Restore: return "Restore";
    case Op::Blt: return "Blt";
    case Op::BltFast: return "BltFast";
    case Op::GetDC: return "GetDC";
    case Op::ReleaseDC: return "ReleaseDC";
    case Op::Lock: return "Lock";
    case Op::Unlock: return "Unlock";
    case Op::SetColorKey: return "SetColorKey";
    case Op::GetCaps: return "GetCaps";
    case Op::EnumDisplayModes: return "EnumDisplayModes";
    case Op::QueryInterface: return "QueryInterface";
    case Op::GetGammaRamp: return "GetGammaRamp";
    case Op::SetGammaRamp: return "SetGammaRamp";
    case Op::SetAlphaPlane: return "SetAlphaPlane";
    case Op::Count: break;
  }
  return "?";
}

}  // namespace sandloop::display
