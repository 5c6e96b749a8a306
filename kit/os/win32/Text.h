#pragma once
// UTF-8 <-> UTF-16 for the system's wide-character calls.
#include <string>
#include <string_view>

namespace sandloop::os {

[[nodiscard]] std::wstring Widen(std::string_view utf8);
[[nodiscard]] std::string Narrow(std::wstring_view utf16);

}  // namespace sandloop::os
