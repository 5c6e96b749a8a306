#pragma once
// Small helpers over the dialog's Win32 controls: texts in and out, check
// and radio states, tab stops, and the owner-drawn notes and colour panel.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

namespace sandloop::dialog::win32 {

// A text of the program (UTF-8) as the system's wide characters.
std::wstring Wide(std::string_view text);
// The text of a control as UTF-8.
std::string Text(HWND dialog, int id);
// Sets a control's text; a text it already shows is left alone, so that
// the control sends no change notification and keeps its caret.
void SetText(HWND dialog, int id, std::string_view text);
void SetCheck(HWND dialog, int id, bool on);
void Enable(HWND dialog, int id, bool on);
// Checks button `first + selected` of a radio group of `count` buttons and
// clears the others (none checked for -1), then makes the checked button
// the group's only Tab stop (the first enabled one when none is checked),
// so that Tab enters the group at its choice.
void ShowRadioGroup(HWND dialog, int first, int count, int selected);
// Fills a note (an owner-drawn static) with `ground` and writes its text
// with a margin, greyed when the note is disabled.
void DrawNote(const DRAWITEMSTRUCT& item, COLORREF ground, COLORREF ink);
// Fills the colour panel with `color`, greyed out when it is disabled.
void DrawColorPanel(const DRAWITEMSTRUCT& item, COLORREF color);

// The DPI a window is shown at (the system's where Windows cannot tell a
// window's own).
int WindowDpi(HWND window);

// A font of the dialog's own for some of its controls (the bold title, the
// bold captions), made from the dialog font at the DPI the dialog was made
// at, and made again when the DPI changes: the dialog manager scales only
// the fonts it made itself, and gives every control the dialog's new one.
class OwnFont {
 public:
  OwnFont() = default;
  ~OwnFont();
  OwnFont(const OwnFont&) = delete;
  OwnFont& operator=(const OwnFont&) = delete;

  // Makes the font from `dialog`'s own, with `weight` and its height times
  // num / den, and gives it to the controls `ids`. False when the dialog
  // has no font.
  bool Make(HWND dialog, std::initializer_list<int> ids, int weight, int num, int den);
  // Makes it again for `dpi` and gives it to the controls.
  void SetDpi(int dpi);
  // Gives it to the controls again (after the dialog manager gave them
  // another).
  void Apply() const;

 private:
  HFONT Create(int dpi) const;
  HWND dialog_ = nullptr;
  std::vector<int> ids_;
  LOGFONTW base_{};  // the dialog's font at `base_dpi_`
  int base_dpi_ = 96;
  int num_ = 1, den_ = 1;
  HFONT font_ = nullptr;
};

}  // namespace sandloop::dialog::win32
