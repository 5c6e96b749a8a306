// The settings file's bytes as text and lines: the encoding is told by the
// byte-order mark, UTF-16 is decoded once into UTF-8, and lines are handed
// out one at a time as views of that text, so that reading a file costs a
// small multiple of its size however many short lines it has.
#include "settings/RegFileLines.h"

#include <cstdint>
#include <vector>

#include "settings/RegFileText.h"

namespace sandloop::regfile {

namespace {

// UTF-16LE to UTF-8 keeping zero characters, so that a line holding one
// can be told apart and refused.
std::string DecodeUtf16Whole(const std::uint8_t* p, std::size_t n) {
  std::string out;
  out.reserve(n / 2);
  std::size_t start = 0;
  for (std::size_t i = 0; i + 1 < n; i += 2) {
    if (p[i] == 0 && p[i + 1] == 0) {
      out += Utf16leToUtf8(p + start, i - start);
      out += '\0';
      start = i + 2;
    }
  }
  out += Utf16leToUtf8(p + start, n - start);
  return out;
}

}  // namespace

DecodedText DecodeText(std::string_view bytes) {
  DecodedText out;
  if (bytes.size() >= 2 && static_cast<std::uint8_t>(bytes[0]) == 0xFF &&
      static_cast<std::uint8_t>(bytes[1]) == 0xFE) {
    out.encoding = RegEncoding::Utf16le;
    std::size_t n = bytes.size() - 2;
    if (n % 2 != 0) {
      out.odd_length = true;
      --n;
    }
    out.decoded = DecodeUtf16Whole(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 2, n);
    return out;
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    out.encoding = RegEncoding::Utf8Bom;
    bytes.remove_prefix(3);
  }
  out.bytes = bytes;
  return out;
}

std::string EncodeText(std::string text, RegEncoding encoding) {
  switch (encoding) {
    case RegEncoding::Utf8: return text;
    case RegEncoding::Utf8Bom: return "\xEF\xBB\xBF" + text;
    case RegEncoding::Utf16le: {
      std::vector<std::uint8_t> u16 = Utf8ToUtf16le(text, false);
      std::string bytes = "\xFF\xFE";
      bytes.append(u16.begin(), u16.end());
      return bytes;
    }
  }
  return text;
}

bool Line::Continues() const { return TrimRight(text).ends_with('\\'); }

bool LineReader::Next(Line* line) {
  if (pos_ >= text_.size()) return false;
  std::size_t nl = text_.find('\n', pos_);
  std::size_t end = nl == std::string_view::npos ? text_.size() : nl + 1;
  line->full = text_.substr(pos_, end - pos_);
  line->text = line->full;
  if (!line->text.empty() && line->text.back() == '\n') line->text.remove_suffix(1);
  if (!line->text.empty() && line->text.back() == '\r') line->text.remove_suffix(1);
  pos_ = end;
  line->number = ++number_;
  return true;
}

bool IsHeader(const Line& line) { return TrimRight(line.text) == kHeader && !line.HasZero(); }

std::string_view LineEndOf(const Line& first) { return first.full.ends_with("\r\n") ? "\r\n" : "\n"; }

}  // namespace sandloop::regfile
