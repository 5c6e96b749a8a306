// The page "Clock": whether the clock shows, its colour, place and size.
#include <string>

#include "settings/Form2Text.h"
#include "settings/dialog/win32/Controls.h"
#include "settings/dialog/win32/Pages.h"

#include <commctrl.h>

#include "settings/dialog/win32/Form2Ids.h"

namespace sandloop::dialog::win32 {

namespace {

namespace text = form2_text;

constexpr int kEdits[] = {IDC_X, IDC_Y, IDC_R};

class ClockPage final : public Page {
 public:
  using Page::Page;
  ~ClockPage() override {
    for (const int id : kEdits)
      if (hwnd_ != nullptr && IsWindow(hwnd_)) RemoveWindowSubclass(GetDlgItem(hwnd_, id), &ClockPage::EditProc, 0);
  }

 private:
  void Init() override {
    SetText(hwnd_, IDC_GROUP_CLOCK, text::GroupClock);
    SetText(hwnd_, IDC_SHOW_CLOCK, text::CheckBox3Showclock);
    SetText(hwnd_, IDC_GROUP_COLOR, text::GroupColor);
    SetText(hwnd_, IDC_SET_COLOR, text::Button1);
    SetText(hwnd_, IDC_GROUP_POSITION, text::GroupPosition);
    SetText(hwnd_, IDC_X_LABEL, text::LabelX);
    SetText(hwnd_, IDC_Y_LABEL, text::LabelY);
    SetText(hwnd_, IDC_GROUP_SIZE, text::GroupSize);
    SetText(hwnd_, IDC_R_LABEL, text::LabelR);
    SetText(hwnd_, IDC_CLOCK_NOTE, text::Memo3);
    for (const int id : kEdits)
      SetWindowSubclass(GetDlgItem(hwnd_, id), &ClockPage::EditProc, 0, reinterpret_cast<DWORD_PTR>(this));
  }

  void Show() override {
    SetCheck(hwnd_, IDC_SHOW_CLOCK, model_.Checked(Check::ShowClock));
    const bool on = model_.ClockControlsEnabled();
    for (const int id : {IDC_X_LABEL, IDC_Y_LABEL, IDC_R_LABEL, IDC_X, IDC_Y, IDC_R, IDC_COLOR_PANEL, IDC_SET_COLOR})
      Enable(hwnd_, id, on);
    const auto panel = model_.PanelColor();
    const COLORREF color = panel ? static_cast<COLORREF>(*panel) : GetSysColor(COLOR_MENU);
    if (color != shown_color_) {
      shown_color_ = color;
      InvalidateRect(GetDlgItem(hwnd_, IDC_COLOR_PANEL), nullptr, TRUE);
    }
    SetText(hwnd_, IDC_X, model_.EditText(ClockField::X));
    SetText(hwnd_, IDC_Y, model_.EditText(ClockField::Y));
    SetText(hwnd_, IDC_R, model_.EditText(ClockField::Radius));
  }

  void Command(int id, int code) override {
    switch (id) {
      case IDC_SHOW_CLOCK:
        if (code == BN_CLICKED) {
          const bool on = IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
          Run([&] { model_.SetChecked(Check::ShowClock, on); });
        }
        break;
      case IDC_SET_COLOR:
      case IDC_COLOR_PANEL:
        if (code == BN_CLICKED || code == STN_CLICKED) Run([&] { model_.ChooseColor(); });
        break;
      // What the user typed, taken as it stands; the limits apply when
      // the focus leaves the edit.
      case IDC_X:
        if (code == EN_CHANGE) model_.SetEditText(ClockField::X, Text(hwnd_, id));
        break;
      case IDC_Y:
        if (code == EN_CHANGE) model_.SetEditText(ClockField::Y, Text(hwnd_, id));
        break;
      case IDC_R:
        if (code == EN_CHANGE) model_.SetEditText(ClockField::Radius, Text(hwnd_, id));
        break;
      default: break;
    }
  }

  bool Draw(const DRAWITEMSTRUCT& item) override {
    if (item.CtlID == IDC_COLOR_PANEL) {
      DrawColorPanel(item, shown_color_);
      return true;
    }
    if (item.CtlID == IDC_CLOCK_NOTE) {
      DrawNote(item, GetSysColor(COLOR_MENU), GetSysColor(COLOR_MENUTEXT));
      return true;
    }
    return false;
  }

  void Exit(int id) {
    switch (id) {
      case IDC_X: Run([this] { model_.EditExit(ClockField::X); }); break;
      case IDC_Y: Run([this] { model_.EditExit(ClockField::Y); }); break;
      case IDC_R: Run([this] { model_.EditExit(ClockField::Radius); }); break;
      default: break;
    }
  }

  // The clock edits take digits only; shortcuts (control characters other
  // than Backspace) keep their meaning. Leaving an edit for another control
  // of the dialog applies the clock limits; another window taking the focus
  // does not.
  static LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR self) {
    if (message == WM_CHAR && (wparam == L'\b' || wparam >= 0x20)) {
      char key = wparam < 0x80 ? static_cast<char>(wparam) : '?';
      Form2Model::EditKeyPress(key);
      if (key == 0) return 0;
    }
    if (message == WM_KILLFOCUS) {
      const auto next = reinterpret_cast<HWND>(wparam);
      const LRESULT result = DefSubclassProc(edit, message, wparam, lparam);
      if (next != nullptr && IsChild(GetAncestor(edit, GA_ROOT), next))
        reinterpret_cast<ClockPage*>(self)->Exit(GetDlgCtrlID(edit));
      return result;
    }
    return DefSubclassProc(edit, message, wparam, lparam);
  }

  COLORREF shown_color_ = CLR_INVALID;
};

}  // namespace

std::unique_ptr<Page> MakeClockPage(Form2Model& model, const RunAction& run) { return std::make_unique<ClockPage>(model, run); }

}  // namespace sandloop::dialog::win32
