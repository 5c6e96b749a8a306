// MPR.DLL's PwdChangePasswordA, looked up by name. The procedure exists
// only on Windows 9x, where a screen saver had a password of its own.
// Windows of the NT family, 64-bit Windows among them, has MPR.DLL (its
// network provider router) without the procedure: there the password that
// ends a saver is the user's logon password, and the system never starts a
// saver with /a. Run by hand there, /a shows the second message; the first
// shows only where MPR.DLL itself is missing.
#include "shell/Password.h"

#include <windows.h>

namespace sandloop {

namespace {
constexpr const char* kCaption = "Screen saver";  // the shell's message caption
}

void ChangePassword(display::WindowId owner) {
  HWND parent = reinterpret_cast<HWND>(owner);
  HMODULE mpr = LoadLibraryA("MPR.DLL");
  if (mpr == nullptr) {
    MessageBoxA(parent, kNoPasswordLibrary, kCaption, MB_OK);
    return;
  }
  using PwdChangePassword = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
  auto change = reinterpret_cast<PwdChangePassword>(reinterpret_cast<void*>(GetProcAddress(mpr, "PwdChangePasswordA")));
  if (change == nullptr) {
    FreeLibrary(mpr);
    MessageBoxA(parent, kNoPasswordProcedure, kCaption, MB_OK);
    return;
  }
  change("SCRSAVE", parent, 0, nullptr);
  FreeLibrary(mpr);
}

}  // namespace sandloop
