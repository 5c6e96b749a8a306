#include "settings/dialog/win32/ConfigurationDialog.h"

#include <filesystem>
#include <vector>
#include <system_error>

#include "kit/os/win32/Text.h"
#include "settings/dialog/win32/Controls.h"
#include "settings/dialog/win32/Form2Window.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

namespace sandloop::dialog::win32 {

namespace {

// The README the installer puts beside its uninstaller, or one beside the
// program; empty when there is none.
std::string ReadmeAddress() {
  namespace fs = std::filesystem;
  std::vector<fs::path> candidates;
  wchar_t path[MAX_PATH] = {};
  if (GetModuleFileNameW(nullptr, path, MAX_PATH) != 0) candidates.push_back(fs::path(path).parent_path() / L"README.txt");
  PWSTR programs = nullptr;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramFiles, 0, nullptr, &programs)))
    candidates.push_back(fs::path(programs) / L"Sandloop" / L"README.txt");
  CoTaskMemFree(programs);
  std::error_code error;
  for (const fs::path& p : candidates)
    if (fs::is_regular_file(p, error)) return os::Narrow(p.wstring());
  return {};
}

}  // namespace

std::uintptr_t ForegroundWindow() { return reinterpret_cast<std::uintptr_t>(GetForegroundWindow()); }

MessageSink Win32MessageSink() {
  return [](const std::string& text, const std::string& caption) {
    MessageBoxW(GetActiveWindow(), Wide(text).c_str(), Wide(caption).c_str(), MB_OK);
  };
}

void RunConfigurationDialog(const std::string& title, std::uintptr_t owner_number) {
  auto owner = reinterpret_cast<HWND>(owner_number);
  if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS |
                                                     ICC_LINK_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // ShellExecute may use COM objects of the shell.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

  std::unique_ptr<Form2Model> model;
  try {
    model = Form2Model::Create(Win32MessageSink());
  } catch (const std::exception& e) {
    MessageBoxW(owner, Wide(e.what()).c_str(), Wide(title).c_str(), MB_OK | MB_ICONERROR);
    if (SUCCEEDED(com)) CoUninitialize();
    return;
  }
  model->SetWebAddress(ReadmeAddress());
  {
    Form2Window window(*model);
    if (window.Create(owner)) {
      window.RunModal();
    } else {
      MessageBoxW(owner, L"The settings dialog cannot be made: its layout or a common control is missing.",
                  Wide(title).c_str(), MB_OK | MB_ICONERROR);
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
}

}  // namespace sandloop::dialog::win32
