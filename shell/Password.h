#pragma once
// The system's own procedure to change the screen-saver password, for the
// password-change mode: on Windows PwdChangePasswordA of MPR.DLL, with a
// message when the library or the procedure is missing; elsewhere there is
// no such library, which the first of those messages says.
#include "kit/ddraw/backend.h"

namespace sandloop {

// Runs the procedure for the window `owner` (its parent, and the owner of
// the messages).
void ChangePassword(display::WindowId owner);

inline constexpr const char* kNoPasswordLibrary = "MPR.DLL not found: cannot change password.";
inline constexpr const char* kNoPasswordProcedure = "PwdChangeProc not found: cannot change password";

}  // namespace sandloop
