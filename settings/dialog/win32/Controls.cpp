#include "settings/dialog/win32/Controls.h"

#include <vector>

#include "kit/os/win32/Text.h"

namespace sandloop::dialog::win32 {

std::wstring Wide(std::string_view text) { return os::Widen(text); }

std::string Text(HWND dialog, int id) {
  const HWND control = GetDlgItem(dialog, id);
  const int length = GetWindowTextLengthW(control);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), length + 1)));
  return os::Narrow(text);
}

void SetText(HWND dialog, int id, std::string_view text) {
  if (Text(dialog, id) == text) return;
  SetDlgItemTextW(dialog, id, Wide(text).c_str());
}

void SetCheck(HWND dialog, int id, bool on) {
  const WPARAM state = on ? BST_CHECKED : BST_UNCHECKED;
  if (SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) != static_cast<LRESULT>(state))
    SendDlgItemMessageW(dialog, id, BM_SETCHECK, state, 0);
}

void Enable(HWND dialog, int id, bool on) {
  const HWND control = GetDlgItem(dialog, id);
  if ((IsWindowEnabled(control) != FALSE) != on) EnableWindow(control, on ? TRUE : FALSE);
}

void ShowRadioGroup(HWND dialog, int first, int count, int selected) {
  int stop = selected;
  for (int i = 0; i < count && stop < 0; ++i)
    if (IsWindowEnabled(GetDlgItem(dialog, first + i))) stop = i;
  for (int i = 0; i < count; ++i) {
    SetCheck(dialog, first + i, i == selected);
    const HWND button = GetDlgItem(dialog, first + i);
    const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    const LONG_PTR wanted = i == stop ? style | WS_TABSTOP : style & ~static_cast<LONG_PTR>(WS_TABSTOP);
    if (wanted != style) SetWindowLongPtrW(button, GWL_STYLE, wanted);
  }
}

void DrawNote(const DRAWITEMSTRUCT& item, COLORREF ground, COLORREF ink) {
  const HDC dc = item.hDC;
  RECT r = item.rcItem;
  const HBRUSH brush = CreateSolidBrush(ground);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
  const int length = GetWindowTextLengthW(item.hwndItem);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(item.hwndItem, text.data(), length + 1)));
  const HGDIOBJ font = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
  // A margin of half an average character, as a memo keeps.
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  InflateRect(&r, -(metrics.tmAveCharWidth + 1) / 2, -2);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, IsWindowEnabled(item.hwndItem) ? ink : GetSysColor(COLOR_GRAYTEXT));
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, font);
}

void DrawColorPanel(const DRAWITEMSTRUCT& item, COLORREF color) {
  const bool enabled = IsWindowEnabled(item.hwndItem) != FALSE;
  const HBRUSH brush = enabled ? CreateSolidBrush(color) : CreateHatchBrush(HS_BDIAGONAL, GetSysColor(COLOR_GRAYTEXT));
  if (!enabled) SetBkColor(item.hDC, color);
  FillRect(item.hDC, &item.rcItem, brush);
  DeleteObject(brush);
}

int WindowDpi(HWND window) {
  // Windows 10 (1607) and later know each window's DPI.
  using GetDpi = UINT(WINAPI*)(HWND);
  static const auto get_dpi = reinterpret_cast<GetDpi>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (get_dpi != nullptr) {
    if (const UINT dpi = get_dpi(window); dpi != 0) return static_cast<int>(dpi);
  }
  const HDC dc = GetDC(window);
  const int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
  if (dc != nullptr) ReleaseDC(window, dc);
  return dpi > 0 ? dpi : 96;
}

OwnFont::~OwnFont() {
  if (font_ != nullptr) DeleteObject(font_);
}

bool OwnFont::Make(HWND dialog, std::initializer_list<int> ids, int weight, int num, int den) {
  if (GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof base_, &base_) == 0)
    return false;
  dialog_ = dialog;
  ids_.assign(ids);
  base_.lfWeight = weight;
  base_dpi_ = WindowDpi(dialog);
  num_ = num;
  den_ = den;
  SetDpi(base_dpi_);
  return font_ != nullptr;
}

HFONT OwnFont::Create(int dpi) const {
  LOGFONTW font = base_;
  font.lfHeight = MulDiv(MulDiv(base_.lfHeight, num_, den_), dpi, base_dpi_);
  return CreateFontIndirectW(&font);
}

void OwnFont::SetDpi(int dpi) {
  if (dialog_ == nullptr || dpi <= 0) return;
  const HFONT made = Create(dpi);
  if (made == nullptr) return;
  const HFONT old = font_;
  font_ = made;
  Apply();
  // Deleted only once no control uses it.
  if (old != nullptr) DeleteObject(old);
}

void OwnFont::Apply() const {
  if (font_ == nullptr) return;
  for (const int id : ids_) SendDlgItemMessageW(dialog_, id, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
}

}  // namespace sandloop::dialog::win32
