#include "settings/dialog/win32/Form2Window.h"

// The system's FindResource macro would rename the program's own.
#undef FindResource

#include <cstring>
#include <string>

#include "assets/Resources.h"
#include "settings/Form2Text.h"
#include "settings/dialog/win32/Controls.h"
#include "settings/dialog/win32/Pages.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include "settings/dialog/win32/Form2Ids.h"

namespace sandloop::dialog::win32 {

namespace {

namespace text = form2_text;

// A bitmap from the bytes of a .bmp file; null when they are not one.
HBITMAP BitmapFromFile(const assets::Bytes& bytes) {
  if (bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return nullptr;
  BITMAPFILEHEADER file;
  std::memcpy(&file, bytes.data(), sizeof file);
  if (file.bfType != 0x4D42 || file.bfOffBits >= bytes.size()) return nullptr;
  const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes.data() + sizeof file);
  const HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, bytes.data() + file.bfOffBits, info,
                                  DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

// Gives the dialog's own fonts back to their controls, after a change of
// DPI.
constexpr UINT kRestoreFonts = WM_APP + 1;

std::string Link(std::string_view caption) { return "<a>" + std::string(caption) + "</a>"; }

std::wstring ClassOf(HWND window) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  return name;
}

bool IsPushButton(HWND window) {
  if (window == nullptr || ClassOf(window) != L"Button") return false;
  const LONG_PTR type = GetWindowLongPtrW(window, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

}  // namespace

Form2Window::Form2Window(Form2Model& model, HINSTANCE module) : model_(model), module_(module) {
  const RunAction run = [this](const Action& a) { Run(a); };
  pages_ = MakePages(model_, run);
}

Form2Window::~Form2Window() {
  if (hwnd_ != nullptr) Finish();
  model_.SetOnClose(nullptr);
  model_.SetColorDialog(nullptr);
  if (picture_ != nullptr) DeleteObject(picture_);
}

bool Form2Window::Create(HWND owner) {
  owner_ = owner != nullptr && IsWindow(owner) ? owner : nullptr;
  if (CreateDialogParamW(module_, MAKEINTRESOURCEW(IDD_FORM2), owner_, &Form2Window::Proc,
                         reinterpret_cast<LPARAM>(this)) == nullptr) {
    hwnd_ = nullptr;
    return false;
  }
  for (std::size_t i = 0; i < pages_.size(); ++i)
    if (pages_[i]->Handle() == nullptr) {
      Finish();
      return false;
    }
  PlaceOnOwner();
  ShowWindow(hwnd_, SW_SHOW);
  return true;
}

void Form2Window::Init() {
  SetWindowTextW(hwnd_, Wide(text::Form2).c_str());
  SetText(hwnd_, IDC_TITLE, text::LabelTitle);
  SetText(hwnd_, IDC_VERSION, text::LabelVersion);
  SetText(hwnd_, IDC_LINK_WEB, Link(text::Label3));
  SetText(hwnd_, IDC_MAIL, text::LabelMail);
  SetText(hwnd_, IDC_LINK_MAIL, Link(text::Label5));
  SetText(hwnd_, IDC_NOTICE, text::LabelNotice);
  SetText(hwnd_, IDC_DEFAULT, text::Button1Default);
  SetText(hwnd_, IDC_OK, text::Button1OK);
  SetText(hwnd_, IDC_CANCEL, text::Button1Cancel);

  // The title in the dialog's font, bold and a little larger.
  title_font_.Make(hwnd_, {IDC_TITLE}, FW_BOLD, 13, 11);
  if (const auto bytes = assets::FindResource("DIALOGHEADER")) {
    picture_ = BitmapFromFile(*bytes);
    SendDlgItemMessageW(hwnd_, IDC_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_));
  }

  const HWND tabs = GetDlgItem(hwnd_, IDC_PAGES);
  const std::string_view names[] = {text::TabSheet1, text::TabSheet2, text::TabSheet3, text::TabSheet4};
  const int templates[] = {IDD_PAGE_SETTINGS, IDD_PAGE_DISPLAY, IDD_PAGE_TIME, IDD_PAGE_CLOCK};
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    std::wstring name = Wide(names[i]);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = name.data();
    SendMessageW(tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  // The display area below the row of tabs.
  RECT area;
  GetWindowRect(tabs, &area);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&area), 2);
  SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  HWND after = tabs;
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    if (!pages_[i]->Create(module_, templates[i], hwnd_)) return;
    // Right after the tab control in the Tab order, over its display area.
    SetWindowPos(pages_[i]->Handle(), after, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOACTIVATE);
    after = pages_[i]->Handle();
  }

  model_.SetColorDialog([this](std::uint32_t& color) {
    CHOOSECOLORW choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = hwnd_;
    choose.rgbResult = color;
    choose.lpCustColors = custom_colors_.data();
    choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
    if (!ChooseColorW(&choose)) return false;
    color = choose.rgbResult;
    return true;
  });
  model_.SetUrlOpener([this](const std::string& url) {
    ShellExecuteW(hwnd_, L"open", Wide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  });
  model_.SetOnClose([this] { Finish(); });
  Refresh();
  ShowPage(0);
}

void Form2Window::PlaceOnOwner() {
  RECT around{};
  if (owner_ == nullptr || !GetWindowRect(owner_, &around)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
  RECT self;
  GetWindowRect(hwnd_, &self);
  const int w = self.right - self.left, h = self.bottom - self.top;
  int x = (around.left + around.right - w) / 2, y = (around.top + around.bottom - h) / 2;
  // Whole on the monitor it lands on.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  const POINT centre{x + w / 2, y + h / 2};
  if (GetMonitorInfoW(MonitorFromPoint(centre, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - w));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - h));
  }
  SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form2Window::RunModal() {
  if (owner_ != nullptr) EnableWindow(owner_, FALSE);
  MSG msg;
  int result = 1;
  while (hwnd_ != nullptr && (result = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
    if (PreTranslate(msg) || IsDialogMessageW(hwnd_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (result == 0) {
    // The thread is asked to end: close without storing, and leave the
    // request for the loop outside.
    if (hwnd_ != nullptr) Finish();
    PostQuitMessage(static_cast<int>(msg.wParam));
  }
}

bool Form2Window::PreTranslate(const MSG& msg) {
  if (hwnd_ == nullptr || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))) return false;
  if (msg.message != WM_KEYDOWN && msg.message != WM_CHAR) return false;
  const auto key = static_cast<UINT>(msg.wParam);
  if (msg.message == WM_KEYDOWN && GetKeyState(VK_CONTROL) < 0 && (key == VK_TAB || key == VK_NEXT || key == VK_PRIOR)) {
    const bool back = key == VK_PRIOR || (key == VK_TAB && GetKeyState(VK_SHIFT) < 0);
    const HWND focus = GetFocus();
    const bool in_page = focus != nullptr && IsChild(PageHandle(current_), focus);
    ShowPage((current_ + (back ? 3 : 1)) % 4);
    // The control that had the focus is hidden now.
    if (in_page) SetFocus(GetDlgItem(hwnd_, IDC_PAGES));
    return true;
  }
  const bool enter = msg.message == WM_KEYDOWN ? key == VK_RETURN : key == L'\r';
  const bool escape = msg.message == WM_KEYDOWN ? key == VK_ESCAPE : key == 0x1B;
  if (!enter && !escape) return false;
  // A link opens with Enter, and an open list takes both keys.
  const HWND focus = GetFocus();
  if (focus != nullptr && enter && ClassOf(focus) == WC_LINK) return false;
  // Enter presses the push button that has the focus, as in any dialog.
  // Not left to the dialog manager: it presses the focused button only
  // when that one has become the default push button, which depends on how
  // the focus got there, and otherwise the default button, or IDOK, which
  // this dialog does not have.
  if (enter && IsPushButton(focus)) {
    if (msg.message == WM_KEYDOWN && IsWindowEnabled(focus))
      SendMessageW(GetParent(focus), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED),
                   reinterpret_cast<LPARAM>(focus));
    return true;
  }
  const HWND box = focus != nullptr && ClassOf(focus) == L"Edit" ? GetParent(focus) : focus;
  if (box != nullptr && ClassOf(box) == L"ComboBox" && SendMessageW(box, CB_GETDROPPEDSTATE, 0, 0) != 0) return false;
  return true;
}

void Form2Window::ShowPage(int index) {
  if (index < 0 || index >= static_cast<int>(pages_.size())) return;
  current_ = index;
  SendDlgItemMessageW(hwnd_, IDC_PAGES, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  for (std::size_t i = 0; i < pages_.size(); ++i)
    ShowWindow(pages_[i]->Handle(), static_cast<int>(i) == index ? SW_SHOW : SW_HIDE);
}

void Form2Window::Refresh() {
  for (auto& page : pages_)
    if (page->Handle() != nullptr) page->Refresh();
}

void Form2Window::Run(const Action& action) {
  try {
    action();
  } catch (const std::exception& e) {
    MessageBoxW(hwnd_, Wide(e.what()).c_str(), Wide(Form2Model::ApplicationTitle()).c_str(), MB_OK | MB_ICONERROR);
  }
  if (hwnd_ != nullptr && !model_.Closed()) Refresh();
}

void Form2Window::Command(int id) {
  switch (id) {
    case IDC_DEFAULT: Run([this] { model_.Default(); }); break;
    case IDC_OK: Run([this] { model_.Ok(); }); break;
    case IDC_CANCEL: Run([this] { model_.Cancel(); }); break;
    default: break;
  }
}

void Form2Window::Finish() {
  if (hwnd_ == nullptr) return;
  // The owner first, so that it takes the activation back.
  if (owner_ != nullptr) EnableWindow(owner_, TRUE);
  DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

INT_PTR CALLBACK Form2Window::Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Form2Window*>(lparam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lparam);
    self->hwnd_ = hwnd;
    self->Init();
    return TRUE;
  }
  auto* self = reinterpret_cast<Form2Window*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  return self == nullptr ? FALSE : self->OnMessage(message, wparam, lparam);
}

INT_PTR Form2Window::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      // IDOK and IDCANCEL (Enter, Esc) are not this dialog's buttons.
      if (HIWORD(wparam) == BN_CLICKED) Command(LOWORD(wparam));
      return TRUE;
    case WM_CLOSE:
      // The close box stores nothing, like "Cancel".
      Run([this] {
        if (!model_.Closed()) model_.Close();
      });
      return TRUE;
    case WM_NOTIFY: {
      const auto& header = *reinterpret_cast<const NMHDR*>(lparam);
      if (header.idFrom == IDC_PAGES && header.code == TCN_SELCHANGE) {
        ShowPage(static_cast<int>(SendDlgItemMessageW(hwnd_, IDC_PAGES, TCM_GETCURSEL, 0, 0)));
      } else if (header.code == NM_CLICK || header.code == NM_RETURN) {
        if (header.idFrom == IDC_LINK_WEB) Run([this] { model_.OpenWebLink(); });
        if (header.idFrom == IDC_LINK_MAIL) Run([this] { model_.OpenMailLink(); });
      }
      return TRUE;
    }
    case WM_DPICHANGED: {
      // Moved to a monitor of another scale, or the scale changed. Where
      // the system scales dialogs (per-monitor DPI, version 2) its dialog
      // manager lays the controls out again after this, with the dialog's
      // font made anew; the fonts made here follow the new DPI, and get
      // their controls back once the dialog manager is done.
      const int dpi = HIWORD(wparam);
      title_font_.SetDpi(dpi);
      for (auto& page : pages_) page->SetDpi(dpi);
      const RECT& r = *reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      PostMessageW(hwnd_, kRestoreFonts, 0, 0);
      return FALSE;
    }
    case kRestoreFonts:
      title_font_.Apply();
      for (auto& page : pages_) page->RestoreFonts();
      return TRUE;
    case WM_NCDESTROY: hwnd_ = nullptr; return FALSE;
    default: return FALSE;
  }
}

}  // namespace sandloop::dialog::win32
