#pragma once
// The file that holds the per-user registry values, and the rules that keep
// it whole: readers see either the old or the new file, never a half
// written one, because every change is written to a temporary file, flushed
// to disk and renamed over the old file. Changes are made under an
// exclusive lock on a companion ".lock" file, re-reading the file first, so
// that two processes (the running scene and the dialog) never drop each
// other's values. A file that cannot be parsed is never overwritten: it is
// moved aside under a new name and reported, and the store goes on as if
// there were no file.
#include <functional>
#include <optional>
#include <string>

#include "settings/RegFile.h"

namespace sandloop {

// $XDG_CONFIG_HOME/sandloop/registry.reg, or ~/.config/sandloop/registry.reg
// when XDG_CONFIG_HOME is unset or not an absolute path.
std::string DefaultStorePath();

class RegStore {
 public:
  // Receives the text of a report about a damaged file; the text also goes
  // to standard error.
  using Reporter = std::function<void(const std::string& message)>;

  enum class UpdateResult {
    Written,    // the new file is in place
    NotOpened,  // the folder or the lock could not be made: nothing written
    Failed,     // the new file could not be written: the old one is intact
  };

  explicit RegStore(std::string path, Reporter reporter = {});

  const std::string& Path() const { return path_; }

  // The current file; nullopt when there is none, it cannot be read, or it
  // was damaged (then it has been moved aside and reported).
  std::optional<RegDocument> Read() const;

  // Locks, reads the current file (or starts a new one), lets `change` edit
  // it and replaces the file. `change` runs under the lock and must be
  // short.
  UpdateResult Update(const std::function<void(RegDocument&)>& change) const;

 private:
  enum class LoadStatus { Ok, Missing, Unreadable, Damaged };
  LoadStatus Load(RegDocument* doc, RegParseError* error) const;
  // Moves a damaged file aside (the lock must be held) and reports it.
  // False when it could not be moved.
  bool SetAside(const RegParseError& error) const;
  void Report(const std::string& message) const;
  static std::string Describe(const RegParseError& error);

  std::string path_;
  Reporter reporter_;
};

}  // namespace sandloop
