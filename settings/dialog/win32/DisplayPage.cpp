// The page "Display": the screen size, the colour depth and the gamma
// level, with the buttons the display-mode and gamma probes allow.
#include <string>

#include "settings/Form2Text.h"
#include "settings/dialog/win32/Controls.h"
#include "settings/dialog/win32/Pages.h"

#include <commctrl.h>

#include "settings/dialog/win32/Form2Ids.h"

namespace sandloop::dialog::win32 {

namespace {

namespace text = form2_text;

class DisplayPage final : public Page {
 public:
  using Page::Page;
  ~DisplayPage() override {
    for (int i = 0; i < 5; ++i)
      if (hwnd_ != nullptr && IsWindow(hwnd_))
        RemoveWindowSubclass(GetDlgItem(hwnd_, IDC_MODE0 + i), &DisplayPage::ModeButtonProc, static_cast<UINT_PTR>(i));
  }

 private:
  void Init() override {
    SetText(hwnd_, IDC_GROUP_VIDEO, text::RadioGroup3);
    for (int i = 0; i < 5; ++i) {
      SetText(hwnd_, IDC_MODE0 + i, text::VideoMode[i]);
      // The size buttons act again when the mouse button is released over
      // them (after the click has selected one).
      SetWindowSubclass(GetDlgItem(hwnd_, IDC_MODE0 + i), &DisplayPage::ModeButtonProc, static_cast<UINT_PTR>(i),
                        reinterpret_cast<DWORD_PTR>(this));
    }
    SetText(hwnd_, IDC_GROUP_DEPTH, text::DepthGroup);
    for (int i = 0; i < 3; ++i) SetText(hwnd_, IDC_DEPTH0 + i, text::Depth[i]);
    SetText(hwnd_, IDC_GROUP_GAMMA, text::GroupGamma);
    SetText(hwnd_, IDC_DARKEN, text::Label8);
    SetText(hwnd_, IDC_LIGHTEN, text::Label9);
    SetText(hwnd_, IDC_GAMMA_NOTE, text::Memo2);
    const HWND gamma = GetDlgItem(hwnd_, IDC_GAMMA);
    SendMessageW(gamma, TBM_SETRANGEMIN, FALSE, model_.Min(Range::Gamma));
    SendMessageW(gamma, TBM_SETRANGEMAX, FALSE, model_.Max(Range::Gamma));
    SendMessageW(gamma, TBM_SETTICFREQ, 16, 0);
    SendMessageW(gamma, TBM_SETLINESIZE, 0, 1);
    SendMessageW(gamma, TBM_SETPAGESIZE, 0, 16);
  }

  void Show() override {
    for (int i = 0; i < 5; ++i)
      Enable(hwnd_, IDC_MODE0 + i, model_.SizeEnabled(i));
    for (int i = 0; i < 3; ++i) Enable(hwnd_, IDC_DEPTH0 + i, model_.DepthEnabled(i));
    ShowRadioGroup(hwnd_, IDC_MODE0, 5, model_.Selected(Choice::VideoMode));
    ShowRadioGroup(hwnd_, IDC_DEPTH0, 3, model_.Selected(Choice::Depth));
    const HWND gamma = GetDlgItem(hwnd_, IDC_GAMMA);
    if (SendMessageW(gamma, TBM_GETPOS, 0, 0) != model_.Position(Range::Gamma))
      SendMessageW(gamma, TBM_SETPOS, TRUE, model_.Position(Range::Gamma));
    Enable(hwnd_, IDC_GAMMA, model_.GammaEnabled());
    // Without gamma support the labels and the note are greyed.
    for (const int id : {IDC_DARKEN, IDC_LIGHTEN, IDC_GAMMA_NOTE}) Enable(hwnd_, id, !model_.GammaLabelsInactive());
  }

  void Command(int id, int code) override {
    if (code != BN_CLICKED) return;
    if (id >= IDC_MODE0 && id < IDC_MODE0 + 5) Run([&] { model_.Select(Choice::VideoMode, id - IDC_MODE0); });
    if (id >= IDC_DEPTH0 && id < IDC_DEPTH0 + 3) Run([&] { model_.Select(Choice::Depth, id - IDC_DEPTH0); });
  }

  void Scroll(HWND control) override {
    if (control != GetDlgItem(hwnd_, IDC_GAMMA)) return;
    const int position = static_cast<int>(SendMessageW(control, TBM_GETPOS, 0, 0));
    Run([&] { model_.SetPosition(Range::Gamma, position); });
  }

  bool Draw(const DRAWITEMSTRUCT& item) override {
    if (item.CtlID != IDC_GAMMA_NOTE) return false;
    DrawNote(item, GetSysColor(COLOR_MENU), GetSysColor(COLOR_MENUTEXT));
    return true;
  }

  static LRESULT CALLBACK ModeButtonProc(HWND button, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR index,
                                         DWORD_PTR self) {
    if (message != WM_LBUTTONUP) return DefSubclassProc(button, message, wparam, lparam);
    RECT client;
    GetClientRect(button, &client);
    const POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
    const bool pressed = GetCapture() == button;
    const LRESULT result = DefSubclassProc(button, message, wparam, lparam);
    if (pressed && PtInRect(&client, at) && IsWindowEnabled(button)) {
      auto* page = reinterpret_cast<DisplayPage*>(self);
      page->Run([page, index] { page->model_.ModeButtonMouseUp(static_cast<int>(index)); });
    }
    return result;
  }
};

}  // namespace

std::unique_ptr<Page> MakeDisplayPage(Form2Model& model, const RunAction& run) {
  return std::make_unique<DisplayPage>(model, run);
}

}  // namespace sandloop::dialog::win32
