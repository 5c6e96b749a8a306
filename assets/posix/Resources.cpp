#include "assets/Resources.h"

#include <cctype>

#include "assets/EmbeddedTable.h"

namespace sandloop::assets {

namespace {
bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}
}  // namespace

std::optional<Bytes> FindResource(std::string_view name) {
  for (const EmbeddedEntry* e = kEmbedded; e->name != nullptr; ++e) {
    if (SameIgnoringCase(e->name, name))
      return Bytes(e->begin, static_cast<std::size_t>(e->end - e->begin));
  }
  return std::nullopt;
}

std::vector<std::string> ResourceNames() {
  std::vector<std::string> names;
  for (const EmbeddedEntry* e = kEmbedded; e->name != nullptr; ++e) names.emplace_back(e->name);
  return names;
}

}  // namespace sandloop::assets
