// The page "Settings": sound, frame rate, how the saver ends, speed and
// the creatures.
#include <cstdlib>
#include <string>

#include "settings/Form2Text.h"
#include "settings/dialog/win32/Controls.h"
#include "settings/dialog/win32/Pages.h"

#include <commctrl.h>

#include "settings/dialog/win32/Form2Ids.h"

namespace sandloop::dialog::win32 {

namespace {

namespace text = form2_text;

class SettingsPage final : public Page {
 public:
  using Page::Page;

 private:
  void Init() override {
    SetText(hwnd_, IDC_GROUP_SOUND, text::GroupSound);
    SetText(hwnd_, IDC_PLAY_SOUND, text::CheckBox1PlaySound);
    SetText(hwnd_, IDC_GROUP_FPS, text::GroupFrameRate);
    SetText(hwnd_, IDC_SHOW_FPS, text::CheckBox2ShowFPS);
    SetText(hwnd_, IDC_GROUP_TERMINATE, text::RadioGroup1);
    SetText(hwnd_, IDC_KEY_MOUSE, text::RadioButton3KeyMouse);
    SetText(hwnd_, IDC_KEY_ONLY, text::RadioButton4Key);
    SetText(hwnd_, IDC_GROUP_SPEED, text::GroupSpeed);
    SetText(hwnd_, IDC_SLOW, text::RadioButton1Slow);
    SetText(hwnd_, IDC_NORMAL, text::RadioButton2Normal);
    SetText(hwnd_, IDC_FAST, text::RadioButton5Fast);
    SetText(hwnd_, IDC_GROUP_OBJECTS, text::GroupObjects);
    SetText(hwnd_, IDC_BIRDS_LABEL, text::LabelBirds);
    SetText(hwnd_, IDC_SHOW_BIRDS, text::CheckBox1);
    SetText(hwnd_, IDC_SHOW_BUTTERFLY, text::CheckBox2);
    SendDlgItemMessageW(hwnd_, IDC_BIRDS_SPIN, UDM_SETRANGE32, static_cast<WPARAM>(model_.Min(Range::Birds)),
                        model_.Max(Range::Birds));
  }

  void Show() override {
    SetCheck(hwnd_, IDC_PLAY_SOUND, model_.Checked(Check::PlaySound));
    SetCheck(hwnd_, IDC_SHOW_FPS, model_.Checked(Check::ShowFps));
    ShowRadioGroup(hwnd_, IDC_KEY_MOUSE, 2, model_.Selected(Choice::Terminate));
    ShowRadioGroup(hwnd_, IDC_SLOW, 3, model_.Selected(Choice::Speed));
    // While the user is typing, an emptied field stays empty.
    const std::string shown = Text(hwnd_, IDC_BIRDS);
    const int birds = model_.Position(Range::Birds);
    const bool typing = GetFocus() == GetDlgItem(hwnd_, IDC_BIRDS) && shown.empty();
    if (!typing && (shown.empty() || std::atoi(shown.c_str()) != birds)) SetText(hwnd_, IDC_BIRDS, std::to_string(birds));
    SetCheck(hwnd_, IDC_SHOW_BIRDS, model_.Checked(Check::ShowBirds));
    SetCheck(hwnd_, IDC_SHOW_BUTTERFLY, model_.Checked(Check::ShowButterfly));
  }

  void Command(int id, int code) override {
    if (id == IDC_BIRDS) {
      if (code != EN_CHANGE) return;
      const std::string typed = Text(hwnd_, IDC_BIRDS);
      if (!typed.empty()) Run([&] { model_.SetPosition(Range::Birds, std::atoi(typed.c_str())); });
      return;
    }
    if (code != BN_CLICKED) return;
    const bool on = IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
    switch (id) {
      case IDC_PLAY_SOUND: Run([&] { model_.SetChecked(Check::PlaySound, on); }); break;
      case IDC_SHOW_FPS: Run([&] { model_.SetChecked(Check::ShowFps, on); }); break;
      case IDC_KEY_MOUSE: Run([&] { model_.Select(Choice::Terminate, 0); }); break;
      case IDC_KEY_ONLY: Run([&] { model_.Select(Choice::Terminate, 1); }); break;
      case IDC_SLOW: Run([&] { model_.Select(Choice::Speed, 0); }); break;
      case IDC_NORMAL: Run([&] { model_.Select(Choice::Speed, 1); }); break;
      case IDC_FAST: Run([&] { model_.Select(Choice::Speed, 2); }); break;
      case IDC_SHOW_BIRDS: Run([&] { model_.SetChecked(Check::ShowBirds, on); }); break;
      case IDC_SHOW_BUTTERFLY: Run([&] { model_.SetChecked(Check::ShowButterfly, on); }); break;
      default: break;
    }
  }
};

}  // namespace

std::unique_ptr<Page> MakeSettingsPage(Form2Model& model, const RunAction& run) {
  return std::make_unique<SettingsPage>(model, run);
}

}  // namespace sandloop::dialog::win32
