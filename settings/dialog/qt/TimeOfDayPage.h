#pragma once
// Page "Time of Day": how the scene is coloured through the day, the city
// with its sunrise and sunset, and the on-screen time lines.
#include "settings/dialog/qt/Page.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;

namespace sandloop::dialog {

class TimeOfDayPage final : public Page {
 public:
  TimeOfDayPage(Form2Model& model, RunAction run);
  void Refresh() override;

  QRadioButton* RadioButton1;  // "Off"
  QRadioButton* RadioButton2;  // "Demo mode (fast cycle)"
  QRadioButton* RadioButton3;  // "Real time of day"
  QComboBox* ComboBox1;
  QCheckBox* CheckBox4;
  QLabel* LabelSunrise;
  QLabel* LabelSunset;
  QLabel* Memo4;
  QCheckBox* CheckBox3;
  QCheckBox* CheckBox5;
};

}  // namespace sandloop::dialog
