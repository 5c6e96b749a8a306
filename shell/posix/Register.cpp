#include "shell/posix/Register.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kit/os/Folders.h"

namespace sandloop {

namespace fs = std::filesystem;

namespace {

constexpr const char* kAppDefaults = "/etc/X11/app-defaults/XScreenSaver";
constexpr const char* kBackupSuffix = ".before-sandloop";

// The file's lines with their endings, so that joining them gives the text back.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t nl = text.find('\n', start);
    const std::size_t end = nl == std::string::npos ? text.size() : nl + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

std::string Body(const std::string& line) {
  std::string s = line;
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

std::string RightTrimmed(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  return s;
}

// A line continues onto the next when it ends in an odd number of backslashes.
bool Continues(const std::string& line) {
  const std::string b = Body(line);
  std::size_t n = 0;
  while (n < b.size() && b[b.size() - 1 - n] == '\\') ++n;
  return n % 2 == 1;
}

bool StartsProgramsResource(const std::string& line, bool star) {
  const char* name = star ? "*programs:" : "programs:";
  return line.compare(0, std::strlen(name), name) == 0;
}

// [first, last] line indexes of the programs value; false when none.
bool FindBlock(const std::vector<std::string>& lines, bool star, std::size_t* first, std::size_t* last) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!StartsProgramsResource(lines[i], star)) continue;
    std::size_t j = i;
    while (Continues(lines[j]) && j + 1 < lines.size()) ++j;
    *first = i;
    *last = j;
    return true;
  }
  return false;
}

// Whether an entry of the value runs sandloop: entries are separated by the
// two characters \n; each may start with "-" (disabled) and a visual name
// and colon ("GL:"); the command's first word is compared by its last part.
bool ListsSandloop(const std::string& value) {
  std::string flat;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == '\n') {
      ++i;  // a continued line
      continue;
    }
    if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == 'n') {
      flat += '\n';
      ++i;
      continue;
    }
    flat += value[i];
  }
  std::istringstream entries(flat);
  std::string entry;
  while (std::getline(entries, entry)) {
    std::size_t p = entry.find_first_not_of(" \t");
    if (p == std::string::npos) continue;
    if (entry[p] == '-') p = entry.find_first_not_of(" \t", p + 1);
    if (p == std::string::npos) continue;
    // A visual name ends with a colon before the command.
    const std::size_t word_end = entry.find_first_of(" \t", p);
    const std::string first = entry.substr(p, word_end == std::string::npos ? std::string::npos : word_end - p);
    if (!first.empty() && first.back() == ':') {
      p = entry.find_first_not_of(" \t", word_end);
      if (p == std::string::npos) continue;
    }
    const std::size_t end = entry.find_first_of(" \t", p);
    std::string command = entry.substr(p, end == std::string::npos ? std::string::npos : end - p);
    const std::size_t slash = command.rfind('/');
    if (slash != std::string::npos) command = command.substr(slash + 1);
    if (command == "sandloop") return true;
  }
  return false;
}

std::string Join(const std::vector<std::string>& lines, std::size_t from, std::size_t to) {
  std::string s;
  for (std::size_t i = from; i < to && i < lines.size(); ++i) s += lines[i];
  return s;
}

bool ReadFile(const fs::path& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  *text = s.str();
  return !in.bad();
}

bool WriteFile(const fs::path& path, const std::string& text, mode_t mode) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = std::fflush(f) == 0 && ok;
  ok = fsync(fileno(f)) == 0 && ok;
  ok = std::fclose(f) == 0 && ok;
  if (ok) chmod(path.c_str(), mode);
  return ok;
}

}  // namespace

std::string ProgramsEntry(const std::string& command) { return "\t\t\t\t" + command + "\t\t\t\t    \\n"; }

std::string DefaultProgramsBlock(const std::string& app_defaults_text) {
  const std::vector<std::string> lines = Lines(app_defaults_text);
  std::size_t first = 0, last = 0;
  if (!FindBlock(lines, true, &first, &last)) return "";
  return Join(lines, first, last + 1).substr(1);  // without the "*"
}

std::optional<std::string> AddToPrograms(const std::string& text, const std::string& command,
                                         const std::string& defaults_block) {
  std::vector<std::string> lines = Lines(text);
  std::size_t first = 0, last = 0;
  const std::string entry = ProgramsEntry(command);
  if (!FindBlock(lines, false, &first, &last)) {
    std::string block = defaults_block.empty() ? "programs:\t\\\n" : defaults_block;
    if (ListsSandloop(block)) return std::nullopt;
    std::string add = *AddToPrograms(block, command, "");
    if (!add.empty() && add.back() != '\n') add += '\n';
    std::string out = text;
    if (!out.empty() && out.back() != '\n') out += '\n';
    return out + add;
  }
  const std::string value = Join(lines, first, last + 1).substr(std::strlen("programs:"));
  if (ListsSandloop(value)) return std::nullopt;

  const std::string ending = lines[last].substr(Body(lines[last]).size());  // "\n", "\r\n" or nothing
  const std::string nl = ending.empty() ? "\n" : ending;
  const std::string body = RightTrimmed(Body(lines[last]));
  if (last > first && body.empty()) {
    // A blank line ends the value: the entry goes before it, continued.
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last), entry + "\\" + nl);
  } else if (Continues(lines[last])) {
    // The value runs to the end of the file: the entry ends it.
    lines[last] += entry + nl;
  } else if (body.size() >= 2 && body.compare(body.size() - 2, 2, "\\n") == 0) {
    lines[last] = Body(lines[last]) + "\\" + nl + entry + ending;
  } else if (last == first && body == "programs:") {
    lines[last] = Body(lines[last]) + "\t\\" + nl + entry + ending;
  } else {
    lines[last] = Body(lines[last]) + "\\n\\" + nl + entry + ending;
  }
  return Join(lines, 0, lines.size());
}

int RegisterWithXScreenSaver(const std::string& home, const std::string& command, const std::string& app_defaults_path,
                             std::ostream& out, std::ostream& err) {
  fs::path file = fs::path(home) / ".xscreensaver";
  std::error_code ec;
  // A linked file (kept with the user's other settings) is changed where it is.
  const bool linked = fs::is_symlink(fs::symlink_status(file, ec));
  ec.clear();
  if (linked) file = fs::canonical(file, ec);
  if (ec) {
    err << "sandloop: " << (fs::path(home) / ".xscreensaver").string() << " is a link that leads nowhere\n";
    return 1;
  }
  std::string defaults_text;
  const std::string defaults = ReadFile(app_defaults_path, &defaults_text) ? DefaultProgramsBlock(defaults_text) : "";
  const bool exists = fs::exists(file, ec);
  std::string text;
  if (exists && !ReadFile(file, &text)) {
    err << "sandloop: cannot read " << file.string() << "\n";
    return 1;
  }
  if (!exists) text = "# XScreenSaver Preferences File\n# Made by sandloop --register xscreensaver: only the list of savers;\n# XScreenSaver's defaults apply to everything else.\n\n";
  const std::optional<std::string> changed = AddToPrograms(text, command, defaults);
  if (!changed) {
    out << "sandloop is already in the list of " << file.string() << ": nothing changed.\n";
    return 0;
  }
  struct stat st{};
  const mode_t mode = exists && stat(file.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  if (exists) {
    const fs::path backup = file.string() + kBackupSuffix;
    if (!WriteFile(backup, text, mode)) {
      err << "sandloop: cannot write the backup " << backup.string() << "; " << file.string() << " is unchanged\n";
      return 1;
    }
    out << "Saved a copy of " << file.string() << " as " << backup.string() << ".\n";
  }
  const fs::path temporary = file.string() + ".sandloop-new";
  if (!WriteFile(temporary, *changed, mode) || std::rename(temporary.c_str(), file.c_str()) != 0) {
    std::remove(temporary.c_str());
    err << "sandloop: cannot write " << file.string() << "; it is unchanged\n";
    return 1;
  }
  if (exists) {
    out << "Added \"" << command << "\" to the programs list of " << file.string() << ".\n";
  } else {
    out << "Made " << file.string() << " with XScreenSaver's list of savers"
        << (defaults.empty() ? "" : " (from " + app_defaults_path + ")") << " and \"" << command << "\" added.\n";
  }
  out << "Pick \"Sandloop\" in XScreenSaver's settings (xscreensaver-settings).\n";
  return 0;
}

namespace {

// XScreenSaver finds its hacks by name on the user's path and in its own
// folder (/usr/libexec/xscreensaver, where an installation into /usr puts a
// link to this program). A copy that is not found so (run from a build
// folder, or installed where the path does not lead) is named by its full
// path.
std::string HackCommand() {
  std::error_code ec;
  const fs::path self = fs::canonical(os::ProgramPath(), ec);
  if (ec) return "sandloop --root";
  std::vector<std::string> folders = {"/usr/libexec/xscreensaver"};
  if (const char* path = std::getenv("PATH")) {
    std::istringstream parts(path);
    std::string part;
    while (std::getline(parts, part, ':'))
      if (!part.empty()) folders.push_back(part);
  }
  for (const std::string& folder : folders) {
    const fs::path found = fs::canonical(fs::path(folder) / "sandloop", ec);
    if (!ec && found == self) return "sandloop --root";
  }
  return self.string() + " --root";
}

}  // namespace

int RunRegisterCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2 || args[1] != "xscreensaver") {
    err << "usage: sandloop --register xscreensaver\n";
    return 2;
  }
  const std::string home = os::UserFolderPath(os::UserFolder::Home);
  if (home.empty() || home[0] != '/') {
    err << "sandloop: HOME is not set to a folder\n";
    return 1;
  }
  return RegisterWithXScreenSaver(home, HackCommand(), kAppDefaults, out, err);
}

}  // namespace sandloop
