#include "settings/RegFile.h"

#include <cstdio>

namespace sandloop {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The smallest code point that needs 1, 2 or 3 continuation bytes.
constexpr std::uint32_t kUtf8Min[4] = {0, 0x80, 0x800, 0x10000};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

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

// Parses a quoted string starting at s[0] == '"'. On success returns the
// unescaped text and sets `rest` to what follows the closing quote. Only
// \\ and \" are escapes; a backslash before anything else stands for itself.
bool ParseQuoted(std::string_view s, std::string* text, std::string_view* rest) {
  text->clear();
  for (std::size_t i = 1; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      *rest = s.substr(i + 1);
      return true;
    }
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
      *text += s[i + 1];
      ++i;
      continue;
    }
    *text += c;
  }
  return false;  // no closing quote on this line
}

// A line of the decoded text, with its line end.
struct Line {
  std::string_view text;  // without the line end
  std::string_view full;  // with it
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t nl = text.find('\n', pos);
    std::size_t end = nl == std::string_view::npos ? text.size() : nl + 1;
    std::string_view full = text.substr(pos, end - pos);
    std::string_view body = full;
    if (!body.empty() && body.back() == '\n') body.remove_suffix(1);
    if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
    lines.push_back({body, full});
    pos = end;
  }
  return lines;
}

}  // namespace

// --- text conversions -------------------------------------------------------

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
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
        ++i;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;  // lone surrogate
    AppendUtf8(out, u);
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

// --- values -----------------------------------------------------------------

RegValue RegValue::Dword(std::uint32_t v) {
  RegValue r;
  r.type = REG_DWORD;
  for (int i = 0; i < 4; ++i) r.data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  return r;
}

RegValue RegValue::Binary(std::vector<std::uint8_t> bytes) { return Typed(REG_BINARY, std::move(bytes)); }

RegValue RegValue::Typed(std::uint32_t type, std::vector<std::uint8_t> bytes) {
  RegValue r;
  r.type = type;
  r.data = std::move(bytes);
  return r;
}

RegValue RegValue::Text(std::string_view utf8) {
  // Text with line breaks or other control characters cannot stand on one
  // quoted line; it is written as hex(1), its UTF-16 bytes, instead.
  bool plain = true;
  for (char c : utf8) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) plain = false;
  }
  if (!plain) return Typed(REG_SZ, Utf8ToUtf16le(utf8, true));
  RegValue r;
  r.type = REG_SZ;
  r.quoted = true;
  r.text = std::string(utf8);
  return r;
}

std::size_t RegValue::Size() const {
  if (quoted) return Utf8ToUtf16le(text, true).size();
  return data.size();
}

std::string RegValue::AsText() const {
  if (quoted) return text;
  return Utf16leToUtf8(data.data(), data.size());
}

// --- document ---------------------------------------------------------------

RegDocument::RegDocument() {
  Item header;
  header.raw = std::string(kHeader) + "\n";
  items_.push_back(std::move(header));
}

std::optional<RegDocument> RegDocument::Parse(std::string_view bytes, RegParseError* error) {
  auto fail = [error](int line, std::string reason) -> std::optional<RegDocument> {
    if (error) *error = {line, std::move(reason)};
    return std::nullopt;
  };

  std::string decoded;
  if (bytes.size() >= 2 && static_cast<std::uint8_t>(bytes[0]) == 0xFF &&
      static_cast<std::uint8_t>(bytes[1]) == 0xFE) {
    if (bytes.size() % 2 != 0) return fail(0, "UTF-16 text of odd length");
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data()) + 2;
    std::size_t n = bytes.size() - 2;
    for (std::size_t i = 0; i + 1 < n; i += 2)
      if (p[i] == 0 && p[i + 1] == 0) return fail(0, "zero character in the text");
    decoded = Utf16leToUtf8(p, n);
  } else {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    decoded = std::string(bytes);
  }
  if (decoded.find('\0') != std::string::npos) return fail(0, "zero byte in the text");

  std::vector<Line> lines = SplitLines(decoded);
  if (lines.empty()) return fail(1, "the file is empty");
  // Every line this program writes ends with a line end, and so does every
  // export of the registry editor. A last line without one is the mark of
  // a file cut short, which could otherwise pass for a shorter value.
  if (!lines.back().full.ends_with("\n"))
    return fail(static_cast<int>(lines.size()), "the file ends in the middle of a line (cut short?)");
  if (TrimRight(lines[0].text) != kHeader)
    return fail(1, "the first line is not \"" + std::string(kHeader) + "\"");

  RegDocument doc;
  doc.items_.clear();
  doc.eol_ = lines[0].full.ends_with("\r\n") ? "\r\n" : "\n";
  doc.items_.push_back(Item{Kind::Raw, std::string(lines[0].full), {}, {}, false, false, {}});

  std::string section;
  bool in_section = false;
  for (std::size_t li = 1; li < lines.size(); ++li) {
    const int line_no = static_cast<int>(li) + 1;
    std::string_view body = TrimLeft(lines[li].text);
    Item item;
    item.raw = std::string(lines[li].full);
    if (TrimRight(body).empty() || body.front() == ';') {
      doc.items_.push_back(std::move(item));
      continue;
    }
    if (body.front() == '[') {
      std::string_view t = TrimRight(body);
      if (t.size() < 3 || t.back() != ']') return fail(line_no, "unterminated key name");
      item.kind = Kind::Section;
      item.path = std::string(t.substr(1, t.size() - 2));
      section = item.path;
      in_section = true;
      doc.items_.push_back(std::move(item));
      continue;
    }
    if (body.front() != '"' && body.front() != '@')
      return fail(line_no, "a line that is neither a key, a value nor a comment");
    if (!in_section) return fail(line_no, "a value before the first key");

    item.kind = Kind::Value;
    item.path = section;
    std::string_view rest;
    if (body.front() == '@') {
      item.is_default = true;
      rest = body.substr(1);
    } else if (!ParseQuoted(body, &item.name, &rest)) {
      return fail(line_no, "unterminated value name");
    }
    if (rest.empty() || rest.front() != '=') return fail(line_no, "missing '=' after the value name");
    rest.remove_prefix(1);

    if (TrimRight(rest) == "-") {
      item.removed = true;
    } else if (!rest.empty() && rest.front() == '"') {
      std::string_view after;
      if (!ParseQuoted(rest, &item.value.text, &after)) return fail(line_no, "unterminated text");
      if (!TrimRight(after).empty()) return fail(line_no, "characters after the closing quote");
      item.value.type = REG_SZ;
      item.value.quoted = true;
    } else if (rest.starts_with("dword:")) {
      std::string_view digits = TrimRight(rest.substr(6));
      if (digits.size() != 8) return fail(line_no, "a dword needs exactly 8 hex digits");
      std::uint32_t v = 0;
      for (char c : digits) {
        int d = HexDigit(c);
        if (d < 0) return fail(line_no, "a dword needs exactly 8 hex digits");
        v = (v << 4) | static_cast<std::uint32_t>(d);
      }
      item.value = RegValue::Dword(v);
    } else if (rest.starts_with("hex")) {
      std::uint32_t type = REG_BINARY;
      rest.remove_prefix(3);
      if (!rest.empty() && rest.front() == '(') {
        std::size_t close = rest.find(')');
        if (close == std::string_view::npos || close == 1 || close > 9)
          return fail(line_no, "bad hex(type)");
        type = 0;
        for (char c : rest.substr(1, close - 1)) {
          int d = HexDigit(c);
          if (d < 0) return fail(line_no, "bad hex(type)");
          type = (type << 4) | static_cast<std::uint32_t>(d);
        }
        rest.remove_prefix(close + 1);
      }
      if (rest.empty() || rest.front() != ':') return fail(line_no, "missing ':' after hex");
      rest.remove_prefix(1);
      item.value.type = type;
      auto here = [&li] { return static_cast<int>(li) + 1; };  // errors name the line they are on
      // Byte pairs separated by commas; ",\" at a line end continues the
      // list on the next line.
      std::string_view t = TrimRight(rest);
      while (true) {
        bool more = false;
        if (t.ends_with("\\")) {
          t.remove_suffix(1);
          t = TrimRight(t);
          if (!t.empty() && !t.ends_with(",")) return fail(here(), "'\\' must follow a comma");
          more = true;
        }
        std::size_t pos = 0;
        while (pos < t.size()) {
          if (pos + 2 > t.size()) return fail(here(), "a byte needs two hex digits");
          int hi = HexDigit(t[pos]), lo = HexDigit(t[pos + 1]);
          if (hi < 0 || lo < 0) return fail(here(), "a byte needs two hex digits");
          item.value.data.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
          pos += 2;
          if (pos == t.size()) {
            if (more) return fail(here(), "'\\' must follow a comma");
            break;
          }
          if (t[pos] != ',') return fail(here(), "bytes must be separated by commas");
          ++pos;
          if (pos == t.size() && !more) return fail(here(), "a byte list ends with a comma");
        }
        if (!more) break;
        if (li + 1 >= lines.size()) return fail(here(), "the file ends inside a byte list");
        ++li;
        item.raw += lines[li].full;
        t = TrimRight(TrimLeft(lines[li].text));
      }
    } else {
      return fail(line_no, "unknown kind of value data");
    }
    doc.items_.push_back(std::move(item));
  }
  return doc;
}

std::string RegDocument::FormatValue(const Item& item) const {
  std::string s = item.is_default ? "@" : "\"" + EscapeRegString(item.name) + "\"";
  s += '=';
  const RegValue& v = item.value;
  if (item.removed) {
    s += '-';
  } else if (v.quoted) {
    s += "\"" + EscapeRegString(v.text) + "\"";
  } else if (v.type == REG_DWORD && v.data.size() == 4) {
    char buf[16];
    std::uint32_t n = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) |
                      (static_cast<std::uint32_t>(v.data[3]) << 24);
    std::snprintf(buf, sizeof buf, "dword:%08x", n);
    s += buf;
  } else {
    char buf[24];
    if (v.type == REG_BINARY)
      std::snprintf(buf, sizeof buf, "hex:");
    else
      std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
    s += buf;
    // Wrapped like the registry editor's own export: about 80 columns.
    std::size_t col = s.size();
    for (std::size_t i = 0; i < v.data.size(); ++i) {
      std::snprintf(buf, sizeof buf, "%02x", v.data[i]);
      s += buf;
      col += 2;
      if (i + 1 < v.data.size()) {
        s += ',';
        ++col;
        if (col >= 76) {
          s += "\\" + eol_ + "  ";
          col = 2;
        }
      }
    }
  }
  return s + eol_;
}

std::string RegDocument::Serialize() const {
  std::string out;
  for (const Item& item : items_) {
    if (!item.raw.empty())
      out += item.raw;
    else if (item.kind == Kind::Value)
      out += FormatValue(item);
  }
  return out;
}

bool RegDocument::HasKey(std::string_view path) const {
  for (const Item& item : items_)
    if (item.kind == Kind::Section && SameName(item.path, path)) return true;
  return false;
}

std::optional<RegValue> RegDocument::Get(std::string_view path, std::string_view name) const {
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if (it->kind == Kind::Value && SameName(it->path, path) && SameName(it->name, name) &&
        it->is_default == name.empty()) {
      if (it->removed) return std::nullopt;
      return it->value;
    }
  }
  return std::nullopt;
}

void RegDocument::Set(std::string_view path, std::string_view name, const RegValue& value) {
  auto ensure_eol = [this](Item& item) {
    if (!item.raw.empty() && item.raw.back() != '\n') item.raw += eol_;
  };
  Item fresh;
  fresh.kind = Kind::Value;
  fresh.path = std::string(path);
  fresh.name = std::string(name);
  fresh.is_default = name.empty();
  fresh.value = value;

  // Replace the entry that reads win (the last one).
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if (it->kind == Kind::Value && SameName(it->path, path) && SameName(it->name, name) &&
        it->is_default == name.empty()) {
      fresh.path = it->path;
      fresh.name = it->name;
      *it = std::move(fresh);
      return;
    }
  }
  // Add to the last section of the key, after its last value or comment.
  for (std::size_t s = items_.size(); s-- > 0;) {
    if (items_[s].kind != Kind::Section || !SameName(items_[s].path, path)) continue;
    fresh.path = items_[s].path;
    std::size_t after = s;
    for (std::size_t j = s + 1; j < items_.size() && items_[j].kind != Kind::Section; ++j)
      if (items_[j].kind == Kind::Value || !TrimRight(items_[j].raw).empty()) after = j;
    ensure_eol(items_[after]);
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(after) + 1, std::move(fresh));
    return;
  }
  // A new key at the end, set off by a blank line.
  if (!items_.empty()) {
    ensure_eol(items_.back());
    if (items_.back().kind != Kind::Raw || !TrimRight(items_.back().raw).empty() || items_.size() == 1)
      items_.push_back(Item{Kind::Raw, eol_, {}, {}, false, false, {}});
  }
  Item section;
  section.kind = Kind::Section;
  section.path = std::string(path);
  section.raw = "[" + section.path + "]" + eol_;
  items_.push_back(std::move(section));
  items_.push_back(std::move(fresh));
}

}  // namespace sandloop
