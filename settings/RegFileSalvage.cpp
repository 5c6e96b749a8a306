// Faults met while reading the settings file: reported and fatal for a
// strict read, listed and skipped for a salvaging one (see RegFileSalvage.h).
#include "settings/RegFileSalvage.h"

namespace sandloop::regfile {

bool Faults::Record(int line, std::string reason, std::string_view path, const std::string* name) {
  if (!lost_) {
    if (error_) *error_ = {line, std::move(reason)};
    return false;
  }
  RegLostLine l;
  l.line = line;
  l.reason = std::move(reason);
  l.path = std::string(path);
  if (name) {
    l.name = *name;
    l.names_value = true;
  }
  lost_->push_back(std::move(l));
  return true;
}

bool Faults::LeaveOut(Line* last, LineReader& lines, std::string reason, std::string_view path,
                      const std::string* name) {
  const bool go_on = Record(last->number, std::move(reason), path, name);
  bool continued = last->Continues();
  while (continued && lines.Next(last)) continued = last->Continues();
  return go_on;
}

}  // namespace sandloop::regfile
