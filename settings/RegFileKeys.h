#pragma once
// The second stage of reading the settings file: what a line is (blank or
// comment, a key, a value or neither), the path of a key line, the name of
// a value line up to its "=", and which key the values that follow belong
// to. The value's data after the "=" is the next stage's (RegFileValues).
#include <string>
#include <string_view>

namespace sandloop::regfile {

enum class LineKind {
  Filler,  // blank or a comment (";"): kept as it is
  Key,     // "[path]"
  Value,   // "name"=... or @=...
  Other,   // anything else: a fault
};

// `body`: a line without its line end and leading blanks, holding no zero
// character.
LineKind KindOf(std::string_view body);

// The path of a key line "[path]" (blanks after it allowed), or empty when
// the line has no closing bracket or no path.
std::string_view ReadKeyPath(std::string_view body);

// The part of a value line before its data.
struct ValueHead {
  bool named = false;       // the name could be read (@ counts: the default value)
  bool is_default = false;  // @
  std::string name;         // unescaped; "" for @
  std::string_view data;    // after "=" and the blanks behind it
  std::string error;        // why the line cannot be read; "" when it can
};

// Reads "name" or @, then "=" (blanks around it allowed). In a quoted name
// only \\ and \" are escapes; a backslash before anything else stands for
// itself.
ValueHead ReadValueHead(std::string_view body);

// Parses a quoted string starting at s[0] == '"': the unescaped text, and
// in `rest` what follows the closing quote. False when the quote does not
// close on this line. Value names and text data share this form.
bool ReadQuoted(std::string_view s, std::string* text, std::string_view* rest);

// The key the values that follow belong to: none before the first key
// line, none after a key line that cannot be read.
class CurrentKey {
 public:
  void Open(std::string_view path) {
    path_ = path;
    state_ = State::Open;
  }
  void Lose() {
    path_.clear();
    state_ = State::Lost;
  }
  bool IsOpen() const { return state_ == State::Open; }
  // The open key's path; "" when none is open.
  const std::string& Path() const { return path_; }
  // Why a value cannot be kept while no key is open.
  std::string_view Orphaned() const {
    return state_ == State::Lost ? "a value under a key name that cannot be read" : "a value before the first key";
  }

 private:
  enum class State { None, Open, Lost };
  State state_ = State::None;
  std::string path_;
};

}  // namespace sandloop::regfile
