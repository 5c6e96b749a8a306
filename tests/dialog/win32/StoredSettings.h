#pragma once
// What the settings key of the dialog tests holds, read back by the store
// (kept apart from the tests' code, which includes the system's headers).
#include <string>

namespace sandloop::test {

// Every stored value as "name=value" lines, in storage order.
std::string StoredSettings(const std::string& product);
// One stored value as text ("" when there is no such name).
std::string StoredValue(const std::string& product, const std::string& name);

}  // namespace sandloop::test
