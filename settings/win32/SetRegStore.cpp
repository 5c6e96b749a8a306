// TSetReg's store on Windows: the registry itself, under HKEY_CURRENT_USER.
//
// Reads open the key with KEY_READ only, so that a key the user may read
// but not write still loads and is not taken for a first run; a save into
// such a key raises an error saying that the key cannot be written.
//
// A save of several values is all or nothing, also when the process dies
// half way. The registry sets one value at a time, so the values first go
// into a journal, the sibling key "<Product>.new", and a mark is set there
// after the last of them. Once the mark is set the save has taken place:
// the values are then copied into the key and the journal is removed.
// Readers take the key's values with those of a marked journal laid over
// them and ignore a journal without the mark, so that a save cut short
// anywhere leaves either every old value or every new one. The next save
// first finishes a marked journal left behind and removes an unmarked one.
// A key written before there was a journal has none and reads as it is.
// This needs only the key and value calls that every Windows version and
// Wine have. Swapping in a fresh key with RegRenameKey would not do: a
// rename cannot replace an existing key, so the key would be missing
// between removing the old one and renaming the new one.
//
// A mutex named after the key keeps the saver and its dialog, which may run
// at the same time, from reading the key while the other is half way
// through a save.
//
// A load gives the store the values' first-run values (SetSalvageDefaults).
// A value that is then missing, or not of its first-run value's kind and
// size (a REG_SZ or a REG_QWORD for a number, a 4-byte float), reads as its
// first-run value and is named in one report; the next save of the settings
// stores it correctly. A single Read outside a load keeps the errors of
// SetReg.h.
//
// The program's headers come first: <windows.h> defines the REG_* kinds as
// macros, which would break their declarations in RegFile.h.
#include "settings/SetReg.h"
#include "settings/win32/RegistryFaults.h"
#include "kit/os/win32/Text.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace sandloop {

std::function<long(const std::string& change)> RegistryChangeHook;

namespace {

using Values = std::vector<std::pair<std::string, RegValue>>;

// The journal's mark: set after its last value. No setting has this name.
constexpr char kJournalMark[] = "(complete)";
// How long a load or a save waits for another process's save to end.
constexpr DWORD kLockWaitMs = 10000;

std::wstring SubKey(const std::string& company, const std::string& product) {
  return os::Widen("SOFTWARE\\" + company + "\\" + product);
}

// Closes a key when it leaves scope.
class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() { Close(); }
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }
  void Close() {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = nullptr;
  }

 private:
  HKEY key_ = nullptr;
};

// Holds the mutex of one key of the current session while alive. A mutex
// left by a process that died counts as free: the journal rules keep the
// key whole whatever that process was doing.
class KeyLock {
 public:
  explicit KeyLock(const std::wstring& subkey) {
    std::wstring name = L"Sandloop.settings:" + subkey;
    std::replace(name.begin(), name.end(), L'\\', L'/');  // a backslash would name a namespace
    mutex_ = CreateMutexW(nullptr, FALSE, (L"Local\\" + name).c_str());
    if (mutex_ == nullptr) return;
    const DWORD waited = WaitForSingleObject(mutex_, kLockWaitMs);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  KeyLock(const KeyLock&) = delete;
  KeyLock& operator=(const KeyLock&) = delete;
  ~KeyLock() {
    if (held_) ReleaseMutex(mutex_);
    if (mutex_ != nullptr) CloseHandle(mutex_);
  }
  bool Held() const { return held_; }

 private:
  HANDLE mutex_ = nullptr;
  bool held_ = false;
};

// The system's text for an error code, without its final full stop.
std::string SystemMessage(LSTATUS status) {
  wchar_t text[256];
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                 static_cast<DWORD>(status), 0, text, 256, nullptr);
  std::string out = os::Narrow(std::wstring_view(text, n));
  while (!out.empty() && (out.back() == '.' || static_cast<unsigned char>(out.back()) <= ' ')) out.pop_back();
  return out.empty() ? "error " + std::to_string(status) : out;
}

std::string KindName(std::uint32_t type) {
  switch (type) {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_DWORD_BIG_ENDIAN: return "REG_DWORD_BIG_ENDIAN";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_QWORD: return "REG_QWORD";
    default: return "value of type " + std::to_string(type);
  }
}

bool IsMark(const std::string& name) { return name == kJournalMark; }

bool Marked(const Values& values) {
  return std::any_of(values.begin(), values.end(), [](const auto& v) { return IsMark(v.first); });
}

// Every value of an open key; false when the key cannot be listed.
bool ReadValues(HKEY key, Values* out) {
  DWORD max_name = 0, max_data = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &max_name, &max_data,
                       nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  std::wstring name(max_name + 1, L'\0');
  std::vector<std::uint8_t> data(max_data + 1);
  for (DWORD i = 0;; ++i) {
    DWORD name_size = static_cast<DWORD>(name.size());
    DWORD data_size = static_cast<DWORD>(data.size());
    DWORD type = 0;
    const LSTATUS status = RegEnumValueW(key, i, name.data(), &name_size, nullptr, &type, data.data(), &data_size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) continue;  // changed by hand while read: read as missing
    out->emplace_back(os::Narrow(std::wstring_view(name.data(), name_size)),
                      RegValue::Typed(type, std::vector<std::uint8_t>(data.begin(), data.begin() + data_size)));
  }
  return true;
}

// A change to the registry goes through the tests' hook first.
LSTATUS Fault(const std::string& change) { return RegistryChangeHook ? RegistryChangeHook(change) : ERROR_SUCCESS; }

LSTATUS SetValue(HKEY key, const std::string& name, const RegValue& value) {
  if (const LSTATUS fault = Fault(name); fault != ERROR_SUCCESS) return fault;
  // Text kept in its quoted form is UTF-8; the registry holds UTF-16.
  const std::vector<std::uint8_t> bytes = value.quoted ? Utf8ToUtf16le(value.text, true) : value.data;
  return RegSetValueExW(key, os::Widen(name).c_str(), 0, value.type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

LSTATUS DeleteJournal(const std::wstring& journal) {
  if (const LSTATUS fault = Fault(std::string()); fault != ERROR_SUCCESS) return fault;
  const LSTATUS status = RegDeleteKeyW(HKEY_CURRENT_USER, journal.c_str());
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

// Copies a marked journal's values into the key (creating it) and removes
// the journal. Until the journal is gone, readers take its values.
bool FinishJournal(const std::wstring& path, const std::wstring& journal, const Values& values) {
  Key key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                      key.Out(), nullptr) != ERROR_SUCCESS)
    return false;
  for (const auto& [name, value] : values)
    if (!IsMark(name) && SetValue(key.Get(), name, value) != ERROR_SUCCESS) return false;
  return DeleteJournal(journal) == ERROR_SUCCESS;
}

// Finishes a marked journal that a save cut short left behind, or removes
// an unmarked one, so that a new save starts from a key without a journal.
bool SettleJournal(const std::wstring& path, const std::wstring& journal_path) {
  Key journal;
  const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, journal_path.c_str(), 0, KEY_READ, journal.Out());
  if (status == ERROR_FILE_NOT_FOUND) return true;
  if (status != ERROR_SUCCESS) return false;
  Values values;
  const bool marked = ReadValues(journal.Get(), &values) && Marked(values);
  journal.Close();
  return marked ? FinishJournal(path, journal_path, values) : DeleteJournal(journal_path) == ERROR_SUCCESS;
}

// Replaces every value of `defaults` that the key in `doc` lacks or holds
// with another kind or size by its default. Returns the list of those
// values and what was wrong with each, for the report; empty when none.
std::string RepairValues(RegDocument& doc, const std::string& key, const Values& defaults) {
  std::string damaged;
  for (const auto& [name, fallback] : defaults) {
    const std::optional<RegValue> v = doc.Get(key, name);
    std::string why;
    if (!v) {
      why = "missing";
    } else if (v->type != fallback.type) {
      why = "a " + KindName(v->type) + ", not a " + KindName(fallback.type);
    } else if (v->Size() != fallback.Size()) {
      why = std::to_string(v->Size()) + " bytes, not " + std::to_string(fallback.Size());
    } else {
      continue;
    }
    doc.Set(key, name, fallback);
    damaged += (damaged.empty() ? "'" : "; '") + name + "' (" + why + ")";
  }
  return damaged;
}

}  // namespace

std::string TSetReg::GetStorePath() const { return KeyPath(); }

std::string TSetReg::UsablePath() { return KeyPath(); }

bool TSetReg::LoadStore(std::optional<RegDocument>* doc) {
  doc->reset();
  const std::wstring path = SubKey(FCompanyName, FProductName);
  const std::wstring journal_path = path + L".new";
  // Read even when another process holds the lock too long: a writer that
  // hangs must not keep the saver from starting.
  KeyLock lock(path);
  Key key, journal;
  Values values, journal_values;
  const bool has_key = RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Out()) == ERROR_SUCCESS;
  if (has_key) ReadValues(key.Get(), &values);
  const bool marked =
      RegOpenKeyExW(HKEY_CURRENT_USER, journal_path.c_str(), 0, KEY_READ, journal.Out()) == ERROR_SUCCESS &&
      ReadValues(journal.Get(), &journal_values) && Marked(journal_values);
  if (!has_key && !marked) return true;  // no key: a first run
  // The key as a document of one section, so that reads follow the same
  // rules as those of the export file.
  RegParseError error;
  std::optional<RegDocument> read =
      RegDocument::Parse("Windows Registry Editor Version 5.00\r\n\r\n[" + KeyPath() + "]\r\n", &error);
  if (!read) return true;
  for (const auto& [name, value] : values) read->Set(KeyPath(), name, value);
  if (marked)
    for (const auto& [name, value] : journal_values)
      if (!IsMark(name)) read->Set(KeyPath(), name, value);
  if (!FSalvageDefaults.empty()) {
    const std::string damaged = RepairValues(*read, KeyPath(), FSalvageDefaults);
    if (!damaged.empty()) {
      const std::string message = "the settings key '" + KeyPath() +
                                  "' holds values that cannot be read; they start from their first-run values, "
                                  "which the next save stores: " +
                                  damaged;
      std::fprintf(stderr, "sandloop: %s\n", message.c_str());
      Report(message);
    }
  }
  *doc = std::move(read);
  return true;
}

TSetReg::StoreResult TSetReg::StoreValues(const std::vector<std::pair<std::string, RegValue>>& values,
                                          std::string* error) {
  const std::wstring path = SubKey(FCompanyName, FProductName);
  const std::wstring journal_path = path + L".new";
  KeyLock lock(path);
  if (!lock.Held()) return StoreResult::NotOpened;
  const std::string cannot_write = "The settings key '" + KeyPath() + "' cannot be written";
  // An existing key must take values before anything is changed, the
  // journal beside it included.
  Key key;
  const LSTATUS opened = RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, key.Out());
  if (opened != ERROR_SUCCESS && opened != ERROR_FILE_NOT_FOUND) {
    Key readable;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, readable.Out()) != ERROR_SUCCESS)
      return StoreResult::NotOpened;  // neither read nor written: as if there were no key
    *error = cannot_write + " (" + SystemMessage(opened) + ")";
    return StoreResult::Failed;
  }
  if (!SettleJournal(path, journal_path)) {
    *error = cannot_write + " (a save left unfinished cannot be completed)";
    return StoreResult::Failed;
  }

  if (values.size() == 1) {  // the registry sets a single value whole
    if (key.Get() == nullptr && RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                KEY_SET_VALUE, nullptr, key.Out(), nullptr) != ERROR_SUCCESS)
      return StoreResult::NotOpened;
    if (SetValue(key.Get(), values.front().first, values.front().second) != ERROR_SUCCESS) {
      *error = "Failed to set data for '" + values.front().first + "'";
      return StoreResult::Failed;
    }
    return StoreResult::Written;
  }

  Key journal;
  const LSTATUS created = RegCreateKeyExW(HKEY_CURRENT_USER, journal_path.c_str(), 0, nullptr,
                                          REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, journal.Out(), nullptr);
  if (created != ERROR_SUCCESS) {
    if (key.Get() == nullptr) return StoreResult::NotOpened;  // the key could not have been created either
    *error = cannot_write + " (" + SystemMessage(created) + ")";
    return StoreResult::Failed;
  }
  auto abandon = [&](std::string message) {
    journal.Close();
    RegDeleteKeyW(HKEY_CURRENT_USER, journal_path.c_str());
    *error = std::move(message);
    return StoreResult::Failed;
  };
  for (const auto& [name, value] : values)
    if (SetValue(journal.Get(), name, value) != ERROR_SUCCESS) return abandon("Failed to set data for '" + name + "'");
  if (const LSTATUS status = SetValue(journal.Get(), kJournalMark, RegValue::Dword(1)); status != ERROR_SUCCESS)
    return abandon(cannot_write + " (" + SystemMessage(status) + ")");
  journal.Close();
  // The save has taken place: readers see the journal's values from here
  // on. Should moving them into the key fail, the next save finishes it.
  FinishJournal(path, journal_path, values);
  return StoreResult::Written;
}

}  // namespace sandloop
