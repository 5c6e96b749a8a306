#pragma once
// The settings dialog runs in a program of its own, sandloop-settings, so
// that the saver itself never loads the dialog's toolkit: a running saver
// then keeps about 10 MB less of shared libraries resident and starts
// faster. `sandloop /c` (and every other spelling of configuration mode)
// hands over to that program with the same arguments.
#include <string>
#include <vector>

namespace sandloop {

// Where the settings program is looked for, in order: beside the running
// program `self` (the build tree, or both copied together), then where an
// installation puts it, relative to the program's folder
// (bin/../libexec/sandloop, whatever the prefix).
[[nodiscard]] std::vector<std::string> SettingsProgramCandidates(const std::string& self);

// Replaces this process with the first settings program found, passing
// `argv` (argv[0] is replaced by its path). Returns only when none could be
// started, with the reason in `why`.
void ExecSettingsProgram(char** argv, std::string* why);

}  // namespace sandloop
