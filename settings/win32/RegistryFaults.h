#pragma once
// The Windows store's fault hook, for tests only: called before each change
// the store makes to the registry, with the name of the value it is about
// to set, or with an empty name before it removes its journal key. A
// non-zero result stands for that call's error code and the change is not
// made; a hook that throws leaves the store at that point, as if the
// process had died there. Empty outside tests.
#include <functional>
#include <string>

namespace sandloop {

extern std::function<long(const std::string& change)> RegistryChangeHook;

}  // namespace sandloop
