#pragma once
// The real display on Windows, through USER and GDI.
//
// Mechanism: one borderless pop-up window per form; exclusive full-screen
// use makes it a topmost window over the primary monitor, at the desktop's
// own mode, or at another listed size through a temporary mode change
// (ChangeDisplaySettingsEx with CDS_FULLSCREEN, which the system undoes if
// the process dies). Every other monitor is covered by a black topmost
// window whose input ends the saver like the scene's own window, so that
// no part of the desktop stays visible.
//
// Presenting: the page is converted to 32-bit XRGB with the software ramp
// (the hardware gamma ramp is never touched, so that a crash cannot leave
// the screen tinted) and put into the window with SetDIBitsToDevice, or
// StretchDIBits where the window's size differs from the page's. GDI and
// not DirectDraw: a system-memory page costs one copy either way, GDI
// works the same on every Windows, in a remote session and under Wine, and
// DirectDraw's exclusive mode is emulated on today's systems anyway. Only
// the changed rectangles go out; WM_PAINT, a display change or a size
// change shows the whole page, from the converted copy kept for that.
// GDI has no vertical sync, so flips are paced to the refresh rate.
//
// Targets: hosted in another program's window (the settings preview),
// pages are drawn into that window's client area and its destruction ends
// the loop. The try-it window is an ordinary resizable window.
//
// Idle: the saver tells the system that it runs and holds nothing off, so
// the display's power saving, the lock and sleep come at their times. Each
// form window registers for the console display's power state and the
// session's changes; while the display is off or the session is locked or
// disconnected, DisplayAsleep says so and the scene rests.
//
// Frame timer: the kit's own timer thread, not timeSetEvent: the same code
// and the same thread checks on every platform, one tick at a time on a
// thread of its own, as the multimedia timer's callbacks are. The back end
// asks for a 1 ms system timer period (timeBeginPeriod) at start, so that
// the thread's sleeps, and the pacing of presents, are as precise as the
// multimedia timer would be.
//
// Limits: per-monitor DPI awareness is asked for at start (and by the
// program's manifest), so sizes are the monitors' real pixels. A picture
// drawn into another program's window lives in a child window of ours,
// which needs this program's message loop to repaint it.
#include <memory>
#include <string>

#include "kit/ddraw/backend.h"

namespace sandloop::display {

// Registers the window classes; null (and `why` filled) when that fails.
std::shared_ptr<Backend> CreateWin32Backend(std::string* why);

}  // namespace sandloop::display
