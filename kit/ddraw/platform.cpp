#include "kit/ddraw/platform.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "assets/Resources.h"
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

BOOL PlaySoundA(const char* sound, HMODULE, DWORD flags, std::string* why) {
  sandloop::display::Backend* b = sandloop::display::CurrentBackend();
  auto fail = [why](std::string reason) {
    if (why != nullptr) *why = std::move(reason);
    return BOOL{0};
  };
  if (sound == nullptr) {
    if (b != nullptr) b->StopSound();
    return 1;
  }
  if (b == nullptr) return fail("no display back end to play sound through");
  if ((flags & SND_NOSTOP) != 0 && b->SoundPlaying()) return fail("a sound is playing");
  if ((flags & SND_RESOURCE) != SND_RESOURCE) return fail("only the program's own sounds can be played");
  const bool loop = (flags & SND_LOOP) != 0;
  const bool async = (flags & SND_ASYNC) != 0;
  if (loop && !async) return fail("a looping sound must be played asynchronously");
  const auto bytes = sandloop::assets::FindResource(sound);
  if (!bytes) return fail(std::string("no sound resource \"") + sound + "\"");
  std::string reason;
  if (!b->PlaySound({sound, *bytes, loop, flags}, &reason)) return fail(reason);
  if (!async) {
    while (b->SoundPlaying()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return 1;
}

int ShowCursor(BOOL show) {
  sandloop::display::Backend* b = sandloop::display::CurrentBackend();
  return b != nullptr ? b->ShowCursor(show != 0) : 0;
}

BOOL SystemParametersInfoA(UINT action, UINT param, void* pv, UINT) {
  sandloop::display::Backend* b = sandloop::display::CurrentBackend();
  if (action != SPI_SETSCREENSAVERRUNNING || b == nullptr) return 0;
  const bool before = b->SetSaverRunning(param != 0);
  if (pv != nullptr) *static_cast<BOOL*>(pv) = before ? 1 : 0;
  return 1;
}
