// TSetReg's store on Windows: the registry itself, under
// HKEY_CURRENT_USER. Every call opens the key with KEY_ALL_ACCESS,
// transfers its values and closes it again.
//
// The program's headers come first: <windows.h> defines the REG_* kinds as
// macros, which would break their declarations in RegFile.h.
#include "settings/SetReg.h"
#include "kit/os/win32/Text.h"

#include <windows.h>

namespace sandloop {

namespace {

std::wstring SubKey(const std::string& company, const std::string& product) {
  return os::Widen("SOFTWARE\\" + company + "\\" + product);
}

// Closes a key when it leaves scope.
class Key {
 public:
  ~Key() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

std::string TSetReg::GetStorePath() const { return KeyPath(); }

std::string TSetReg::UsablePath() { return KeyPath(); }

bool TSetReg::LoadStore(std::optional<RegDocument>* doc) {
  doc->reset();
  Key key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, SubKey(FCompanyName, FProductName).c_str(), 0, KEY_ALL_ACCESS, key.Out()) !=
      ERROR_SUCCESS)
    return true;  // no key: a first run
  // The key as a document of one section, so that reads follow the same
  // rules as those of the export file.
  RegParseError error;
  std::optional<RegDocument> read =
      RegDocument::Parse("Windows Registry Editor Version 5.00\r\n\r\n[" + KeyPath() + "]\r\n", &error);
  if (!read) return true;
  DWORD max_name = 0, max_data = 0;
  if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &max_name, &max_data,
                       nullptr, nullptr) != ERROR_SUCCESS)
    return true;
  std::wstring name(max_name + 1, L'\0');
  std::vector<std::uint8_t> data(max_data + 1);
  for (DWORD i = 0;; ++i) {
    DWORD name_size = static_cast<DWORD>(name.size());
    DWORD data_size = static_cast<DWORD>(data.size());
    DWORD type = 0;
    const LSTATUS status = RegEnumValueW(key.Get(), i, name.data(), &name_size, nullptr, &type, data.data(), &data_size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) continue;  // changed while read: the next read sees it
    read->Set(KeyPath(), os::Narrow(std::wstring_view(name.data(), name_size)),
              RegValue::Typed(type, std::vector<std::uint8_t>(data.begin(), data.begin() + data_size)));
  }
  *doc = std::move(read);
  return true;
}

TSetReg::StoreResult TSetReg::StoreValues(const std::vector<std::pair<std::string, RegValue>>& values) {
  Key key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, SubKey(FCompanyName, FProductName).c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.Out(), nullptr) != ERROR_SUCCESS)
    return StoreResult::NotOpened;
  for (const auto& [name, value] : values) {
    // Text kept in its quoted form is UTF-8; the registry holds UTF-16.
    const std::vector<std::uint8_t> bytes = value.quoted ? Utf8ToUtf16le(value.text, true) : value.data;
    if (RegSetValueExW(key.Get(), os::Widen(name).c_str(), 0, value.type, bytes.data(),
                       static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS)
      return StoreResult::Failed;
  }
  return StoreResult::Written;
}

}  // namespace sandloop
