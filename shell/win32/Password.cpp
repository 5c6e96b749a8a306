// MPR.DLL's PwdChangePasswordA, looked up by name. The procedure exists
// only on Windows 9x, where a screen saver had a password of its own.
// Windows of the NT family, 64-bit Windows among them, has MPR.DLL (its
// network provider router) without the procedure: there the password that
// ends a saver is the user's logon password, and the system never starts a
// saver with /a. Run by hand there, /a shows the second message; the first
// shows only where MPR.DLL itself is missing. (Wine's MPR.DLL has the
// procedure, so a run under Wine takes the third way: the procedure.)
#include "shell/Password.h"

#include "shell/win32/PasswordChange.h"

namespace sandloop {

namespace password {

Library LoadMpr() {
  Library library;
  HMODULE mpr = LoadLibraryA("MPR.DLL");
  if (mpr == nullptr) return library;
  library.found = true;
  library.hold = std::shared_ptr<void>(mpr, [](void* module) { FreeLibrary(static_cast<HMODULE>(module)); });
  library.change = reinterpret_cast<PwdChangePasswordProc>(reinterpret_cast<void*>(GetProcAddress(mpr, "PwdChangePasswordA")));
  return library;
}

void ChangePassword(HWND owner, const Loader& load, const MessageSink& say) {
  constexpr const char* kCaption = "Screen saver";  // the shell's message caption
  const Library mpr = load();
  if (!mpr.found) {
    say(owner, kNoPasswordLibrary, kCaption);
    return;
  }
  if (mpr.change == nullptr) {
    say(owner, kNoPasswordProcedure, kCaption);
    return;
  }
  mpr.change("SCRSAVE", owner, 0, nullptr);
}

}  // namespace password

void ChangePassword(display::WindowId owner) {
  password::ChangePassword(reinterpret_cast<HWND>(owner), password::LoadMpr,
                           [](HWND parent, const std::string& text, const std::string& caption) {
                             MessageBoxA(parent, text.c_str(), caption.c_str(), MB_OK);
                           });
}

}  // namespace sandloop
