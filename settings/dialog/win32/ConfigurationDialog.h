#pragma once
// Configuration mode on Windows: the settings dialog, owned by the window
// the system's screen-saver settings name (/c:HWND), by the foreground
// window (/c), or by none.
#include <cstdint>
#include <string>

#include "settings/dialog/Form2Model.h"

namespace sandloop::dialog::win32 {

// Shows the dialog until it closes, owned by window `owner` (the number
// the system passed; 0 or one that names no window: no owner). A failure
// to read the settings or to make the window is reported in a message box
// captioned `title`. (No system header here: the caller's program headers
// declare types of the same names.)
void RunConfigurationDialog(const std::string& title, std::uintptr_t owner);

// The window in the foreground now (0: none), which owns the dialog when
// the system asks for the settings with a bare /c.
std::uintptr_t ForegroundWindow();

// Message boxes owned by the active window of this thread.
MessageSink Win32MessageSink();

}  // namespace sandloop::dialog::win32
