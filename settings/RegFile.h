#pragma once
// A registry export file ("Windows Registry Editor Version 5.00") held in
// memory: sections named by key paths, each with named values of the
// registry's kinds. The settings live in such a file because it keeps the
// key path, the value names, the value kinds and their exact byte encodings
// while staying readable and editable by a person.
//
// Everything the program does not change is written back exactly as it was
// read: other keys, comments, blank lines and the spelling of untouched
// values. Only values set through Set() are written in the canonical form.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sandloop {

// Registry value kinds (their numbers as in hex(N) of the export format).
constexpr std::uint32_t REG_NONE = 0;
constexpr std::uint32_t REG_SZ = 1;
constexpr std::uint32_t REG_EXPAND_SZ = 2;
constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_DWORD = 4;

// One value: its kind and its bytes as the registry would hold them. Text
// read from a quoted string is kept as text (UTF-8) so that it can be
// written back in the same readable form.
struct RegValue {
  std::uint32_t type = REG_NONE;
  bool quoted = false;            // `"name"="text"` form: `text` holds it
  std::string text;               // quoted REG_SZ only
  std::vector<std::uint8_t> data; // every other form

  static RegValue Dword(std::uint32_t v);
  static RegValue Binary(std::vector<std::uint8_t> bytes);
  static RegValue Text(std::string_view utf8);  // REG_SZ
  static RegValue Typed(std::uint32_t type, std::vector<std::uint8_t> bytes);

  // Size in bytes as the registry reports it (text: UTF-16 with its zero).
  std::size_t Size() const;
  // The value read as text: quoted text as is, REG_SZ / REG_EXPAND_SZ bytes
  // decoded from UTF-16LE up to the first zero character.
  std::string AsText() const;
};

// Why a file could not be read, with the 1-based line where it went wrong
// (0: the file as a whole, such as its encoding).
struct RegParseError {
  int line = 0;
  std::string reason;
};

// A line that a salvaging read had to leave out: where, why, and the value
// it held when its name could still be read.
struct RegLostLine {
  int line = 0;
  std::string reason;
  std::string path;  // the key the line stood under ("" when none)
  std::string name;  // the value name, when `names_value`
  bool names_value = false;
};

// How the file's text was encoded; a document is written back the same way.
enum class RegEncoding { Utf8, Utf8Bom, Utf16le };

class RegDocument {
 public:
  // A new document: the header line and nothing else.
  RegDocument();

  // Parses the bytes of a file. UTF-8 (with or without a byte-order mark)
  // and UTF-16LE with its mark are accepted. The usual slips of a hand edit
  // are read as meant: blanks around "=", type words in any case, dwords
  // of fewer than 8 hex digits and a last line without a line end. Any
  // other fault makes the whole file an error, and so does a last line
  // without a line end that holds a byte list or a short dword, since a
  // file cut there would read as a different, shorter value.
  static std::optional<RegDocument> Parse(std::string_view bytes, RegParseError* error);

  // Reads whatever can be read from a damaged file: every line that Parse
  // would accept is kept, every other one is left out and listed in
  // `lost` (with the whole of a byte list that goes wrong, and the values
  // of a key whose name cannot be read). Never fails.
  static RegDocument Salvage(std::string_view bytes, std::vector<RegLostLine>* lost);

  // The file's bytes, in the encoding it was read in (UTF-8 for a new one).
  std::string Serialize() const;
  RegEncoding Encoding() const { return encoding_; }

  bool HasKey(std::string_view path) const;
  // The value `name` of key `path`; names and paths compare without regard
  // to ASCII case, as the registry does. Of repeated entries the last wins.
  std::optional<RegValue> Get(std::string_view path, std::string_view name) const;
  // Sets a value, creating the key's section at the end when missing.
  void Set(std::string_view path, std::string_view name, const RegValue& value);

 private:
  enum class Kind : std::uint8_t { Raw, Section, Value };
  // One line or run of lines. Runs of blank and comment lines share one
  // item, and key paths are held once in `sections_`, so that a file of
  // many short lines costs a small multiple of its size.
  struct Item {
    Kind kind = Kind::Raw;
    bool is_default = false;  // Value: written as @
    bool removed = false;     // Value: `=-`, a deletion mark: reads as absent
    std::uint32_t section = 0;  // Section, Value: index of its key path in sections_
    std::string raw;      // original text with its line end(s); empty: write canonically
    std::string name;     // Value: the value name ("" for the default value)
    RegValue value;
  };

  static std::optional<RegDocument> Read(std::string_view bytes, RegParseError* error,
                                         std::vector<RegLostLine>* lost);
  std::uint32_t SectionIndex(std::string_view path);

  std::vector<Item> items_;
  std::vector<std::string> sections_;
  std::string eol_ = "\n";  // line end of new lines: that of the header
  RegEncoding encoding_ = RegEncoding::Utf8;
};

// Text helpers shared with the tests (RegFileText.cpp).
std::string EscapeRegString(std::string_view text);
std::vector<std::uint8_t> Utf8ToUtf16le(std::string_view utf8, bool terminate);
std::string Utf16leToUtf8(const std::uint8_t* bytes, std::size_t size);

}  // namespace sandloop
