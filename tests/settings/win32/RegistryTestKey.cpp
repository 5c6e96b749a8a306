#include "tests/settings/win32/RegistryTestKey.h"

#include <windows.h>
#include <sddl.h>

namespace sandloop::test {

namespace {
std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }
std::wstring SubKey(const std::string& company, const std::string& product) {
  return Wide("SOFTWARE\\" + company + "\\" + product);
}

// The current user's SID in its text form.
std::wstring UserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return L"";
  BYTE buffer[256];
  DWORD size = 0;
  std::wstring out;
  if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) {
    wchar_t* text = nullptr;
    if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
      out = text;
      LocalFree(text);
    }
  }
  CloseHandle(token);
  return out;
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

bool PlaceTestValue(const std::string& company, const std::string& product, const std::string& name,
                    std::uint32_t type, const std::vector<std::uint8_t>& bytes) {
  return RegSetKeyValueW(HKEY_CURRENT_USER, SubKey(company, product).c_str(), Wide(name).c_str(), type, bytes.data(),
                         static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

bool RemoveTestValue(const std::string& company, const std::string& product, const std::string& name) {
  return RegDeleteKeyValueW(HKEY_CURRENT_USER, SubKey(company, product).c_str(), Wide(name).c_str()) == ERROR_SUCCESS;
}

bool GetTestValue(const std::string& company, const std::string& product, const std::string& name,
                  std::uint32_t* type, std::vector<std::uint8_t>* bytes) {
  DWORD kind = 0, size = 0;
  const std::wstring key = SubKey(company, product), value = Wide(name);
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &kind, nullptr, &size) !=
      ERROR_SUCCESS)
    return false;
  bytes->resize(size);
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &kind, bytes->data(),
                   &size) != ERROR_SUCCESS)
    return false;
  bytes->resize(size);
  *type = kind;
  return true;
}

bool DenyTestKeyWrites(const std::string& company, const std::string& product, bool deny) {
  const std::wstring sid = UserSid();
  if (sid.empty()) return false;
  // 0x6: KEY_SET_VALUE | KEY_CREATE_SUB_KEY; KA: KEY_ALL_ACCESS.
  const std::wstring sddl = deny ? L"D:P(D;;0x6;;;" + sid + L")(A;;KA;;;WD)" : L"D:P(A;;KA;;;WD)";
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr)) return false;
  HKEY key = nullptr;
  LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, SubKey(company, product).c_str(), 0, WRITE_DAC, &key);
  if (status == ERROR_SUCCESS) {
    status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
    RegCloseKey(key);
  }
  LocalFree(sd);
  return status == ERROR_SUCCESS;
}

}  // namespace sandloop::test
