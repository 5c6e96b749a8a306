#pragma once
// The few system services of the kit and the shell that are not display
// operations: a millisecond clock, system metrics, message boxes, the
// program's sound, the cursor, telling the system that a saver runs, and
// termination signals turned into a quit request for the message loop
// (kit/os/QuitSignals.h).
#include <cstdint>
#include <string>

#include "kit/ddraw/ddraw.h"

using BOOL = int;
using UINT = unsigned;
using HMODULE = void*;

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CMONITORS = 80;

constexpr unsigned MB_OK = 0x00000000;
constexpr int IDOK = 1;

// Milliseconds since an arbitrary start, wrapping at 2^32.
std::uint32_t timeGetTime();

// SM_CMONITORS: the number of monitors (1 without a display back end);
// SM_CXSCREEN / SM_CYSCREEN: the desktop's size. Anything else is 0.
int GetSystemMetrics(int index);

// A modal message box. With no display back end, or one that cannot show
// windows, the message goes to standard error as "caption: text".
int MessageBoxA(HWND owner, const std::string& text, const std::string& caption, unsigned type);

constexpr DWORD SND_SYNC = 0x0;
constexpr DWORD SND_ASYNC = 0x1;
constexpr DWORD SND_NODEFAULT = 0x2;
constexpr DWORD SND_MEMORY = 0x4;
constexpr DWORD SND_LOOP = 0x8;
constexpr DWORD SND_NOSTOP = 0x10;
constexpr DWORD SND_PURGE = 0x40;
constexpr DWORD SND_RESOURCE = 0x40004;

// Plays a sound through the display back end. `sound` null stops the sound
// that plays (whatever the flags; SND_PURGE is the usual one). Otherwise
// `sound` names one of the program's own resources, found without regard
// to case, and `flags` must hold SND_RESOURCE; `module` is not used.
// SND_ASYNC returns at once, without it the call waits for the end of the
// sound; SND_LOOP (which needs SND_ASYNC) repeats it until it is stopped;
// SND_NOSTOP leaves a playing sound alone and fails. FALSE, with the reason
// in `why` when given, for a sound that cannot be played: no such resource,
// bytes that are no WAVE file, no audio device, or no back end at all.
// Failing to play is not an error of the program: it goes on silent.
BOOL PlaySoundA(const char* sound, HMODULE module, DWORD flags, std::string* why = nullptr);

// Hides (FALSE) or shows (TRUE) the mouse cursor over the program's windows
// by the display count: it shows while the count is 0 or more. Returns the
// new count; 0 without a display back end.
int ShowCursor(BOOL show);

constexpr UINT SPI_SETSCREENSAVERRUNNING = 97;

// Only SPI_SETSCREENSAVERRUNNING: `param` 1 tells the system that a screen
// saver runs, 0 that it no longer runs; it holds off neither the display's
// power saving nor the session's lock. `pv`, when not null, is a BOOL that receives the state
// before the call. FALSE for any other action and without a back end.
BOOL SystemParametersInfoA(UINT action, UINT param, void* pv, UINT winini);

#include "kit/os/QuitSignals.h"
