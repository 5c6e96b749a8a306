#pragma once
// The small form framework the program runs on: an application object with
// a message loop, an idle event and an exception event, and forms that own
// a window of the display back end and receive its input.
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kit/Component.h"
#include "kit/DDmain.h"
#include "kit/ddraw/backend.h"

namespace sandloop {

class TApplication;

// A component with a window of the current display back end and no input:
// what a tool or a test hands the display device when no form runs a loop.
class TWindowHolder : public TComponent, public TWindowOwner {
 public:
  explicit TWindowHolder(std::string caption = "Sandloop", TComponent* owner = nullptr)
      : TComponent(owner), caption_(std::move(caption)) {}
  ~TWindowHolder() override;
  HWND Handle() override;
  // The display the window is made on: the back end in use unless another
  // was given before the window was made (a further monitor's).
  void SetDisplay(std::shared_ptr<display::Backend> display) { display_ = std::move(display); }
  [[nodiscard]] display::Backend* Display() const;

 private:
  std::shared_ptr<display::Backend> display_;
  std::string caption_;
  HWND window_ = 0;
};

// A form: a component with a window. Input of its window arrives through
// the virtual handlers; Close() ends it, and closing the main form ends the
// application's message loop.
class TForm : public TWindowHolder {
 public:
  TForm(TApplication& app, std::string caption);
  ~TForm() override;

  void Close() { closed_ = true; }
  [[nodiscard]] bool Closed() const { return closed_; }
  void Hide();
  [[nodiscard]] TApplication& Application() const { return app_; }

  virtual void FormKeyPress(char& /*key*/) {}
  virtual void FormKeyDown(int& /*key*/, unsigned /*shift*/) {}
  virtual void FormMouseMove(unsigned /*shift*/, int /*x*/, int /*y*/) {}
  virtual void FormMouseDown(int /*x*/, int /*y*/) {}
  virtual void FormMouseUp(int /*x*/, int /*y*/) {}
  // The window system asks the form to end: its window was closed, or the
  // process got a termination signal (then always the main form). Closing
  // is the default; a form that must end in its own order overrides it.
  virtual void FormQuit() { Close(); }
  // The monitors changed while the display was in exclusive use (told to
  // the main form only). Nothing by default.
  virtual void FormMonitorsChanged() {}

 private:
  TApplication& app_;
  bool closed_ = false;
};

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;

  void Initialize() {}
  void SetTitle(const std::string& title) { title_ = title; }
  [[nodiscard]] const std::string& Title() const { return title_; }

  // Makes a form owned by the application; the first one made is the main
  // form. Exceptions from the form's constructor propagate to the caller.
  template <class F, class... Args>
  F* CreateForm(Args&&... args) {
    auto form = std::make_unique<F>(*this, std::forward<Args>(args)...);
    F* raw = form.get();
    forms_.push_back(std::move(form));
    return raw;
  }
  // A form made elsewhere that takes part in the loop (first is main).
  void AddForm(TForm* form);
  // A form that goes (it does so itself) leaves the loop.
  void RemoveForm(TForm* form);
  [[nodiscard]] TForm* MainForm() const;

  // Runs until the main form closes or Terminate is called.
  void Run();
  // Hands a termination signal noted since the last call to the main form
  // as a quit request, then handles every pending input event once. With
  // no main form to end in order, the signal ends the process.
  void ProcessMessages();
  void Terminate() { terminated_ = true; }
  [[nodiscard]] bool Terminated() const { return terminated_; }

  // Called whenever no input is waiting; leaving `done` false asks to be
  // called again at once instead of waiting for input.
  std::function<void(bool& done)> OnIdle;
  // Receives exceptions that escape input handlers and the idle event;
  // without it they are shown in the standard message box.
  std::function<void(TComponent* sender, const std::exception& e)> OnException;

  // The standard message box for an exception: its message, OK.
  void ShowException(const std::exception& e);
  void HandleException(const std::exception& e);

 private:
  void Dispatch(const display::InputEvent& event);
  void DeliverQuitSignal();

  std::string title_;
  std::vector<std::unique_ptr<TForm>> forms_;
  std::vector<TForm*> order_;
  bool terminated_ = false;
};

}  // namespace sandloop
