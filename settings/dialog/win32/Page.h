#pragma once
// A page of the configuration dialog: a child dialog made from its
// template, laid over the tab control's display area. It shows the model
// and forwards the user's actions on its controls to the model through the
// window's runner, which catches what an action throws and then refreshes
// every page.
#include <functional>

#include <windows.h>

#include "settings/dialog/Form2Model.h"

namespace sandloop::dialog::win32 {

using Action = std::function<void()>;
using RunAction = std::function<void(const Action&)>;

class Page {
 public:
  Page(Form2Model& model, RunAction run) : model_(model), run_(std::move(run)) {}
  virtual ~Page() = default;
  Page(const Page&) = delete;
  Page& operator=(const Page&) = delete;

  // Makes the page's window from template `id`, a child of `parent`.
  bool Create(HINSTANCE module, int id, HWND parent);
  [[nodiscard]] HWND Handle() const { return hwnd_; }
  // Shows the model's state without running any handler.
  void Refresh();
  // The page's own fonts, made again for a new DPI, and given back to
  // their controls after the dialog manager gave them the dialog's font.
  virtual void SetDpi(int /*dpi*/) {}
  virtual void RestoreFonts() {}

 protected:
  // Sets the captions and the controls' ranges, once, after creation.
  virtual void Init() = 0;
  virtual void Show() = 0;
  // A control's notification (WM_COMMAND), a track bar's move, an
  // owner-drawn control's painting, a static control's colours.
  virtual void Command(int /*id*/, int /*code*/) {}
  virtual void Scroll(HWND /*control*/) {}
  virtual bool Draw(const DRAWITEMSTRUCT& /*item*/) { return false; }
  virtual HBRUSH StaticColors(HDC /*dc*/, HWND /*control*/) { return nullptr; }

  void Run(const Action& action) { run_(action); }
  Form2Model& model_;
  HWND hwnd_ = nullptr;

 private:
  static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  RunAction run_;
  // Set while the page shows the model: the notifications its own changes
  // cause are not the user's.
  bool showing_ = false;
};

}  // namespace sandloop::dialog::win32
