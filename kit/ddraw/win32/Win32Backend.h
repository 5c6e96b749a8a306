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
// thread of its own, as the multimedia timer's callbacks are. While the
// full-screen saver is shown and can be seen, the back end asks for a 1 ms
// system timer period (timeBeginPeriod), so that the thread's sleeps, and
// the pacing of presents, are as precise as the multimedia timer would be;
// the settings, the preview and a resting saver leave the system's period
// alone. The drawing thread waits for input and the next tick in one
// message wait, which the tick, and a console's termination request, end.
//
// Ending: besides input, closing and the end of the session, the saver
// ends when another program takes the foreground (WM_ACTIVATEAPP), as the
// system's own savers do: its keys would go elsewhere, and in Esc-only
// mode nothing could end it. Activation among its own windows (the black
// covers) is not such a change.
//
// Display changes: a monitor added or removed, a new resolution or a
// remote session reconnecting (WM_DISPLAYCHANGE) place the scene's window
// and the black covers over the monitors as they now are; the page keeps
// its size and is stretched to the window, so the scene need not be built
// again.
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
