#pragma once
// Resources built into the program: pictures, the surf sound and the city
// table. Each is found by name without regard to case, like a program's
// named resources; nothing is read from disk at run time.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sandloop::assets {

using Bytes = std::span<const std::uint8_t>;

// The bytes of the resource called `name`, or nothing when there is none.
[[nodiscard]] std::optional<Bytes> FindResource(std::string_view name);

// The names of all resources, upper case, in name order.
[[nodiscard]] std::vector<std::string> ResourceNames();

}  // namespace sandloop::assets
