#pragma once
// Keys of the registry tests, all under HKEY_CURRENT_USER\SOFTWARE\SandloopTests,
// for tests that cannot include <windows.h> beside the program's headers.
#include <cstdint>
#include <string>
#include <vector>

namespace sandloop::test {

constexpr const char* kTestCompany = "SandloopTests";

// Removes SOFTWARE\<company>\<product> with everything in it.
void DeleteTestKey(const std::string& company, const std::string& product);
// The number of values in that key; -1 when it does not exist.
int CountTestKeyValues(const std::string& company, const std::string& product);

// One value of that key as the registry holds it: its kind and bytes.
bool PlaceTestValue(const std::string& company, const std::string& product, const std::string& name,
                    std::uint32_t type, const std::vector<std::uint8_t>& bytes);
bool RemoveTestValue(const std::string& company, const std::string& product, const std::string& name);
bool GetTestValue(const std::string& company, const std::string& product, const std::string& name,
                  std::uint32_t* type, std::vector<std::uint8_t>* bytes);

// Gives the key a DACL that denies the current user setting values and
// making sub-keys (everything else allowed), or, with false, one that
// allows everything.
bool DenyTestKeyWrites(const std::string& company, const std::string& product, bool deny);

}  // namespace sandloop::test
