#pragma once
// Character helpers shared by the stages that read and write the settings
// file (RegFileLines, RegFileKeys, RegFileValues, RegFileSalvage): ASCII
// case folding as the registry compares names, hex digits, and the blanks
// the export format allows around its parts. The UTF-8 / UTF-16LE
// conversions are declared in RegFile.h, since the tests and the settings
// store use them too; they live in RegFileText.cpp.
#include <cstdint>
#include <string>
#include <string_view>

namespace sandloop::regfile {

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Names and key paths compare without regard to ASCII case, as in the registry.
inline bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

inline bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameName(s.substr(0, prefix.size()), prefix);
}

// The value of a hex digit in either case, or -1.
inline int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Without trailing blanks and line-end characters.
inline std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
  return s;
}

inline std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

// Appends a code point (at most U+10FFFF, no surrogate) as UTF-8.
void AppendUtf8(std::string& out, std::uint32_t cp);

}  // namespace sandloop::regfile
