// The embedded files on Windows: RCDATA resources of the program, which
// the system finds by name without regard to case.
#include "assets/Resources.h"

#include <windows.h>
#undef FindResource

#include <algorithm>

namespace sandloop::assets {

namespace {
BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
  if (IS_INTRESOURCE(name)) return TRUE;
  auto* names = reinterpret_cast<std::vector<std::string>*>(param);
  std::string narrow;
  for (const wchar_t* c = name; *c != 0; ++c) narrow += static_cast<char>(*c < 0x80 ? *c : '?');
  names->push_back(std::move(narrow));
  return TRUE;
}
}  // namespace

std::optional<Bytes> FindResource(std::string_view name) {
  // Names are ASCII, and a resource name cannot hold a zero or start with "#".
  if (name.empty() || name.front() == '#' || name.find('\0') != std::string_view::npos) return std::nullopt;
  const std::wstring wide(name.begin(), name.end());
  HRSRC found = FindResourceW(nullptr, wide.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (found == nullptr) return std::nullopt;
  HGLOBAL loaded = LoadResource(nullptr, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return std::nullopt;
  return Bytes(static_cast<const std::uint8_t*>(bytes), SizeofResource(nullptr, found));
}

std::vector<std::string> ResourceNames() {
  std::vector<std::string> names;
  EnumResourceNamesW(nullptr, MAKEINTRESOURCEW(10), CollectName, reinterpret_cast<LONG_PTR>(&names));
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace sandloop::assets
