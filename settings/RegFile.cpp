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

namespace {

// A cursor over the lines of the decoded text; no list of lines is made.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool Next(Line* line) {
    if (pos_ >= text_.size()) return false;
    std::size_t nl = text_.find('\n', pos_);
    std::size_t end = nl == std::string_view::npos ? text_.size() : nl + 1;
    line->full = text_.substr(pos_, end - pos_);
    line->text = line->full;
    if (!line->text.empty() && line->text.back() == '\n') line->text.remove_suffix(1);
    if (!line->text.empty() && line->text.back() == '\r') line->text.remove_suffix(1);
    pos_ = end;
    ++number_;
    return true;
  }
  int Number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  int number_ = 0;
};

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameName(s.substr(0, prefix.size()), prefix);
}

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

// Whether the last line held in `raw` is blank.
bool LastLineBlank(std::string_view raw) {
  std::string_view t = raw;
  if (!t.empty() && t.back() == '\n') t.remove_suffix(1);
  std::size_t nl = t.rfind('\n');
  if (nl != std::string_view::npos) t = t.substr(nl + 1);
  return TrimRight(t).empty();
}

}  // namespace

RegDocument::RegDocument() {
  Item header;
  header.raw = std::string(kHeader) + "\n";
  items_.push_back(std::move(header));
}

std::optional<RegDocument> RegDocument::Parse(std::string_view bytes, RegParseError* error) {
  return Read(bytes, error, nullptr);
}

RegDocument RegDocument::Salvage(std::string_view bytes, std::vector<RegLostLine>* lost) {
  std::vector<RegLostLine> own;
  std::optional<RegDocument> doc = Read(bytes, nullptr, lost ? lost : &own);
  return doc ? std::move(*doc) : RegDocument();
}

std::uint32_t RegDocument::SectionIndex(std::string_view path) {
  for (std::size_t i = sections_.size(); i-- > 0;)
    if (sections_[i] == path) return static_cast<std::uint32_t>(i);
  sections_.emplace_back(path);
  return static_cast<std::uint32_t>(sections_.size() - 1);
}

// The one reader behind Parse (lost == nullptr: the first fault ends it)
// and Salvage (faulty lines are listed in `lost` and left out).
std::optional<RegDocument> RegDocument::Read(std::string_view bytes, RegParseError* error,
                                             std::vector<RegLostLine>* lost) {
  const bool salvage = lost != nullptr;
  RegDocument doc;
  std::string section;      // path of the key the next values belong to
  bool in_section = false;  // a readable key name was seen
  bool section_lost = false;  // the last key name could not be read

  // Records a fault. Parsing stops (false) unless salvaging.
  auto fault = [&](int line, std::string reason, const std::string* name = nullptr) {
    if (!salvage) {
      if (error) *error = {line, std::move(reason)};
      return false;
    }
    RegLostLine l;
    l.line = line;
    l.reason = std::move(reason);
    l.path = in_section || section_lost ? section : std::string();
    if (name) {
      l.name = *name;
      l.names_value = true;
    }
    lost->push_back(std::move(l));
    return true;
  };

  std::string decoded;
  std::string_view text;
  if (bytes.size() >= 2 && static_cast<std::uint8_t>(bytes[0]) == 0xFF &&
      static_cast<std::uint8_t>(bytes[1]) == 0xFE) {
    doc.encoding_ = RegEncoding::Utf16le;
    std::size_t n = bytes.size() - 2;
    if (n % 2 != 0) {
      if (!fault(0, "UTF-16 text of odd length")) return std::nullopt;
      --n;  // the odd last byte is dropped
    }
    decoded = DecodeUtf16Whole(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 2, n);
    text = decoded;
  } else {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
      doc.encoding_ = RegEncoding::Utf8Bom;
      bytes.remove_prefix(3);
    }
    text = bytes;
  }

  LineReader reader(text);
  Line line;
  if (!reader.Next(&line)) {
    if (!fault(1, "the file is empty")) return std::nullopt;
    return doc;
  }
  doc.eol_ = line.full.ends_with("\r\n") ? "\r\n" : "\n";
  bool have_line = true;  // `line` still waits to be handled
  if (TrimRight(line.text) == kHeader && line.text.find('\0') == std::string_view::npos) {
    doc.items_[0].raw = std::string(line.full);
    if (!line.full.ends_with("\n")) doc.items_[0].raw += doc.eol_;
    have_line = false;
  } else {
    if (!fault(1, "the first line is not \"" + std::string(kHeader) + "\"")) return std::nullopt;
    // Salvaging: the header is written anew and the line is read like any other.
    doc.items_[0].raw = std::string(kHeader) + doc.eol_;
  }

  while (have_line || reader.Next(&line)) {
    have_line = false;
    const int line_no = reader.Number();
    const bool last_cut = !line.full.ends_with("\n");  // only the last line can lack its end
    std::string_view body = TrimLeft(line.text);
    if (line.text.find('\0') != std::string_view::npos) {
      if (!fault(line_no, "zero character in the text")) return std::nullopt;
      continue;
    }
    if (TrimRight(body).empty() || body.front() == ';') {
      // Runs of blank and comment lines make one item.
      if (doc.items_.size() > 1 && doc.items_.back().kind == Kind::Raw)
        doc.items_.back().raw += line.full;
      else
        doc.items_.push_back(Item{Kind::Raw, false, false, 0, std::string(line.full), {}, {}});
      continue;
    }
    if (body.front() == '[') {
      std::string_view t = TrimRight(body);
      if (t.size() < 3 || t.back() != ']') {
        in_section = false;
        section_lost = true;
        section.clear();
        if (!fault(line_no, "unterminated key name")) return std::nullopt;
        continue;
      }
      section = std::string(t.substr(1, t.size() - 2));
      in_section = true;
      section_lost = false;
      Item item;
      item.kind = Kind::Section;
      item.raw = std::string(line.full);
      item.section = doc.SectionIndex(section);
      doc.items_.push_back(std::move(item));
      continue;
    }

    Item item;
    item.kind = Kind::Value;
    item.raw = std::string(line.full);
    // A byte list that goes wrong is left out whole: the rest of its
    // continued lines are skipped too.
    bool continued = TrimRight(line.text).ends_with("\\");
    auto skip_rest = [&] {
      while (continued && reader.Next(&line)) continued = TrimRight(line.text).ends_with("\\");
    };
    auto bad = [&](std::string reason, bool named) {
      bool go_on = fault(reader.Number(), std::move(reason), named ? &item.name : nullptr);
      skip_rest();
      return go_on;
    };

    if (body.front() != '"' && body.front() != '@') {
      if (!bad("a line that is neither a key, a value nor a comment", false)) return std::nullopt;
      continue;
    }
    std::string_view rest;
    if (body.front() == '@') {
      item.is_default = true;
      rest = body.substr(1);
    } else if (!ParseQuoted(body, &item.name, &rest)) {
      if (!bad("unterminated value name", false)) return std::nullopt;
      continue;
    }
    if (!in_section) {
      if (!bad(section_lost ? "a value under a key name that cannot be read" : "a value before the first key",
               true))
        return std::nullopt;
      continue;
    }
    item.section = doc.SectionIndex(section);
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() != '=') {
      if (!bad("missing '=' after the value name", true)) return std::nullopt;
      continue;
    }
    rest = TrimLeft(rest.substr(1));

    std::string why;  // set when the value data cannot be read
    if (TrimRight(rest) == "-") {
      item.removed = true;
    } else if (!rest.empty() && rest.front() == '"') {
      std::string_view after;
      if (!ParseQuoted(rest, &item.value.text, &after))
        why = "unterminated text";
      else if (!TrimRight(after).empty())
        why = "characters after the closing quote";
      item.value.type = REG_SZ;
      item.value.quoted = true;
    } else if (StartsWithNoCase(rest, "dword:")) {
      std::string_view digits = TrimRight(TrimLeft(rest.substr(6)));
      std::uint32_t v = 0;
      if (digits.empty() || digits.size() > 8) why = "a dword needs 1 to 8 hex digits";
      for (char c : digits) {
        int d = HexDigit(c);
        if (d < 0) why = "a dword needs 1 to 8 hex digits";
        v = (v << 4) | static_cast<std::uint32_t>(d < 0 ? 0 : d);
      }
      // A short dword on a last line cut short could be the start of a
      // longer number.
      if (why.empty() && last_cut && digits.size() < 8)
        why = "the file ends in the middle of a dword (cut short?)";
      item.value = RegValue::Dword(v);
    } else if (StartsWithNoCase(rest, "hex")) {
      std::uint32_t type = REG_BINARY;
      rest.remove_prefix(3);
      if (!rest.empty() && rest.front() == '(') {
        std::size_t close = rest.find(')');
        if (close == std::string_view::npos || close == 1 || close > 9) {
          why = "bad hex(type)";
        } else {
          type = 0;
          for (char c : rest.substr(1, close - 1)) {
            int d = HexDigit(c);
            if (d < 0) why = "bad hex(type)";
            type = (type << 4) | static_cast<std::uint32_t>(d < 0 ? 0 : d);
          }
          rest.remove_prefix(close + 1);
        }
      }
      if (why.empty() && (rest.empty() || rest.front() != ':')) why = "missing ':' after hex";
      item.value.type = type;
      // Byte pairs separated by commas (blanks around them allowed); ",\" at
      // a line end continues the list on the next line.
      std::string_view t = TrimRight(TrimLeft(rest.empty() ? rest : rest.substr(1)));
      while (why.empty()) {
        bool more = false;
        if (!line.full.ends_with("\n")) {
          // The file ends on this line: it may have been cut in the list.
          why = "the file ends inside a byte list (cut short?)";
          break;
        }
        if (t.ends_with("\\")) {
          t.remove_suffix(1);
          t = TrimRight(t);
          if (!t.empty() && !t.ends_with(",")) {
            why = "'\\' must follow a comma";
            break;
          }
          more = true;
        }
        std::size_t pos = 0;
        while (pos < t.size()) {
          if (pos + 2 > t.size() || HexDigit(t[pos]) < 0 || HexDigit(t[pos + 1]) < 0) {
            why = "a byte needs two hex digits";
            break;
          }
          item.value.data.push_back(static_cast<std::uint8_t>(HexDigit(t[pos]) * 16 + HexDigit(t[pos + 1])));
          pos += 2;
          while (pos < t.size() && IsBlank(t[pos])) ++pos;
          if (pos == t.size()) {
            if (more) why = "'\\' must follow a comma";
            break;
          }
          if (t[pos] != ',') {
            why = "bytes must be separated by commas";
            break;
          }
          ++pos;
          while (pos < t.size() && IsBlank(t[pos])) ++pos;
          if (pos == t.size() && !more) {
            why = "a byte list ends with a comma";
            break;
          }
        }
        if (!why.empty() || !more) break;
        if (!reader.Next(&line)) {
          why = "the file ends inside a byte list";
          continued = false;
          break;
        }
        continued = TrimRight(line.text).ends_with("\\");
        item.raw += line.full;
        if (line.text.find('\0') != std::string_view::npos) {
          why = "zero character in the text";
          break;
        }
        t = TrimRight(TrimLeft(line.text));
      }
    } else {
      why = "unknown kind of value data";
    }
    if (!why.empty()) {
      if (!bad(why, true)) return std::nullopt;
      continue;
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
  switch (encoding_) {
    case RegEncoding::Utf8: return out;
    case RegEncoding::Utf8Bom: return "\xEF\xBB\xBF" + out;
    case RegEncoding::Utf16le: {
      std::vector<std::uint8_t> u16 = Utf8ToUtf16le(out, false);
      std::string bytes = "\xFF\xFE";
      bytes.append(u16.begin(), u16.end());
      return bytes;
    }
  }
  return out;
}

bool RegDocument::HasKey(std::string_view path) const {
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    if (!SameName(sections_[i], path)) continue;
    for (const Item& item : items_)
      if (item.kind == Kind::Section && item.section == i) return true;
  }
  return false;
}

std::optional<RegValue> RegDocument::Get(std::string_view path, std::string_view name) const {
  std::vector<bool> match(sections_.size());
  for (std::size_t i = 0; i < sections_.size(); ++i) match[i] = SameName(sections_[i], path);
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if (it->kind == Kind::Value && match[it->section] && it->is_default == name.empty() &&
        SameName(it->name, name)) {
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
  fresh.name = std::string(name);
  fresh.is_default = name.empty();
  fresh.value = value;

  // Replace the entry that reads win (the last one).
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if (it->kind == Kind::Value && SameName(sections_[it->section], path) && SameName(it->name, name) &&
        it->is_default == name.empty()) {
      fresh.section = it->section;
      fresh.name = it->name;
      *it = std::move(fresh);
      return;
    }
  }
  // Add to the last section of the key, after its last value or comment.
  for (std::size_t s = items_.size(); s-- > 0;) {
    if (items_[s].kind != Kind::Section || !SameName(sections_[items_[s].section], path)) continue;
    fresh.section = items_[s].section;
    std::size_t after = s;
    for (std::size_t j = s + 1; j < items_.size() && items_[j].kind != Kind::Section; ++j)
      if (items_[j].kind == Kind::Value || !TrimRight(items_[j].raw).empty()) after = j;
    ensure_eol(items_[after]);
    if (items_[after].kind == Kind::Raw) {
      // A run of comments that ends in blank lines: the value goes after
      // the last comment, before the blank lines.
      std::string& raw = items_[after].raw;
      std::size_t keep = 0;  // end of the last line that is not blank
      for (std::size_t pos = 0; pos < raw.size();) {
        std::size_t nl = raw.find('\n', pos);
        std::size_t end = nl == std::string::npos ? raw.size() : nl + 1;
        if (!TrimRight(std::string_view(raw).substr(pos, end - pos)).empty()) keep = end;
        pos = end;
      }
      if (keep > 0 && keep < raw.size()) {
        Item tail{Kind::Raw, false, false, 0, raw.substr(keep), {}, {}};
        raw.resize(keep);
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(after) + 1, std::move(tail));
      }
    }
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(after) + 1, std::move(fresh));
    return;
  }
  // A new key at the end, set off by a blank line.
  if (!items_.empty()) {
    ensure_eol(items_.back());
    if (items_.back().kind != Kind::Raw || !LastLineBlank(items_.back().raw) || items_.size() == 1)
      items_.push_back(Item{Kind::Raw, false, false, 0, eol_, {}, {}});
  }
  Item section;
  section.kind = Kind::Section;
  section.section = SectionIndex(path);
  section.raw = "[" + std::string(path) + "]" + eol_;
  fresh.section = section.section;
  items_.push_back(std::move(section));
  items_.push_back(std::move(fresh));
}

}  // namespace sandloop
