// Key lines and value names of the settings file: the left-hand side of
// each line, read on its own so that a value's data (RegFileValues) is only
// looked at once its line is known to be a value under a readable key.
#include "settings/RegFileKeys.h"

#include "settings/RegFileText.h"

namespace sandloop::regfile {

LineKind KindOf(std::string_view body) {
  if (TrimRight(body).empty() || body.front() == ';') return LineKind::Filler;
  if (body.front() == '[') return LineKind::Key;
  if (body.front() == '"' || body.front() == '@') return LineKind::Value;
  return LineKind::Other;
}

std::string_view ReadKeyPath(std::string_view body) {
  std::string_view t = TrimRight(body);
  if (t.size() < 3 || t.front() != '[' || t.back() != ']') return {};
  return t.substr(1, t.size() - 2);
}

bool ReadQuoted(std::string_view s, std::string* text, std::string_view* rest) {
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
  return false;
}

ValueHead ReadValueHead(std::string_view body) {
  ValueHead head;
  std::string_view rest;
  if (!body.empty() && body.front() == '@') {
    head.is_default = true;
    rest = body.substr(1);
  } else if (body.empty() || body.front() != '"' || !ReadQuoted(body, &head.name, &rest)) {
    head.name.clear();
    head.error = "unterminated value name";
    return head;
  }
  head.named = true;
  rest = TrimLeft(rest);
  if (rest.empty() || rest.front() != '=') {
    head.error = "missing '=' after the value name";
    return head;
  }
  head.data = TrimLeft(rest.substr(1));
  return head;
}

}  // namespace sandloop::regfile
