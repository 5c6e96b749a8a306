#include "shell/HostOptions.h"

#include <cctype>
#include <cstdio>

#include "kit/ddraw/backend.h"
#include "shell/Shell.h"

namespace sandloop {

bool ParseWindowId(const std::string& text, std::uint32_t* id) {
  std::size_t i = 0;
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    i = 2;
  }
  if (i == text.size()) return false;
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    int digit;
    if (std::isdigit(c)) digit = c - '0';
    else if (base == 16 && std::isxdigit(c)) digit = std::toupper(c) - 'A' + 10;
    else return false;
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    if (value > 0xFFFFFFFFull) return false;  // X11 ids are 29 bits; anything past 32 is garbage
  }
  if (value == 0) return false;
  *id = static_cast<std::uint32_t>(value);
  return true;
}

namespace {

// "WxH" with both sides whole numbers from 16 to 16384.
bool ParseSize(const std::string& text, int* width, int* height) {
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string::npos || x == 0 || x + 1 == text.size()) return false;
  long long v[2] = {0, 0};
  const std::string parts[2] = {text.substr(0, x), text.substr(x + 1)};
  for (int k = 0; k < 2; ++k) {
    if (parts[k].size() > 6) return false;
    for (char c : parts[k]) {
      if (!std::isdigit(static_cast<unsigned char>(c))) return false;
      v[k] = v[k] * 10 + (c - '0');
    }
    if (v[k] < 16 || v[k] > 16384) return false;
  }
  *width = static_cast<int>(v[0]);
  *height = static_cast<int>(v[1]);
  return true;
}

// The option's value when written as "--name=value"; `name` without "=".
bool InlineValue(const std::string& arg, const std::string& name, std::string* value) {
  if (arg.size() <= name.size() || arg.compare(0, name.size(), name) != 0 || arg[name.size()] != '=') return false;
  *value = arg.substr(name.size() + 1);
  return true;
}

}  // namespace

HostOptions ParseHostOptions(const std::vector<std::string>& args, const char* xscreensaver_window) {
  HostOptions out;
  bool explicit_id = false;
  bool window = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string value;
    if (a == "-root" || a == "--root") {
      out.root = true;
    } else if (a == "-fps" || a == "--fps") {
      out.fps = true;
    } else if (a == "-window-id" || a == "--window-id" || InlineValue(a, "--window-id", &value) ||
               InlineValue(a, "-window-id", &value)) {
      if (a == "-window-id" || a == "--window-id") {
        if (i + 1 == args.size()) {
          out.error = a + " needs a window id (decimal or 0x-hexadecimal)";
          return out;
        }
        value = args[++i];
      }
      if (!ParseWindowId(value, &out.window_id)) {
        out.error = "'" + value + "' is not a window id (decimal or 0x-hexadecimal, not 0)";
        return out;
      }
      explicit_id = true;
    } else if (a == "--window" || InlineValue(a, "--window", &value)) {
      window = true;
      // The size is optional: a following argument that starts with a digit
      // is taken as it.
      if (a == "--window" && i + 1 < args.size() && !args[i + 1].empty() &&
          std::isdigit(static_cast<unsigned char>(args[i + 1][0])))
        value = args[++i];
      if (!value.empty() && !ParseSize(value, &out.width, &out.height)) {
        out.error = "'" + value + "' is not a window size: give WIDTHxHEIGHT, each 16 to 16384 (default 1024x768)";
        return out;
      }
    } else {
      out.rest.push_back(a);
    }
  }

  if (window && (explicit_id || out.root)) {
    out.error = "--window opens a window of its own and cannot be combined with -root or -window-id";
    return out;
  }
  if (window) {
    out.target = HostOptions::Target::Window;
    out.root = false;
    return out;
  }
  // Only run mode draws into a host's window; /c, /p and /a keep their own
  // meaning of the window argument.
  const bool run_mode = out.rest.empty() || ParseRunMode(out.rest[0]) == RunMode::Run;
  if (explicit_id) {
    out.target = HostOptions::Target::Hosted;
    out.root = false;
    return out;
  }
  const std::string variable = xscreensaver_window != nullptr ? xscreensaver_window : "";
  if (!variable.empty() && run_mode) {
    std::uint32_t id = 0;
    if (!ParseWindowId(variable, &id)) {
      out.error = "XSCREENSAVER_WINDOW='" + variable + "' is not a window id (decimal or 0x-hexadecimal)";
      return out;
    }
    out.target = HostOptions::Target::Hosted;
    out.window_id = id;
    out.root = false;
    return out;
  }
  if (out.root) out.target = HostOptions::Target::Hosted;
  return out;
}

std::string ApplyDisplayTarget(const HostOptions& options, display::Backend* backend) {
  using Kind = display::DisplayTarget::Kind;
  if (options.target == HostOptions::Target::FullScreen) return "";
  if (backend == nullptr) return "the display cannot be opened";
  display::DisplayTarget target;
  if (options.target == HostOptions::Target::Window) {
    target.kind = Kind::Window;
    target.width = options.width;
    target.height = options.height;
  } else {
    target.kind = Kind::Hosted;
    target.foreign = options.root ? backend->RootWindowId() : static_cast<display::WindowId>(options.window_id);
    if (target.foreign == 0) return "there is no root window to draw into (-root needs an X11 display)";
  }
  const display::Status status = backend->SetTarget(target);
  if (display::Failed(status)) {
    if (target.kind == Kind::Window) return "the window cannot be made";
    if (status == display::Status::Unsupported) return "-root and -window-id need an X11 display (this one is not)";
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(target.foreign));
    return std::string("there is no window ") + id + " to draw into";
  }
  return "";
}

}  // namespace sandloop
