#pragma once
// Page "Clock": whether the clock is drawn, its colour, place and size.
#include <QFrame>
#include <QLineEdit>

#include "settings/dialog/qt/Page.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace sandloop::dialog {

// The colour panel: shows a colour and is clicked like a button.
class ColorPanel final : public QFrame {
 public:
  ColorPanel();
  void ShowColor(const QColor& color);
  std::function<void()> OnClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// A clock edit: typed characters pass the model's filter, and leaving the
// edit (for another control of the dialog) applies the clock limits.
class ClockEdit final : public QLineEdit {
 public:
  std::function<void()> OnExit;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

class ClockPage final : public Page {
 public:
  ClockPage(Form2Model& model, RunAction run);
  void Refresh() override;

  QCheckBox* CheckBox3Showclock;
  ColorPanel* PanelColor;
  QPushButton* Button1;  // "Set color"
  QLabel* LabelX;
  QLabel* LabelY;
  QLabel* LabelR;
  ClockEdit* Edit1X;
  ClockEdit* EditY;
  ClockEdit* Edit3R;
  QLabel* Memo3;
};

}  // namespace sandloop::dialog
