#include "shell/Password.h"

#include "kit/ddraw/platform.h"
#include "shell/Shell.h"

namespace sandloop {

void ChangePassword(display::WindowId owner) {
  // There is no password-change library on this system.
  MessageBoxA(owner, kNoPasswordLibrary, kMessageCaption, MB_OK);
}

}  // namespace sandloop
