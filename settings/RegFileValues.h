#pragma once
// The third stage of reading the settings file: a value's data, the part
// after "=" — a deletion mark (-), quoted text, dword:digits, or hex bytes
// (hex: or hex(type):) whose list may go on over lines ending in ",\".
// Also the other way: the canonical line of a value, as the registry
// editor exports it. The reader refuses whatever a file cut short could
// have turned into a different value.
#include <string>
#include <string_view>

#include "settings/RegFile.h"
#include "settings/RegFileLines.h"

namespace sandloop::regfile {

struct ValueData {
  bool removed = false;  // "-": the value is deleted
  RegValue value;
  Line last;             // the last line the data took
  std::string error;     // why the data cannot be read; "" when it can
};

// Reads the data `data` that stands on `line` (after "=" and its blanks);
// a byte list takes its continued lines from `lines`.
ValueData ReadValueData(std::string_view data, const Line& line, LineReader& lines);

// The canonical line of a value with its line end `eol`: @ or the quoted
// name, then "-", quoted text, dword:%08x (a REG_DWORD of 4 bytes) or hex
// bytes wrapped at about 80 columns.
std::string FormatValueLine(bool is_default, std::string_view name, bool removed, const RegValue& value,
                            std::string_view eol);

}  // namespace sandloop::regfile
