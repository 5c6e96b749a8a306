#include "tests/settings/win32/RegistryTestKey.h"

#include <windows.h>

namespace sandloop::test {

namespace {
std::wstring SubKey(const std::string& company, const std::string& product) {
  const std::string path = "SOFTWARE\\" + company + "\\" + product;
  return std::wstring(path.begin(), path.end());
}
}  // namespace

void DeleteTestKey(const std::string& company, const std::string& product) {
  RegDeleteTreeW(HKEY_CURRENT_USER, SubKey(company, product).c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, SubKey(company, product).c_str());
}

int CountTestKeyValues(const std::string& company, const std::string& product) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, SubKey(company, product).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return -1;
  DWORD values = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(key);
  return static_cast<int>(values);
}

}  // namespace sandloop::test
