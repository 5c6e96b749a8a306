#include "settings/dialog/win32/Page.h"

#include <uxtheme.h>

namespace sandloop::dialog::win32 {

bool Page::Create(HINSTANCE module, int id, HWND parent) {
  hwnd_ = CreateDialogParamW(module, MAKEINTRESOURCEW(id), parent, &Page::Proc, reinterpret_cast<LPARAM>(this));
  if (hwnd_ == nullptr) return false;
  // The tab control's own ground behind the page where a theme draws one.
  EnableThemeDialogTexture(hwnd_, ETDT_ENABLETAB);
  showing_ = true;
  Init();
  showing_ = false;
  return true;
}

void Page::Refresh() {
  showing_ = true;
  Show();
  showing_ = false;
}

INT_PTR CALLBACK Page::Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(hwnd, DWLP_USER, lparam);
    return FALSE;
  }
  auto* page = reinterpret_cast<Page*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (page == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      if (!page->showing_) page->Command(LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    case WM_HSCROLL:
      if (!page->showing_ && lparam != 0) page->Scroll(reinterpret_cast<HWND>(lparam));
      return TRUE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      return item != nullptr && page->Draw(*item) ? TRUE : FALSE;
    }
    case WM_CTLCOLORSTATIC:
      if (HBRUSH brush = page->StaticColors(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam)))
        return reinterpret_cast<INT_PTR>(brush);
      return FALSE;
    default: return FALSE;
  }
}

}  // namespace sandloop::dialog::win32
