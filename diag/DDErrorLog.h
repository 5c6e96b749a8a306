#pragma once
// TDDErrorLog: the program's plain-text diagnostic log. Lines are appended
// to a file in the program's folder named after the program's file name up
// to its first "." plus ".log" (/usr/bin/sandloop and /usr/bin/sandloop.scr
// both log to /usr/bin/sandloop.log), each flushed as soon as it is
// written, across runs; nothing is ever read back. Where that file cannot
// be opened (an installed program's folder is not writable by its user),
// the log goes to the program's folder in the user's state folder
// ($XDG_STATE_HOME/sandloop, default ~/.local/state/sandloop; on Windows
// %LOCALAPPDATA%\Sandloop), under the same file name. When neither can
// be opened the component still works and writes nothing.
#include <cstdio>
#include <string>

#include "kit/Component.h"
#include "kit/LocalClock.h"

namespace sandloop {

class TDDErrorLog : public TComponent {
 public:
  // Logs for the running program.
  explicit TDDErrorLog(TComponent* owner);
  // Logs for the program at `program_path`.
  TDDErrorLog(TComponent* owner, const std::string& program_path);
  ~TDDErrorLog() override;

  // Closes the file and logs from now on for the program at `program_path`
  // (a test's scene logs into its own folder this way).
  void Reopen(const std::string& program_path);

  // The program's folder, its file name up to (not including) the name's
  // first ".", then ".log".
  [[nodiscard]] std::string GetLogFileName() const;
  [[nodiscard]] static std::string LogFileNameFor(const std::string& program_path);
  // The file actually written: GetLogFileName(), the fallback in the state
  // folder, or empty when no file could be opened.
  [[nodiscard]] const std::string& OpenedPath() const { return FOpenedPath; }

  // Writes `text` as one line and flushes it.
  void WriteToLog(const std::string& text);
  // Writes "label: value", both trimmed of surrounding blanks and control
  // characters, the label cut to its first 256 characters.
  void WriteToLog(const std::string& label, const std::string& value);

  // The time of day as the log shows it, e.g. "14:05:09".
  [[nodiscard]] static std::string TimeText(const LocalTime& time);

  // The line that opens each run's block: two empty lines, then 37 asterisks.
  static constexpr const char* kRunStart = "\n\n*************************************";

 private:
  void Open();

  std::string FProgramPath;
  std::string FOpenedPath;
  std::FILE* FFile = nullptr;
};

}  // namespace sandloop
