#pragma once
// The four pages of the configuration dialog, in their order.
#include <array>
#include <memory>

#include "settings/dialog/win32/Page.h"

namespace sandloop::dialog::win32 {

std::unique_ptr<Page> MakeSettingsPage(Form2Model& model, const RunAction& run);
std::unique_ptr<Page> MakeDisplayPage(Form2Model& model, const RunAction& run);
std::unique_ptr<Page> MakeTimeOfDayPage(Form2Model& model, const RunAction& run);
std::unique_ptr<Page> MakeClockPage(Form2Model& model, const RunAction& run);

inline std::array<std::unique_ptr<Page>, 4> MakePages(Form2Model& model, const RunAction& run) {
  return {MakeSettingsPage(model, run), MakeDisplayPage(model, run), MakeTimeOfDayPage(model, run),
          MakeClockPage(model, run)};
}

}  // namespace sandloop::dialog::win32
