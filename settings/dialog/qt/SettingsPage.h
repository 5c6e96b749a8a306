#pragma once
// Page "Settings": sound, frame rate, how the saver ends, speed, birds.
#include "settings/dialog/qt/Page.h"

class QCheckBox;
class QRadioButton;
class QSpinBox;

namespace sandloop::dialog {

class SettingsPage final : public Page {
 public:
  SettingsPage(Form2Model& model, RunAction run);
  void Refresh() override;

  QCheckBox* CheckBox1PlaySound;
  QCheckBox* CheckBox2ShowFPS;
  QRadioButton* RadioButton3KeyMouse;
  QRadioButton* RadioButton4Key;
  QRadioButton* RadioButton1Slow;
  QRadioButton* RadioButton2Normal;
  QRadioButton* RadioButton5Fast;
  QSpinBox* RxSpinEdit1;
  QCheckBox* CheckBox1;
  QCheckBox* CheckBox2;
};

}  // namespace sandloop::dialog
