#pragma once
// The file that holds the per-user registry values, and the rules that keep
// it whole: readers see either the old or the new file, never a half
// written one, because every change is written to a temporary file, flushed
// to disk and renamed over the old file. Changes are made under an
// exclusive lock on a companion ".lock" file, re-reading the file first, so
// that two processes (the running scene and the dialog) never drop each
// other's values. A file that cannot be parsed is never overwritten: it is
// kept under a new name beside itself, every value that can still be read
// from it is written back in its place, and the values that were lost are
// reported. A file too large to be a settings file is moved aside unread.
//
// A store path that is a symbolic link is written through the link: the
// link stays and its target is replaced in the target's own folder. A path
// that is not a regular file (a FIFO, a device, a folder) is refused
// without being opened in a way that could block.
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>

#include "settings/RegFile.h"

namespace sandloop {

// $XDG_CONFIG_HOME/sandloop/registry.reg, or <home>/.config/sandloop/registry.reg
// when XDG_CONFIG_HOME is unset or not an absolute path; the home is $HOME,
// or the account's home from the user database when HOME is unset or
// empty. Empty when there is no home at all: nothing can be stored.
std::string DefaultStorePath();
// The same rule over given values (null: unset).
std::string StorePathFrom(const char* xdg_config_home, const char* home, const char* account_home);

// Files larger than this are not settings files.
constexpr long kMaxStoreFileSize = 1024 * 1024;

class RegStore {
 public:
  // Receives the text of a report about a damaged or refused file; the
  // text also goes to standard error.
  using Reporter = std::function<void(const std::string& message)>;
  // Completes the values salvaged from a damaged file before they are
  // written back (for instance with defaults for the values that were lost).
  using Repair = std::function<void(RegDocument& salvaged)>;

  enum class UpdateResult {
    Written,    // the new file is in place
    NotOpened,  // the folder or the lock could not be made: nothing written
    Failed,     // the new file could not be written: the old one is intact
  };

  explicit RegStore(std::string path, Reporter reporter = {});

  const std::string& Path() const { return path_; }

  // The current file; nullopt when there is none or it cannot be read. A
  // damaged file is kept aside and what could be salvaged from it (after
  // `repair`) is written in its place and returned.
  std::optional<RegDocument> Read(const Repair& repair = {}) const;

  // Locks, reads the current file (or starts a new one), lets `change` edit
  // it and replaces the file. `change` runs under the lock and must be
  // short.
  UpdateResult Update(const std::function<void(RegDocument&)>& change) const;

 private:
  enum class LoadStatus { Ok, Missing, Unreadable, NotRegular, TooLarge, Damaged };
  struct Loaded {
    LoadStatus status = LoadStatus::Missing;
    RegDocument doc;       // Ok
    std::string bytes;     // Damaged: the file's bytes, for salvaging
    RegParseError error;   // Damaged
    std::string what;      // NotRegular: what the path is
    mode_t mode = 0;       // Ok, Damaged: the file's permissions
  };
  Loaded Load() const;
  // The file the store's path names once symbolic links are followed.
  std::string Target() const;
  // Keeps a damaged file under a new name beside itself (the lock must be
  // held): as a second link when `keep_in_place`, so that the path never
  // goes missing, else by renaming it. Empty when it could not be kept.
  std::string KeepAside(bool keep_in_place) const;
  // Writes `doc` in place of the file (the lock must be held).
  bool Replace(const RegDocument& doc, bool keep_mode, mode_t mode) const;
  void Report(const std::string& message) const;
  static std::string Describe(const RegParseError& error);

  std::string path_;
  Reporter reporter_;
};

}  // namespace sandloop
