#include "shell/Shell.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "kit/Forms.h"
#include "kit/Picture.h"
#include "kit/RgbaPicture.h"
#include "kit/ddraw/backend.h"
#include "kit/ddraw/platform.h"
#include "scene/Unit1.h"
#include "shell/Password.h"
#include "settings/Unit2.h"

namespace sandloop {

RunMode ParseRunMode(const std::string& argument, Convention convention) {
  std::string s = argument;
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  // Windows asks for the settings so (Explorer's "Configure"); a bare
  // "sandloop" typed or started by a daemon runs the saver.
  if (s.empty() && convention == Convention::Windows) return RunMode::Configuration;
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

std::string WindowArgument(const std::vector<std::string>& args) {
  if (!args.empty() && args[0].size() > 3 && args[0][2] == ':') return args[0].substr(3);
  return args.size() > 1 ? args[1] : std::string();
}

DialogOwner SettingsOwner(const std::vector<std::string>& args) {
  DialogOwner owner;
  if (args.empty() || args[0].empty()) return owner;
  const std::string number = WindowArgument(args);
  if (number.empty()) {
    owner.foreground = true;
    return owner;
  }
  try {
    const long long value = StrToInt(number);
    if (value > 0) owner.window = static_cast<std::uintptr_t>(value);
  } catch (const EConvertError&) {
    // Not a number: no owner, as for a window that does not exist.
  }
  return owner;
}

namespace {

std::string Argument(const std::vector<std::string>& args, std::size_t i) {
  return i < args.size() ? args[i] : std::string();
}

// `picture` scaled to w x h by area averaging (an enlargement by a whole
// factor repeats each pixel exactly).
Picture Scaled(const Picture& picture, int w, int h) {
  if (picture.Width() == w && picture.Height() == h) return picture;
  RgbaPicture rgba(picture.Width(), picture.Height());
  for (int y = 0; y < picture.Height(); ++y) {
    std::uint8_t* out = rgba.Row(y);
    for (int x = 0; x < picture.Width(); ++x, out += 4) {
      const std::uint32_t c = picture.Pixel(x, y);
      out[0] = static_cast<std::uint8_t>(c >> 16);
      out[1] = static_cast<std::uint8_t>(c >> 8);
      out[2] = static_cast<std::uint8_t>(c);
      out[3] = 255;
    }
  }
  const RgbaPicture scaled = rgba.ScaledTo(w, h);
  Picture result(w, h);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* in = scaled.Row(y);
    for (int x = 0; x < w; ++x, in += 4)
      result.SetPixel(x, y, static_cast<std::uint32_t>(in[0]) << 16 | static_cast<std::uint32_t>(in[1]) << 8 | in[2]);
  }
  return result;
}

// The preview picture at the size of the host's client area, which a
// preview is to cover: the system's preview is larger than the picture at
// a scale above 100 %. The back end tells that size for a hosted target;
// where it cannot host the window, the picture keeps its own size.
Picture PreviewPicture(display::Backend& b, HWND window) {
  const Picture picture = Picture::FromResource(kPreviewBitmap);
  display::DisplayTarget host;
  host.kind = display::DisplayTarget::Kind::Hosted;
  host.foreign = window;
  if (display::Failed(b.SetTarget(host))) return picture;
  const display::DisplayMode size = b.DesktopMode();
  if (size.width < 1 || size.height < 1 || size.width > 16384 || size.height > 16384) return picture;
  return Scaled(picture, size.width, size.height);
}

void RunPreview(TApplication& app, const std::vector<std::string>& args, Convention convention) {
  const HWND window = static_cast<HWND>(StrToInt(WindowArgument(args)));
  display::Backend* b = display::CurrentBackend();
  if (b == nullptr) throw std::runtime_error("the display cannot be opened, so there is no window to draw into");
  // The host shows its window when it is ready; wait for it, handling
  // input meanwhile. There is no time-out.
  while (!b->IsWindowVisible(window)) {
    // Waiting for a window that does not exist would never end. Windows'
    // settings drop their preview window when the user moves on before
    // the saver got here; nobody is left to read a message then. A person
    // who typed a wrong number is told.
    if (!b->WindowExists(window)) {
      if (convention == Convention::Windows) return;
      throw std::runtime_error("there is no window " + std::to_string(window) + " to draw the preview into");
    }
    app.ProcessMessages();
    b->WaitEvent(10);
  }
  // Nothing drawn (the window went meanwhile): nothing to keep.
  if (!b->DrawToWindow(window, PreviewPicture(*b, window), 0, 0)) return;
  // Drawn once, the picture would vanish at the host's first repaint.
  // Where the back end draws it again at every repaint, it does so while
  // this program runs its messages: until the host's window is gone. The
  // host's going does not always wake the wait, so it is looked for once a
  // second; a repaint or other message wakes it at once.
  if (!b->KeepsPicturesDrawn()) return;
  while (b->WindowExists(window)) {
    app.ProcessMessages();
    b->WaitEvent(1000);
  }
}

void RunPasswordChange(const std::vector<std::string>& args) {
  const HWND window = static_cast<HWND>(StrToInt(WindowArgument(args)));
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
    switch (ParseRunMode(Argument(args, 0), hooks.convention)) {
      case RunMode::Preview: RunPreview(app, args, hooks.convention); break;
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
