// Values of the settings file: RegValue itself, reading a value's data from
// its line(s), and writing a value's canonical line. Each kind of data has
// its own reader; a byte list is the only one that spans lines.
#include "settings/RegFileValues.h"

#include <cstdio>

#include "settings/RegFileKeys.h"
#include "settings/RegFileText.h"

namespace sandloop {

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

namespace regfile {

namespace {

// "text" with nothing but blanks after its closing quote.
std::string ReadText(std::string_view rest, RegValue* value) {
  value->type = REG_SZ;
  value->quoted = true;
  std::string_view after;
  if (!ReadQuoted(rest, &value->text, &after)) return "unterminated text";
  if (!TrimRight(after).empty()) return "characters after the closing quote";
  return {};
}

// The digits after "dword:": 1 to 8 hex digits. A short dword on a last
// line cut short could be the start of a longer number.
std::string ReadDword(std::string_view rest, bool cut, RegValue* value) {
  std::string_view digits = TrimRight(TrimLeft(rest));
  std::string why;
  std::uint32_t v = 0;
  if (digits.empty() || digits.size() > 8) why = "a dword needs 1 to 8 hex digits";
  for (char c : digits) {
    int d = HexDigit(c);
    if (d < 0) why = "a dword needs 1 to 8 hex digits";
    v = (v << 4) | static_cast<std::uint32_t>(d < 0 ? 0 : d);
  }
  if (why.empty() && cut && digits.size() < 8) why = "the file ends in the middle of a dword (cut short?)";
  *value = RegValue::Dword(v);
  return why;
}

// "(type)" after "hex", if any: 1 to 8 hex digits. `rest` is left after it.
std::string ReadHexType(std::string_view* rest, std::uint32_t* type) {
  *type = REG_BINARY;
  if (rest->empty() || rest->front() != '(') return {};
  std::size_t close = rest->find(')');
  if (close == std::string_view::npos || close == 1 || close > 9) return "bad hex(type)";
  std::string why;
  *type = 0;
  for (char c : rest->substr(1, close - 1)) {
    int d = HexDigit(c);
    if (d < 0) why = "bad hex(type)";
    *type = (*type << 4) | static_cast<std::uint32_t>(d < 0 ? 0 : d);
  }
  rest->remove_prefix(close + 1);
  return why;
}

// The byte pairs of one line of a list, separated by commas with blanks
// around them allowed. `more`: the line ended in "\" (already taken off),
// so it must end with a comma; otherwise it must not.
std::string ReadBytes(std::string_view t, bool more, std::vector<std::uint8_t>* data) {
  std::size_t pos = 0;
  while (pos < t.size()) {
    if (pos + 2 > t.size() || HexDigit(t[pos]) < 0 || HexDigit(t[pos + 1]) < 0) return "a byte needs two hex digits";
    data->push_back(static_cast<std::uint8_t>(HexDigit(t[pos]) * 16 + HexDigit(t[pos + 1])));
    pos += 2;
    while (pos < t.size() && IsBlank(t[pos])) ++pos;
    if (pos == t.size()) return more ? "'\\' must follow a comma" : "";
    if (t[pos] != ',') return "bytes must be separated by commas";
    ++pos;
    while (pos < t.size() && IsBlank(t[pos])) ++pos;
    if (pos == t.size() && !more) return "a byte list ends with a comma";
  }
  return {};
}

// "hex:" or "hex(type):" and its byte list; ",\" at a line end continues
// the list on the next line. `current` follows the lines taken.
std::string ReadHex(std::string_view rest, Line* current, LineReader& lines, RegValue* value) {
  std::string why = ReadHexType(&rest, &value->type);
  if (why.empty() && (rest.empty() || rest.front() != ':')) why = "missing ':' after hex";
  std::string_view t = TrimRight(TrimLeft(rest.empty() ? rest : rest.substr(1)));
  while (why.empty()) {
    // A line without its end is the last of the file: it may have been cut
    // in the middle of the list.
    if (!current->Ended()) return "the file ends inside a byte list (cut short?)";
    bool more = false;
    if (t.ends_with('\\')) {
      t = TrimRight(t.substr(0, t.size() - 1));
      if (!t.empty() && !t.ends_with(',')) return "'\\' must follow a comma";
      more = true;
    }
    why = ReadBytes(t, more, &value->data);
    if (!why.empty() || !more) break;
    if (!lines.Next(current)) return "the file ends inside a byte list";
    if (current->HasZero()) return "zero character in the text";
    t = TrimRight(TrimLeft(current->text));
  }
  return why;
}

}  // namespace

ValueData ReadValueData(std::string_view data, const Line& line, LineReader& lines) {
  ValueData out;
  out.last = line;
  if (TrimRight(data) == "-")
    out.removed = true;
  else if (!data.empty() && data.front() == '"')
    out.error = ReadText(data, &out.value);
  else if (StartsWithNoCase(data, "dword:"))
    out.error = ReadDword(data.substr(6), !line.Ended(), &out.value);
  else if (StartsWithNoCase(data, "hex"))
    out.error = ReadHex(data.substr(3), &out.last, lines, &out.value);
  else
    out.error = "unknown kind of value data";
  return out;
}

std::string FormatValueLine(bool is_default, std::string_view name, bool removed, const RegValue& v,
                            std::string_view eol) {
  std::string s = is_default ? "@" : "\"" + EscapeRegString(name) + "\"";
  s += '=';
  if (removed) {
    s += '-';
  } else if (v.quoted) {
    s += "\"" + EscapeRegString(v.text) + "\"";
  } else if (v.type == REG_DWORD && v.data.size() == 4) {
    char buf[16];
    std::uint32_t n = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (static_cast<std::uint32_t>(v.data[3]) << 24);
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
          s += "\\";
          s += eol;
          s += "  ";
          col = 2;
        }
      }
    }
  }
  s += eol;
  return s;
}

}  // namespace regfile
}  // namespace sandloop
