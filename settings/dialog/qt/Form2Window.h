#pragma once
// The configuration window on Qt: the header, the four pages and the
// bottom row of buttons over the dialog's model. The window has a fixed size that its
// layouts compute from the desktop's font, so no text is ever cut off.
// Neither Enter nor Esc stands for "OK" or "Cancel".
#include <QDialog>

#include "settings/dialog/Form2Model.h"

class QLabel;
class QPushButton;
class QTabWidget;

namespace sandloop::dialog {

class SettingsPage;
class DisplayPage;
class TimeOfDayPage;
class ClockPage;

class Form2Window final : public QDialog {
 public:
  // `model` outlives the window; the window supplies its close handler.
  explicit Form2Window(Form2Model& model, QWidget* parent = nullptr);

  // Shows the model's state in every control.
  void Refresh();

  QTabWidget* PageControl1;
  SettingsPage* TabSheet1;
  DisplayPage* TabSheet2;
  TimeOfDayPage* TabSheet3;
  ClockPage* TabSheet4;
  QLabel* Label3;  // web link
  QLabel* Label5;  // e-mail link
  QPushButton* Button1Default;
  QPushButton* Button1OK;
  QPushButton* Button1Cancel;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Runs a user's action on the model: an exception is shown in a message
  // box and the dialog goes on; then every control shows the model again.
  void Run(const std::function<void()>& action);
  QWidget* Header();

  Form2Model& model_;
};

}  // namespace sandloop::dialog
