#pragma once
// The first stage of reading the settings file: its bytes become UTF-8 text
// (whatever the file's encoding) and the text becomes numbered lines, each
// with its own line end, so that the later stages can keep every line
// exactly as it was written. The inverse, EncodeText, gives the file its
// encoding back when it is written.
#include <string>
#include <string_view>

#include "settings/RegFile.h"

namespace sandloop::regfile {

inline constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

// The file's text, told by its byte-order mark: UTF-16LE (decoded here),
// UTF-8 with a mark or plain UTF-8 (read in place).
struct DecodedText {
  RegEncoding encoding = RegEncoding::Utf8;
  bool odd_length = false;  // UTF-16 with an odd last byte, which is dropped
  std::string decoded;      // UTF-16 only: the text in UTF-8
  std::string_view bytes;   // UTF-8: the bytes after any mark

  std::string_view Text() const {
    return encoding == RegEncoding::Utf16le ? std::string_view(decoded) : bytes;
  }
};

// A zero character of UTF-16 text stays in the decoded text as '\0' (the
// text is not cut there), so that a line holding one can be refused.
// The result may refer to `bytes`.
DecodedText DecodeText(std::string_view bytes);

// The bytes of a file in `encoding`, from its UTF-8 text.
std::string EncodeText(std::string text, RegEncoding encoding);

// One line of the text; both views refer to the text.
struct Line {
  std::string_view text;  // without its line end ("\n" or "\r\n")
  std::string_view full;  // with it
  int number = 0;         // 1-based

  // Only the last line of a file can lack its line end: a file cut short.
  bool Ended() const { return full.ends_with('\n'); }
  bool HasZero() const { return text.find('\0') != std::string_view::npos; }
  // A trailing "\" (blanks after it allowed): a byte list goes on.
  bool Continues() const;
};

// A cursor over the lines of the text; no list of lines is made.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  // The next line, or false at the end of the text (and `line` unchanged).
  bool Next(Line* line);

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  int number_ = 0;
};

// Whether the line is the format's header (blanks after it allowed).
bool IsHeader(const Line& line);

// The line end that new lines take: that of the first line.
std::string_view LineEndOf(const Line& first);

// Where a run of lines starting with `first` and ending with `last` (a value
// and its continued lines) stands in the text.
inline std::string_view LinesFrom(const Line& first, const Line& last) {
  return std::string_view(first.full.data(),
                          static_cast<std::size_t>(last.full.data() + last.full.size() - first.full.data()));
}

}  // namespace sandloop::regfile
