// The Windows settings dialog in real windows (under Wine on a virtual X
// server): its texts, the way a click reaches the model and the model's
// state reaches the controls, its keys, and what OK, Cancel and the close
// box store. The model's own rules are tested on their own.
#include "settings/dialog/win32/Form2Window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "kit/os/win32/Text.h"
#include "settings/Form2Text.h"
#include "tests/dialog/win32/StoredSettings.h"

#include <windows.h>
#include <commctrl.h>

#include "settings/dialog/win32/Form2Ids.h"

namespace sandloop::dialog::win32 {
namespace {

namespace text = form2_text;

constexpr const char* kTestProduct = "SandloopDialogTest";

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

std::string WindowText(HWND window) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return os::Narrow(buffer);
}

std::string ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return os::Narrow(name);
}

// Holds the key "Ctrl" (and "Shift") down in this thread's keyboard state.
void HoldKeys(bool ctrl, bool shift) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = ctrl ? 0x80 : 0;
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
}

class Form2WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, os::Widen(std::string("SOFTWARE\\Morvant\\") + kTestProduct).c_str());
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS |
                                                       ICC_LINK_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    Open();
  }
  void Open(HWND owner = nullptr) {
    window.reset();
    model = Form2Model::Create([this](const std::string& t, const std::string&) { messages.push_back(t); },
                               kTestProduct);
    window = std::make_unique<Form2Window>(*model);
    ASSERT_TRUE(window->Create(owner));
    Pump();
  }
  void TearDown() override {
    window.reset();
    HoldKeys(false, false);
  }

  static std::string Stored() { return test::StoredSettings(kTestProduct); }
  static std::string Stored(const std::string& name) { return test::StoredValue(kTestProduct, name); }

  HWND Page(int index) const { return window->PageHandle(index); }
  HWND Item(int page, int id) const { return GetDlgItem(page < 0 ? window->Handle() : Page(page), id); }
  void Click(int page, int id) {
    SendMessageW(Item(page, id), BM_CLICK, 0, 0);
    Pump();
  }
  bool Checked(int page, int id) const { return SendMessageW(Item(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

  std::vector<std::string> messages;
  std::unique_ptr<Form2Model> model;
  std::unique_ptr<Form2Window> window;
};

// Every caption, label and note of the table, each in one control of its
// kind; the title and the pages in their order.
TEST_F(Form2WindowTest, ShowsEveryTextOfTheTableOnce) {
  std::multimap<text::Kind, std::string> shown;
  std::vector<HWND> all;
  EnumChildWindows(
      window->Handle(),
      [](HWND child, LPARAM list) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  for (HWND child : all) {
    const std::string kind = ClassName(child);
    std::string caption = WindowText(child);
    if (kind == "Button") {
      const bool group = (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
      shown.emplace(group ? text::Kind::Group : text::Kind::Button, caption);
    } else if (kind == "Static" || kind == "SysLink") {
      // A link's text carries its mark-up.
      if (kind == "SysLink" && caption.size() > 7 && caption.starts_with("<a>") && caption.ends_with("</a>"))
        caption = caption.substr(3, caption.size() - 7);
      shown.emplace(text::Kind::Label, caption);
    }
  }
  const HWND tabs = Item(-1, IDC_PAGES);
  std::vector<std::string> pages;
  for (int i = 0; i < static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0)); ++i) {
    wchar_t name[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = name;
    item.cchTextMax = 64;
    SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    pages.push_back(os::Narrow(name));
    shown.emplace(text::Kind::Tab, pages.back());
  }
  EXPECT_EQ(WindowText(window->Handle()), "Tidewalk Beach Setup");
  EXPECT_EQ(pages, (std::vector<std::string>{"Settings", "Display", "Time of Day", "Clock"}));
  for (const text::Entry& e : text::kAll) {
    if (e.kind == text::Kind::Title) continue;
    const auto [from, to] = shown.equal_range(e.kind);
    EXPECT_EQ(std::count_if(from, to, [&](const auto& s) { return s.second == e.text; }), 1) << "\"" << e.text << "\"";
  }
  EXPECT_EQ(window->CurrentPage(), 0);
  EXPECT_TRUE(IsWindowVisible(Page(0)));
  EXPECT_FALSE(IsWindowVisible(Page(1)));
}

TEST_F(Form2WindowTest, ClicksAndTypingReachTheModel) {
  ASSERT_TRUE(Checked(0, IDC_PLAY_SOUND));
  Click(0, IDC_PLAY_SOUND);
  EXPECT_FALSE(model->Checked(Check::PlaySound));
  Click(0, IDC_FAST);
  EXPECT_EQ(model->Selected(Choice::Speed), 2);
  EXPECT_TRUE(Checked(0, IDC_FAST));
  EXPECT_FALSE(Checked(0, IDC_NORMAL));
  SetWindowTextW(Item(0, IDC_BIRDS), L"2");
  Pump();
  EXPECT_EQ(model->Position(Range::Birds), 2);

  // The gamma track bar, moved by the user.
  const HWND gamma = Item(1, IDC_GAMMA);
  SendMessageW(gamma, TBM_SETPOS, TRUE, 100);
  SendMessageW(Page(1), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 100), reinterpret_cast<LPARAM>(gamma));
  EXPECT_EQ(model->Position(Range::Gamma), 100);

  // A city picked from the list: the model takes it and shows its times.
  const HWND city = Item(2, IDC_CITY);
  SendMessageW(city, CB_SETCURSEL, 5, 0);
  SendMessageW(Page(2), WM_COMMAND, MAKEWPARAM(IDC_CITY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(city));
  EXPECT_EQ(model->CityIndex(), 5);
  EXPECT_FALSE(model->Sunrise().empty());
  EXPECT_EQ(WindowText(Item(2, IDC_RISE)), model->Sunrise());

  // The clock edits take digits only, and leaving one applies the limits.
  const HWND radius = Item(3, IDC_R);
  SetWindowTextW(radius, L"");
  for (const wchar_t c : {L'9', L'x', L'9', L'\b', L'9'}) SendMessageW(radius, WM_CHAR, c, 0);
  EXPECT_EQ(WindowText(radius), "999");
  EXPECT_EQ(model->EditText(ClockField::Radius), "999");
  window->ShowPage(3);
  SetFocus(radius);
  SetFocus(Item(3, IDC_X));
  Pump();
  EXPECT_NE(model->EditText(ClockField::Radius), "999");
  EXPECT_EQ(WindowText(radius), model->EditText(ClockField::Radius));
}

TEST_F(Form2WindowTest, TheModelsStateShowsInTheControls) {
  model->SetChecked(Check::ShowButterfly, false);
  model->Select(Choice::TimeOfDay, 2);
  model->SetPosition(Range::Gamma, 64);
  model->SetChecked(Check::ShowClock, false);
  window->Refresh();
  EXPECT_FALSE(Checked(0, IDC_SHOW_BUTTERFLY));
  EXPECT_TRUE(Checked(2, IDC_TIME_REAL));
  EXPECT_FALSE(Checked(2, IDC_TIME_DEMO));
  EXPECT_EQ(SendMessageW(Item(1, IDC_GAMMA), TBM_GETPOS, 0, 0), 64);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(IsWindowEnabled(Item(1, IDC_MODE0 + i)) != FALSE, model->SizeEnabled(i)) << i;
  EXPECT_FALSE(IsWindowEnabled(Item(3, IDC_X)));
  EXPECT_FALSE(IsWindowEnabled(Item(3, IDC_SET_COLOR)));
  // Tab enters a radio group at its checked button only.
  const auto stop = [&](int id) { return (GetWindowLongW(Item(2, id), GWL_STYLE) & WS_TABSTOP) != 0; };
  EXPECT_TRUE(stop(IDC_TIME_REAL));
  EXPECT_FALSE(stop(IDC_TIME_OFF));
  EXPECT_FALSE(stop(IDC_TIME_DEMO));
}

TEST_F(Form2WindowTest, CtrlTabAndCtrlPageKeysChangePagesEnterAndEscDoNothing) {
  const auto key = [&](UINT vk) {
    MSG msg{Item(-1, IDC_PAGES), WM_KEYDOWN, vk, 0, 0, {}};
    return window->PreTranslate(msg);
  };
  HoldKeys(true, false);
  EXPECT_TRUE(key(VK_TAB));
  EXPECT_EQ(window->CurrentPage(), 1);
  EXPECT_TRUE(IsWindowVisible(Page(1)));
  EXPECT_TRUE(key(VK_NEXT));
  EXPECT_EQ(window->CurrentPage(), 2);
  EXPECT_TRUE(key(VK_PRIOR));
  EXPECT_EQ(window->CurrentPage(), 1);
  HoldKeys(true, true);
  EXPECT_TRUE(key(VK_TAB));
  EXPECT_TRUE(key(VK_TAB));
  EXPECT_EQ(window->CurrentPage(), 3);
  EXPECT_EQ(SendMessageW(Item(-1, IDC_PAGES), TCM_GETCURSEL, 0, 0), 3);
  HoldKeys(false, false);
  EXPECT_FALSE(key(VK_TAB));  // plain Tab is the dialog manager's

  // Enter and Esc are taken away from the dialog manager, which would
  // turn them into IDOK and IDCANCEL; those do nothing either. Esc does
  // nothing on a button either.
  window->ShowPage(0);
  SetFocus(Item(0, IDC_BIRDS));
  EXPECT_TRUE(key(VK_RETURN));
  EXPECT_TRUE(key(VK_ESCAPE));
  SetFocus(Item(-1, IDC_OK));
  EXPECT_TRUE(key(VK_ESCAPE));
  SendMessageW(window->Handle(), WM_COMMAND, IDOK, 0);
  SendMessageW(window->Handle(), WM_COMMAND, IDCANCEL, 0);
  Pump();
  EXPECT_TRUE(IsWindow(window->Handle()));
  EXPECT_FALSE(model->Closed());
}

// Enter on a push button that has the focus presses it, on the bottom row
// and on a page, through the window's own message loop.
TEST_F(Form2WindowTest, EnterPressesTheFocusedPushButton) {
  // Posts Enter to the focused control (and then, unless the button
  // closes the window, the close box) and runs the loop until the window
  // closes: within 10 s, or the loop is told to end.
  const auto press = [&](HWND button, bool closes) {
    SetFocus(button);
    ASSERT_EQ(GetFocus(), button);
    PostMessageW(button, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    if (!closes) PostMessageW(window->Handle(), WM_CLOSE, 0, 0);
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); });
    window->RunModal();
    KillTimer(nullptr, watchdog);
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  };
  const std::string before = Stored();
  Click(0, IDC_PLAY_SOUND);
  press(Item(-1, IDC_CANCEL), true);
  EXPECT_TRUE(model->Closed());
  EXPECT_EQ(Stored(), before);

  Open();
  Click(0, IDC_PLAY_SOUND);
  ASSERT_FALSE(model->Checked(Check::PlaySound));
  press(Item(-1, IDC_DEFAULT), false);
  EXPECT_TRUE(model->Checked(Check::PlaySound));  // "Default Setting" ran
  EXPECT_EQ(Stored(), before);                    // and the close box stored nothing

  Open();
  int chosen = 0;
  model->SetColorDialog([&](std::uint32_t& color) {
    ++chosen;
    color = 0x123456;
    return true;
  });
  model->SetChecked(Check::ShowClock, true);
  window->Refresh();
  window->ShowPage(3);
  press(Item(3, IDC_SET_COLOR), false);
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(model->PanelColor(), std::optional<std::uint32_t>(0x123456));
}

// A new DPI: the window takes the place the system suggests, and the
// dialog's own fonts (the bold title, the bold captions of the sun's
// times) are made again at the new size, also after the dialog manager
// gave their controls the dialog's plain font.
TEST_F(Form2WindowTest, OwnFontsFollowANewDpi) {
  const auto font = [&](int page, int id) {
    LOGFONTW f{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Item(page, id), WM_GETFONT, 0, 0)), sizeof f, &f);
    return f;
  };
  const auto dpi_changed = [&](int dpi, RECT suggested) {
    SendMessageW(window->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    RECT r;
    GetWindowRect(window->Handle(), &r);
    EXPECT_TRUE(EqualRect(&r, &suggested)) << dpi << ": " << r.left << "," << r.top << " " << r.right << "," << r.bottom;
  };
  dpi_changed(120, RECT{40, 30, 740, 650});
  Pump();
  const LOGFONTW title = font(-1, IDC_TITLE), rise = font(2, IDC_RISE_CAPTION);
  EXPECT_EQ(title.lfWeight, FW_BOLD);
  EXPECT_EQ(rise.lfWeight, FW_BOLD);
  EXPECT_NE(title.lfHeight, 0);
  dpi_changed(240, RECT{0, 0, 1000, 900});
  // What the dialog manager does after the window's own handling.
  const auto plain = SendMessageW(window->Handle(), WM_GETFONT, 0, 0);
  SendMessageW(Item(-1, IDC_TITLE), WM_SETFONT, plain, FALSE);
  SendMessageW(Item(2, IDC_SET_CAPTION), WM_SETFONT, plain, FALSE);
  Pump();
  for (const auto& [now, then] : {std::pair{font(-1, IDC_TITLE), title}, std::pair{font(2, IDC_SET_CAPTION), rise}}) {
    EXPECT_EQ(now.lfWeight, FW_BOLD);
    EXPECT_NEAR(now.lfHeight, 2 * then.lfHeight, 1);
  }
}

TEST_F(Form2WindowTest, OkStoresEveryValueAndCloses) {
  Click(0, IDC_PLAY_SOUND);
  Click(2, IDC_TIME_OFF);
  SetWindowTextW(Item(0, IDC_BIRDS), L"2");
  ASSERT_EQ(Stored("flag_PlaySound"), "1");
  Click(-1, IDC_OK);
  EXPECT_TRUE(model->Closed());
  EXPECT_EQ(window->Handle(), nullptr);
  EXPECT_EQ(Stored("flag_PlaySound"), "0");
  EXPECT_EQ(Stored("FlagDemoDaytime"), "0");
  EXPECT_EQ(Stored("FlagDaytime"), "0");
  EXPECT_EQ(Stored("NumEagles"), "2");
}

TEST_F(Form2WindowTest, CancelAndTheCloseBoxStoreNothing) {
  const std::string before = Stored();
  Click(0, IDC_PLAY_SOUND);
  Click(-1, IDC_DEFAULT);
  Click(0, IDC_SHOW_FPS);
  Click(-1, IDC_CANCEL);
  EXPECT_TRUE(model->Closed());
  EXPECT_EQ(window->Handle(), nullptr);
  EXPECT_EQ(Stored(), before);

  Open();
  Click(0, IDC_SHOW_FPS);
  SendMessageW(window->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  EXPECT_TRUE(model->Closed());
  EXPECT_EQ(window->Handle(), nullptr);
  EXPECT_EQ(Stored(), before);
}

// A key that cannot be made: the user is told, and the dialog stays open
// with the choices made.
TEST_F(Form2WindowTest, OkThatCannotStoreSaysSoAndStaysOpen) {
  Click(0, IDC_SHOW_FPS);
  // A key's name may not be longer than 255 characters.
  RegDeleteTreeW(HKEY_CURRENT_USER, os::Widen(std::string("SOFTWARE\\Morvant\\") + kTestProduct).c_str());
  window.reset();
  model = Form2Model::Create([this](const std::string& t, const std::string&) { messages.push_back(t); },
                             std::string(300, 'k'));
  window = std::make_unique<Form2Window>(*model);
  ASSERT_TRUE(window->Create(nullptr));
  messages.clear();
  Click(0, IDC_SHOW_FPS);
  Click(-1, IDC_OK);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("could not be stored"), std::string::npos) << messages[0];
  EXPECT_FALSE(model->Closed());
  EXPECT_TRUE(IsWindow(window->Handle()));
  EXPECT_TRUE(Checked(0, IDC_SHOW_FPS));
}

// Owned by a window: centred on it, which is disabled while the dialog
// runs and enabled again when it closes.
TEST_F(Form2WindowTest, OwnedDialogCentresOnItsOwner) {
  const HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 100, 100, 600, 500, nullptr,
                                     nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  Open(owner);
  EXPECT_EQ(GetWindow(window->Handle(), GW_OWNER), owner);
  RECT r;
  GetWindowRect(window->Handle(), &r);
  EXPECT_NEAR((r.left + r.right) / 2, 400, 2);
  EXPECT_NEAR((r.top + r.bottom) / 2, 350, 2);
  // A timer of the thread, run by the dialog's own message loop, looks at
  // the owner while the dialog runs, then closes the dialog.
  static HWND sampled, dialog;
  static int enabled_while_running;
  sampled = owner;
  dialog = window->Handle();
  enabled_while_running = -1;
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    enabled_while_running = IsWindowEnabled(sampled) ? 1 : 0;
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  });
  window->RunModal();
  EXPECT_EQ(enabled_while_running, 0) << "-1: the dialog's loop never ran the timer";
  EXPECT_TRUE(model->Closed());
  EXPECT_TRUE(IsWindowEnabled(owner));
  DestroyWindow(owner);
}

}  // namespace
}  // namespace sandloop::dialog::win32
