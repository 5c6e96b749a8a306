#pragma once
// The configuration window on Windows: the header, the four pages in a
// tab control and the bottom row of buttons, from the program's dialog
// templates, over the dialog's model. Neither Enter nor Esc stands for "OK"
// or "Cancel"; Enter presses the push button that has the focus; Ctrl+Tab
// and Ctrl+PageDown (with Shift, Ctrl+PageUp) change pages. At a new DPI
// the window takes the place the system suggests and its own fonts are
// made again.
#include <array>
#include <memory>

#include "settings/dialog/win32/Controls.h"
#include "settings/dialog/win32/Page.h"

namespace sandloop::dialog::win32 {

class Form2Window {
 public:
  // `model` outlives the window; the window supplies its colour dialog,
  // link opener and close handler.
  explicit Form2Window(Form2Model& model, HINSTANCE module = GetModuleHandleW(nullptr));
  ~Form2Window();
  Form2Window(const Form2Window&) = delete;
  Form2Window& operator=(const Form2Window&) = delete;

  // Makes the window, owned by `owner` (none: null) and centred on it or,
  // without one, on the primary monitor's work area, and shows it. False
  // when a template or a control class is missing.
  bool Create(HWND owner);
  // Runs the window's messages until it closes; an owner is disabled
  // meanwhile, as by a modal dialog.
  void RunModal();
  // Handles a message of the window's thread before the dialog manager
  // sees it: the page keys, and Enter and Esc, which do nothing here
  // except on a push button (Enter presses it), on a link or in an open
  // list. True when it took the message.
  bool PreTranslate(const MSG& msg);

  [[nodiscard]] HWND Handle() const { return hwnd_; }
  [[nodiscard]] HWND PageHandle(int index) const { return pages_[static_cast<std::size_t>(index)]->Handle(); }
  [[nodiscard]] int CurrentPage() const { return current_; }
  void ShowPage(int index);
  // Shows the model's state in every control.
  void Refresh();

 private:
  static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void Init();
  void Run(const Action& action);
  void Command(int id);
  void PlaceOnOwner();
  void Finish();

  Form2Model& model_;
  HINSTANCE module_;
  HWND hwnd_ = nullptr;
  HWND owner_ = nullptr;
  std::array<std::unique_ptr<Page>, 4> pages_;
  int current_ = 0;
  OwnFont title_font_;
  HBITMAP picture_ = nullptr;
  std::array<::COLORREF, 16> custom_colors_{};
};

}  // namespace sandloop::dialog::win32
