#include "shell/Shell.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "kit/Forms.h"
#include "kit/Picture.h"
#include "kit/ddraw/backend.h"
#include "kit/ddraw/platform.h"
#include "scene/Unit1.h"
#include "shell/Password.h"
#include "settings/Unit2.h"

namespace sandloop {

RunMode ParseRunMode(const std::string& argument) {
  std::string s = argument;
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (s.size() < 2) return RunMode::Run;
  switch (s[1]) {
    case 'P': return RunMode::Preview;
    case 'C': return RunMode::Configuration;
    case 'A': return RunMode::PasswordChange;
    default: return RunMode::Run;
  }
}

long long StrToInt(const std::string& text) {
  const auto fail = [&]() -> long long { throw EConvertError("'" + text + "' is not a valid integer value"); };
  std::size_t i = 0, end = text.size();
  while (i < end && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  while (end > i && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  if (i == end) return fail();
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
  int base = 10;
  if (i < end && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < end && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == end) return fail();
  unsigned long long value = 0;
  for (; i < end; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    int digit;
    if (std::isdigit(c)) digit = c - '0';
    else if (base == 16 && std::isxdigit(c)) digit = std::toupper(c) - 'A' + 10;
    else return fail();
    value = value * base + digit;
    if (value > 0xFFFFFFFFull) return fail();  // window ids are 32-bit
  }
  return negative ? -static_cast<long long>(value) : static_cast<long long>(value);
}

namespace {

std::string Argument(const std::vector<std::string>& args, std::size_t i) {
  return i < args.size() ? args[i] : std::string();
}

void RunPreview(TApplication& app, const std::vector<std::string>& args) {
  const HWND window = static_cast<HWND>(StrToInt(Argument(args, 1)));
  display::Backend* b = display::CurrentBackend();
  if (b == nullptr) throw std::runtime_error("the display cannot be opened, so there is no window to draw into");
  // The host shows its window when it is ready; wait for it, handling
  // input meanwhile. There is no time-out.
  while (!b->IsWindowVisible(window)) {
    // Waiting for a window that does not exist would never end.
    if (!b->WindowExists(window)) throw std::runtime_error("there is no window " + std::to_string(window) + " to draw the preview into");
    app.ProcessMessages();
    b->WaitEvent(10);
  }
  const Picture picture = Picture::FromResource(kPreviewBitmap);
  b->DrawToWindow(window, picture, 0, 0);
  // Drawn once, the picture would vanish at the host's first repaint.
  // Where the back end draws it again at every repaint, it does so while
  // this program runs its messages: until the host's window is gone.
  if (!b->KeepsPicturesDrawn()) return;
  while (b->WindowExists(window)) {
    app.ProcessMessages();
    b->WaitEvent(50);
  }
}

void RunPasswordChange(const std::vector<std::string>& args) {
  const HWND window = static_cast<HWND>(StrToInt(Argument(args, 1)));
  ChangePassword(window);
}

void RunConfiguration(TApplication& app, const ShellHooks& hooks) {
  app.SetTitle(kConfigTitle);
  if (hooks.configure) {
    hooks.configure(app.Title());
    return;
  }
  MessageBoxA(0, "The settings dialog is not available in this version; the saver runs with its stored settings.",
              kMessageCaption, MB_OK);
}

void RunScene(TApplication& app, const SceneOptions& scene) {
  TForm1* form = app.CreateForm<TForm1>(SystemClock(), scene);
  try {
    form->FormCreate();
  } catch (const std::exception& e) {
    app.HandleException(e);
  }
  // The configuration form is made as well and stays hidden; its messages
  // go to the run's log.
  std::unique_ptr<TForm2> form2;
  try {
    form2 = CreateHiddenForm2(form->DDErrorLog1);
  } catch (const std::exception& e) {
    app.HandleException(e);
  }
  app.Run();
}

}  // namespace

int SandloopMain(const std::vector<std::string>& args, const SceneOptions& scene, const ShellHooks& hooks) {
  TApplication app;
  try {
    app.Initialize();
    switch (ParseRunMode(Argument(args, 0))) {
      case RunMode::Preview: RunPreview(app, args); break;
      case RunMode::Configuration: RunConfiguration(app, hooks); break;
      case RunMode::PasswordChange: RunPasswordChange(args); break;
      case RunMode::Run: RunScene(app, scene); break;
    }
  } catch (const std::exception& e) {
    app.ShowException(e);
  }
  return 0;
}

}  // namespace sandloop
