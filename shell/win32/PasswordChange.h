#pragma once
// The password change on Windows, with what it asks of the system passed
// in: MPR.DLL's PwdChangePasswordA (found by a loader) and the message box
// (a sink for the two messages). ChangePassword(owner) runs it with the
// system's own; a test runs it with its own of each.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace sandloop::password {

using PwdChangePasswordProc = DWORD(WINAPI*)(LPCSTR provider, HWND parent, DWORD reserved, LPVOID reserved2);

struct Library {
  bool found = false;                       // MPR.DLL could be loaded
  PwdChangePasswordProc change = nullptr;   // its PwdChangePasswordA, where it has one
  std::shared_ptr<void> hold;               // keeps the library loaded while it is used
};
using Loader = std::function<Library()>;
// Where the two messages go: the settings' MessageSink with the window that
// owns the box.
using MessageSink = std::function<void(HWND owner, const std::string& text, const std::string& caption)>;

// MPR.DLL from the system, and its procedure looked up by name.
Library LoadMpr();

// The procedure for the provider "SCRSAVE" with `owner` as its parent; the
// first message where the library is missing, the second where it lacks
// the procedure (64-bit Windows).
void ChangePassword(HWND owner, const Loader& load, const MessageSink& say);

}  // namespace sandloop::password
