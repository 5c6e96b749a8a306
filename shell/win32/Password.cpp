// MPR.DLL's PwdChangePasswordA, looked up by name: the library belongs to
// the Windows 9x family, and systems of the NT family have neither it nor
// the procedure, so both messages can show.
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
