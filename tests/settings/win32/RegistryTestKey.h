#pragma once
// Keys of the registry tests, all under HKEY_CURRENT_USER\SOFTWARE\SandloopTests,
// for tests that cannot include <windows.h> beside the program's headers.
#include <string>

namespace sandloop::test {

constexpr const char* kTestCompany = "SandloopTests";

// Removes SOFTWARE\<company>\<product> with everything in it.
void DeleteTestKey(const std::string& company, const std::string& product);
// The number of values in that key; -1 when it does not exist.
int CountTestKeyValues(const std::string& company, const std::string& product);

}  // namespace sandloop::test
