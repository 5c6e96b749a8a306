// TSetReg's store on POSIX systems: the key lives in a registry export file
// (RegStore.h) in the user's configuration folder.
#include <cstdio>

#include "settings/SetReg.h"
#include "settings/posix/RegStore.h"

namespace sandloop {

std::string TSetReg::GetStorePath() const {
  return FStorePath.empty() ? DefaultStorePath() : FStorePath;
}

std::string TSetReg::UsablePath() {
  std::string path = GetStorePath();
  if (path.empty() && !FNoHomeReported) {
    FNoHomeReported = true;
    const std::string message =
        "there is no home folder (HOME is unset and the user database has none), so the settings "
        "cannot be stored: the saver runs on its defaults and writes nothing";
    std::fprintf(stderr, "sandloop: %s\n", message.c_str());
    Report(message);
  }
  return path;
}

bool TSetReg::LoadStore(std::optional<RegDocument>* doc) {
  const std::string path = UsablePath();
  if (path.empty()) return false;
  const std::string key = KeyPath();
  RegStore store(path, [this](const std::string& message) { Report(message); });
  *doc = store.Read([this, &key](RegDocument& salvaged) {
    if (!salvaged.HasKey(key)) return;  // the key itself was lost: a first run
    for (const auto& [name, value] : FSalvageDefaults)
      if (!salvaged.Get(key, name)) salvaged.Set(key, name, value);
  });
  return true;
}

TSetReg::StoreResult TSetReg::StoreValues(const std::vector<std::pair<std::string, RegValue>>& values,
                                          std::string* error) {
  const std::string path = UsablePath();
  if (path.empty()) return StoreResult::NotOpened;
  RegStore store(path, [this](const std::string& message) { Report(message); });
  const std::string key = KeyPath();
  switch (store.Update([&](RegDocument& doc) {
    for (const auto& [name, value] : values) doc.Set(key, name, value);
  })) {
    case RegStore::UpdateResult::Written:
      return StoreResult::Written;
    case RegStore::UpdateResult::NotOpened:
      return StoreResult::NotOpened;
    case RegStore::UpdateResult::Failed:
      break;
  }
  // The file is replaced whole, so no single value is the one that failed.
  *error = "Failed to set data for '" + (values.empty() ? std::string() : values.front().first) + "'";
  return StoreResult::Failed;
}

}  // namespace sandloop
