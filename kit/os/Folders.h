#pragma once
// Where the program is and where the user's files go: the program's own
// path, the user's folders and temporary folders. Paths are UTF-8.
#include <cstdio>
#include <string>

namespace sandloop::os {

// The running program's full path; empty when it cannot be found.
[[nodiscard]] std::string ProgramPath();

enum class UserFolder {
  Home,     // POSIX: $HOME, else the account's home; Windows: the profile folder
  Config,   // settings: $XDG_CONFIG_HOME or ~/.config; Windows: %APPDATA%
  State,    // logs: $XDG_STATE_HOME or ~/.local/state; Windows: %LOCALAPPDATA%
  Runtime,  // this login's files: $XDG_RUNTIME_DIR; Windows: %LOCALAPPDATA%
};

// The user's folder of that kind, without any program's sub-folder; empty
// when the user has none.
[[nodiscard]] std::string UserFolderPath(UserFolder kind);

// The characters that end a folder's name in a path: "/" on POSIX, "\\/"
// on Windows.
[[nodiscard]] const char* FolderSeparators();

// The program's own sub-folder within a user folder: "sandloop" on POSIX,
// "Sandloop" on Windows.
[[nodiscard]] const char* ProgramFolderName();

// The XDG rule over given values (null: unset): `xdg` when it is an
// absolute path, else `under_home` inside the home, which is `home` when
// set and not empty, else `account_home`; empty without any home.
[[nodiscard]] std::string XdgFolderFrom(const char* xdg, const char* home, const char* account_home,
                                        const char* under_home);

// A folder of this user's own inside the system's temporary folder, named
// after `name` (POSIX: /tmp/<name>-<uid>; Windows: %TEMP%\<name>). Not
// made here.
[[nodiscard]] std::string UserTempFolder(const std::string& name);

// A new, empty folder in the system's temporary folder whose name starts
// with `prefix`, private to the user; empty when none could be made.
[[nodiscard]] std::string MakeTempFolder(const std::string& prefix);

// Makes `folder` when it is missing (private to the user) and tells
// whether it is now a real folder (not a link) that belongs to the user.
[[nodiscard]] bool MakePrivateFolder(const std::string& folder);

// std::fopen for a UTF-8 path.
[[nodiscard]] std::FILE* OpenFile(const std::string& path, const char* mode);

}  // namespace sandloop::os
