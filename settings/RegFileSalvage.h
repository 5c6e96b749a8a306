#pragma once
// The fourth stage of reading the settings file: what becomes of a line
// that cannot be read. A strict read (RegDocument::Parse) stops at the
// first such line and reports it; a salvaging read (RegDocument::Salvage)
// lists it with the key and value name it held and goes on. Either way a
// value that goes wrong is left out whole, with the rest of its byte list,
// so that no continued line is mistaken for a line of its own.
#include <string>
#include <string_view>
#include <vector>

#include "settings/RegFile.h"
#include "settings/RegFileLines.h"

namespace sandloop::regfile {

class Faults {
 public:
  // `lost` == nullptr: a strict read, whose first fault goes to `error`
  // (when given). Otherwise faults are appended to `lost`.
  Faults(RegParseError* error, std::vector<RegLostLine>* lost) : error_(error), lost_(lost) {}

  // Records a fault on line `line` (0: the file as a whole) under the key
  // `path` ("" when none), naming the value `name` when it could be read.
  // False when the read must stop.
  bool Record(int line, std::string reason, std::string_view path = {}, const std::string* name = nullptr);

  // Records a fault on the value whose lines end, so far, at `last`, and
  // skips the lines its byte list still continues on; `last` becomes the
  // last line skipped. False when the read must stop.
  bool LeaveOut(Line* last, LineReader& lines, std::string reason, std::string_view path,
                const std::string* name);

 private:
  RegParseError* error_;
  std::vector<RegLostLine>* lost_;
};

}  // namespace sandloop::regfile
