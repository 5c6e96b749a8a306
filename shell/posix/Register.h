#pragma once
// sandloop --register xscreensaver: adds the saver to the user's
// ~/.xscreensaver so that it appears in XScreenSaver's list.
//
// The file is a resource file; its `programs:` value is one entry per line,
// each ended by the two characters \n, lines continued with a backslash
// before the line break. The entry is added after the last one (so that
// the `selected:` index of the user's current saver stays right), and every
// other byte of the file is kept. Nothing changes when an entry running
// sandloop is there already, enabled or disabled ("-" in front).
//
// A file without a `programs:` value would take the installed list from
// XScreenSaver's own defaults; a list holding only this saver would hide
// all the others, so that default list is copied in with the entry added.
// Without a file, a minimal one is made that holds just that list, and
// XScreenSaver's defaults apply to everything else.
//
// The old file is copied to ~/.xscreensaver.before-sandloop first; the new
// one replaces it in one rename (through a symbolic link, to its target).
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace sandloop {

// The entry this program adds: four tabs, the command, padding, "\n".
[[nodiscard]] std::string ProgramsEntry(const std::string& command);

// The `programs:` block of a defaults file (from the line that starts with
// "*programs:" through its last continued line), renamed to "programs:";
// empty when there is none.
[[nodiscard]] std::string DefaultProgramsBlock(const std::string& app_defaults_text);

// What adding `command` to the file text gives; nullopt when a sandloop
// entry is there already. `defaults_block` is used when the text has no
// programs value.
[[nodiscard]] std::optional<std::string> AddToPrograms(const std::string& text, const std::string& command,
                                                       const std::string& defaults_block);

// Registers in `home`/.xscreensaver, saying what it did on `out` (or what
// went wrong on `err`). Returns 0, or 1 when the file could not be read or
// written (nothing is lost then).
int RegisterWithXScreenSaver(const std::string& home, const std::string& command, const std::string& app_defaults_path,
                             std::ostream& out, std::ostream& err);

// sandloop --register xscreensaver: `args` are the arguments after the
// program name. 0 on success, 1 on a failure, 2 on bad usage.
int RunRegisterCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace sandloop
