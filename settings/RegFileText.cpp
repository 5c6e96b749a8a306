// Text conversions of the settings file: UTF-8 <-> UTF-16LE (the registry
// holds text as UTF-16, the file may be either) and the escaping of quoted
// strings. Bad input never fails: an invalid sequence becomes U+FFFD, so
// that a damaged value still reads as text.
#include "settings/RegFile.h"
#include "settings/RegFileText.h"

namespace sandloop {

namespace regfile {

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace regfile

namespace {

// The smallest code point that needs 1, 2 or 3 continuation bytes.
constexpr std::uint32_t kUtf8Min[4] = {0, 0x80, 0x800, 0x10000};

}  // namespace

std::vector<std::uint8_t> Utf8ToUtf16le(std::string_view s, bool terminate) {
  std::vector<std::uint8_t> out;
  auto put = [&out](std::uint32_t unit) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  };
  std::size_t i = 0;
  while (i < s.size()) {
    auto b0 = static_cast<std::uint8_t>(s[i]);
    std::uint32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (b0 < 0x80) {
      cp = b0;
    } else {
      int extra = (b0 & 0xE0) == 0xC0 ? 1 : (b0 & 0xF0) == 0xE0 ? 2 : (b0 & 0xF8) == 0xF0 ? 3 : 0;
      if (extra > 0 && i + static_cast<std::size_t>(extra) < s.size()) {
        std::uint32_t v = b0 & (0x3Fu >> extra);
        bool good = true;
        for (int k = 1; k <= extra; ++k) {
          auto b = static_cast<std::uint8_t>(s[i + static_cast<std::size_t>(k)]);
          if ((b & 0xC0) != 0x80) good = false;
          v = (v << 6) | (b & 0x3Fu);
        }
        // Overlong forms, surrogates and values past U+10FFFF are invalid;
        // an invalid byte becomes U+FFFD and decoding goes on after it.
        if (good && v >= kUtf8Min[extra] && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
          cp = v;
          len = static_cast<std::size_t>(extra) + 1;
        }
      }
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put(0xD800 | (cp >> 10));
      put(0xDC00 | (cp & 0x3FF));
    } else {
      put(cp);
    }
    i += len;
  }
  if (terminate) put(0);
  return out;
}

std::string Utf16leToUtf8(const std::uint8_t* bytes, std::size_t size) {
  std::string out;
  std::size_t n = size / 2;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint32_t u = bytes[2 * i] | (static_cast<std::uint32_t>(bytes[2 * i + 1]) << 8);
    if (u == 0) break;  // text ends at its first zero character
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n) {
      std::uint32_t lo = bytes[2 * i + 2] | (static_cast<std::uint32_t>(bytes[2 * i + 3]) << 8);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        regfile::AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
        ++i;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;  // lone surrogate
    regfile::AppendUtf8(out, u);
  }
  return out;
}

std::string EscapeRegString(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace sandloop
