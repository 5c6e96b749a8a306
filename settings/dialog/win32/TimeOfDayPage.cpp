// The page "Time of Day": the tint's mode, the on-screen time lines and
// the place whose sunrise and sunset the real time of day follows.
#include <string>

#include "kit/os/win32/Text.h"
#include "settings/Form2Text.h"
#include "settings/dialog/win32/Controls.h"
#include "settings/dialog/win32/Pages.h"

#include <commctrl.h>

#include "settings/dialog/win32/Form2Ids.h"

namespace sandloop::dialog::win32 {

namespace {

namespace text = form2_text;

constexpr COLORREF kNavy = RGB(0x00, 0x00, 0x80);
constexpr COLORREF kSilver = RGB(0xC0, 0xC0, 0xC0);

// A city's name (Latin-1) in wide characters.
std::wstring Latin1(std::string_view name) {
  std::wstring wide(name.size(), L'\0');
  for (std::size_t i = 0; i < name.size(); ++i) wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(name[i]));
  return wide;
}

class TimeOfDayPage final : public Page {
 public:
  using Page::Page;
  void SetDpi(int dpi) override { bold_.SetDpi(dpi); }
  void RestoreFonts() override { bold_.Apply(); }

 private:
  void Init() override {
    SetText(hwnd_, IDC_GROUP_TIME, text::TimeOfDayGroup);
    SetText(hwnd_, IDC_TIME_OFF, text::RadioButton1);
    SetText(hwnd_, IDC_TIME_DEMO, text::RadioButton2);
    SetText(hwnd_, IDC_TIME_REAL, text::RadioButton3);
    SetText(hwnd_, IDC_SHOW_SIMULATED, text::CheckBox3);
    SetText(hwnd_, IDC_DEMO_LABEL, text::LabelDemo);
    SetText(hwnd_, IDC_SHOW_SUN_LINE, text::CheckBox5);
    SetText(hwnd_, IDC_GROUP_SUN, text::GroupSun);
    SetText(hwnd_, IDC_CITY_LABEL, text::LabelCity);
    SetText(hwnd_, IDC_DAYLIGHT, text::CheckBox4);
    SetText(hwnd_, IDC_RISE_CAPTION, text::LabelRise);
    SetText(hwnd_, IDC_SET_CAPTION, text::LabelSet);
    SetText(hwnd_, IDC_CITY_NOTE, text::Memo4);

    // The two captions of the sun's times in bold.
    bold_.Make(hwnd_, {IDC_RISE_CAPTION, IDC_SET_CAPTION}, FW_BOLD, 1, 1);

    const HWND box = GetDlgItem(hwnd_, IDC_CITY);
    const int count = model_.CityCount();
    SendMessageW(box, CB_INITSTORAGE, static_cast<WPARAM>(count), count * 24 * sizeof(wchar_t));
    SendMessageW(box, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < count; ++i)
      SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Latin1(model_.CityName(i)).c_str()));
    SendMessageW(box, WM_SETREDRAW, TRUE, 0);
    SendMessageW(box, CB_SETMINVISIBLE, 20, 0);
  }

  void Show() override {
    ShowRadioGroup(hwnd_, IDC_TIME_OFF, 3, model_.Selected(Choice::TimeOfDay));
    // With no item selected the text the user typed stays.
    const int index = model_.CityIndex();
    const HWND box = GetDlgItem(hwnd_, IDC_CITY);
    if (index >= 0 && index < model_.CityCount() &&
        (SendMessageW(box, CB_GETCURSEL, 0, 0) != index || Text(hwnd_, IDC_CITY) != os::Narrow(Latin1(model_.CityName(index)))))
      SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SetCheck(hwnd_, IDC_DAYLIGHT, model_.Checked(Check::Daylight));
    SetText(hwnd_, IDC_RISE, model_.Sunrise());
    SetText(hwnd_, IDC_SET, model_.Sunset());
    SetCheck(hwnd_, IDC_SHOW_SIMULATED, model_.Checked(Check::ShowSimulated));
    SetCheck(hwnd_, IDC_SHOW_SUN_LINE, model_.Checked(Check::ShowSunLine));
  }

  void Command(int id, int code) override {
    if (id == IDC_CITY) {
      if (code == CBN_SELCHANGE) {
        const int index = static_cast<int>(SendDlgItemMessageW(hwnd_, IDC_CITY, CB_GETCURSEL, 0, 0));
        Run([&] { model_.CityChange(index); });
      } else if (code == CBN_EDITCHANGE) {
        // Typing into the edit field leaves no item selected.
        Run([&] { model_.CityChange(-1); });
      }
      return;
    }
    if (code != BN_CLICKED) return;
    const bool on = IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
    switch (id) {
      case IDC_TIME_OFF: Run([&] { model_.Select(Choice::TimeOfDay, 0); }); break;
      case IDC_TIME_DEMO: Run([&] { model_.Select(Choice::TimeOfDay, 1); }); break;
      case IDC_TIME_REAL: Run([&] { model_.Select(Choice::TimeOfDay, 2); }); break;
      case IDC_DAYLIGHT: Run([&] { model_.SetChecked(Check::Daylight, on); }); break;
      case IDC_SHOW_SIMULATED: Run([&] { model_.SetChecked(Check::ShowSimulated, on); }); break;
      case IDC_SHOW_SUN_LINE: Run([&] { model_.SetChecked(Check::ShowSunLine, on); }); break;
      default: break;
    }
  }

  HBRUSH StaticColors(HDC dc, HWND control) override {
    const int id = GetDlgCtrlID(control);
    if (id != IDC_RISE_CAPTION && id != IDC_SET_CAPTION) return nullptr;
    // Navy on the page's own ground.
    SetTextColor(dc, kNavy);
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  }

  bool Draw(const DRAWITEMSTRUCT& item) override {
    if (item.CtlID != IDC_CITY_NOTE) return false;
    DrawNote(item, kSilver, RGB(0, 0, 0));
    return true;
  }

  OwnFont bold_;
};

}  // namespace

std::unique_ptr<Page> MakeTimeOfDayPage(Form2Model& model, const RunAction& run) {
  return std::make_unique<TimeOfDayPage>(model, run);
}

}  // namespace sandloop::dialog::win32
