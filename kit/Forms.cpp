#include "kit/Forms.h"

#include "kit/ddraw/platform.h"

namespace sandloop {

TWindowHolder::~TWindowHolder() {
  if (window_ != 0) {
    if (display::Backend* b = Display()) b->DestroyWindow(window_);
  }
}

display::Backend* TWindowHolder::Display() const {
  return display_ != nullptr ? display_.get() : display::CurrentBackend();
}

HWND TWindowHolder::Handle() {
  if (window_ == 0) {
    if (display::Backend* b = Display()) window_ = b->CreateFormWindow(caption_);
  }
  return window_;
}

TForm::TForm(TApplication& app, std::string caption) : TWindowHolder(std::move(caption), &app), app_(app) {
  app_.AddForm(this);
}

// Form windows are only ever shown by taking the display; giving the display
// back hides them, so there is nothing more to do here.
void TForm::Hide() {}

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() {
  // Forms go in reverse order of making.
  while (!forms_.empty()) forms_.pop_back();
}

TForm::~TForm() { app_.RemoveForm(this); }

void TApplication::AddForm(TForm* form) { order_.push_back(form); }

void TApplication::RemoveForm(TForm* form) { std::erase(order_, form); }

TForm* TApplication::MainForm() const { return order_.empty() ? nullptr : order_.front(); }

void TApplication::ShowException(const std::exception& e) {
  MessageBoxA(0, e.what(), title_.empty() ? std::string("Sandloop") : title_, MB_OK);
}

void TApplication::HandleException(const std::exception& e) {
  if (OnException)
    OnException(this, e);
  else
    ShowException(e);
}

void TApplication::Dispatch(const display::InputEvent& event) {
  TForm* target = MainForm();
  for (TForm* f : order_) {
    if (event.window != 0 && f->Handle() == event.window) target = f;
  }
  if (target == nullptr) return;
  using Kind = display::InputEvent::Kind;
  switch (event.kind) {
    case Kind::KeyDown: {
      int key = event.key;
      target->FormKeyDown(key, 0);
      break;
    }
    case Kind::KeyPress: {
      char ch = event.ch;
      target->FormKeyPress(ch);
      break;
    }
    case Kind::MouseMove: target->FormMouseMove(0, event.x, event.y); break;
    case Kind::MouseButtonDown: target->FormMouseDown(event.x, event.y); break;
    case Kind::MouseButtonUp: target->FormMouseUp(event.x, event.y); break;
    case Kind::Quit: target->FormQuit(); break;
    case Kind::MonitorsChanged: MainForm()->FormMonitorsChanged(); break;
  }
}

void TApplication::DeliverQuitSignal() {
  if (terminated_) return;
  const int signal = TakeQuitSignal();
  if (signal == 0) return;
  TForm* main = MainForm();
  if (main == nullptr) EndBySignal(signal);
  if (main->Closed()) return;  // ending already
  try {
    main->FormQuit();
  } catch (const std::exception& e) {
    HandleException(e);
  }
}

void TApplication::ProcessMessages() {
  DeliverQuitSignal();
  display::Backend* b = display::CurrentBackend();
  if (b == nullptr) return;
  display::InputEvent event;
  while (!terminated_ && b->PollEvent(&event)) {
    try {
      Dispatch(event);
    } catch (const std::exception& e) {
      HandleException(e);
    }
  }
}

void TApplication::Run() {
  for (;;) {
    ProcessMessages();
    TForm* main = MainForm();
    if (terminated_ || main == nullptr || main->Closed()) break;
    bool done = true;
    if (OnIdle) {
      try {
        OnIdle(done);
      } catch (const std::exception& e) {
        HandleException(e);
      }
    }
    if (done) {
      if (display::Backend* b = display::CurrentBackend()) b->WaitEvent(10);
    }
    if (terminated_ || main->Closed()) break;
  }
}

}  // namespace sandloop
