#include "kit/ddraw/platform.h"

#include <chrono>
#include <cstdio>

#include "kit/ddraw/backend.h"

std::uint32_t timeGetTime() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

int GetSystemMetrics(int index) {
  sandloop::display::Backend* b = sandloop::display::CurrentBackend();
  switch (index) {
    case SM_CMONITORS: return b != nullptr ? b->MonitorCount() : 1;
    case SM_CXSCREEN: return b != nullptr ? b->DesktopMode().width : 0;
    case SM_CYSCREEN: return b != nullptr ? b->DesktopMode().height : 0;
    default: return 0;
  }
}

int MessageBoxA(HWND owner, const std::string& text, const std::string& caption, unsigned) {
  if (sandloop::display::Backend* b = sandloop::display::CurrentBackend()) {
    b->ShowMessage(owner, text, caption);
  } else {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  }
  return IDOK;
}
