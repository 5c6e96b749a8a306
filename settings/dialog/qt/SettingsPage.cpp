#include "settings/dialog/qt/SettingsPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace sandloop::dialog {

SettingsPage::SettingsPage(Form2Model& model, RunAction run) : Page(model, std::move(run)) {
  CheckBox1PlaySound = new QCheckBox(Text(form2_text::CheckBox1PlaySound));
  CheckBox2ShowFPS = new QCheckBox(Text(form2_text::CheckBox2ShowFPS));
  RadioButton3KeyMouse = new QRadioButton(Text(form2_text::RadioButton3KeyMouse));
  RadioButton4Key = new QRadioButton(Text(form2_text::RadioButton4Key));
  RadioButton1Slow = new QRadioButton(Text(form2_text::RadioButton1Slow));
  RadioButton2Normal = new QRadioButton(Text(form2_text::RadioButton2Normal));
  RadioButton5Fast = new QRadioButton(Text(form2_text::RadioButton5Fast));
  auto* birds = new QLabel(Text(form2_text::LabelBirds));
  RxSpinEdit1 = new QSpinBox;
  RxSpinEdit1->setRange(model_.Min(Range::Birds), model_.Max(Range::Birds));
  RxSpinEdit1->setSingleStep(1);
  birds->setBuddy(RxSpinEdit1);
  CheckBox1 = new QCheckBox(Text(form2_text::CheckBox1));
  CheckBox2 = new QCheckBox(Text(form2_text::CheckBox2));

  auto* sound = new QVBoxLayout;
  sound->addWidget(CheckBox1PlaySound);
  auto* fps = new QVBoxLayout;
  fps->addWidget(CheckBox2ShowFPS);
  auto* terminate = new QVBoxLayout;
  terminate->addWidget(RadioButton3KeyMouse);
  terminate->addWidget(RadioButton4Key);
  auto* speed = new QHBoxLayout;
  speed->addWidget(RadioButton1Slow);
  speed->addWidget(RadioButton2Normal);
  speed->addWidget(RadioButton5Fast);
  speed->addStretch();
  auto* objects = new QGridLayout;
  objects->addWidget(birds, 0, 0);
  objects->addWidget(RxSpinEdit1, 0, 1);
  objects->setColumnStretch(2, 1);
  objects->addWidget(CheckBox1, 1, 0, 1, 3);
  objects->addWidget(CheckBox2, 2, 0, 1, 3);

  auto* left = new QVBoxLayout;
  left->addWidget(Group(Text(form2_text::GroupSound), sound));
  left->addWidget(Group(Text(form2_text::GroupFrameRate), fps));
  left->addWidget(Group(Text(form2_text::RadioGroup1), terminate));
  left->addStretch();
  auto* right = new QVBoxLayout;
  right->addWidget(Group(Text(form2_text::GroupSpeed), speed));
  right->addWidget(Group(Text(form2_text::GroupObjects), objects));
  right->addStretch();
  auto* page = new QHBoxLayout(this);
  page->addLayout(left, 1);
  page->addLayout(right, 1);

  connect(CheckBox1PlaySound, &QCheckBox::clicked, this,
          [this](bool on) { Run([&] { model_.SetChecked(Check::PlaySound, on); }); });
  connect(CheckBox2ShowFPS, &QCheckBox::clicked, this,
          [this](bool on) { Run([&] { model_.SetChecked(Check::ShowFps, on); }); });
  connect(RadioButton3KeyMouse, &QRadioButton::clicked, this, [this] { Run([&] { model_.Select(Choice::Terminate, 0); }); });
  connect(RadioButton4Key, &QRadioButton::clicked, this, [this] { Run([&] { model_.Select(Choice::Terminate, 1); }); });
  connect(RadioButton1Slow, &QRadioButton::clicked, this, [this] { Run([&] { model_.Select(Choice::Speed, 0); }); });
  connect(RadioButton2Normal, &QRadioButton::clicked, this, [this] { Run([&] { model_.Select(Choice::Speed, 1); }); });
  connect(RadioButton5Fast, &QRadioButton::clicked, this, [this] { Run([&] { model_.Select(Choice::Speed, 2); }); });
  connect(RxSpinEdit1, &QSpinBox::valueChanged, this,
          [this](int value) { Run([&] { model_.SetPosition(Range::Birds, value); }); });
  connect(CheckBox1, &QCheckBox::clicked, this, [this](bool on) { Run([&] { model_.SetChecked(Check::ShowBirds, on); }); });
  connect(CheckBox2, &QCheckBox::clicked, this, [this](bool on) { Run([&] { model_.SetChecked(Check::ShowButterfly, on); }); });
}

void SettingsPage::Refresh() {
  const QSignalBlocker block(RxSpinEdit1);
  CheckBox1PlaySound->setChecked(model_.Checked(Check::PlaySound));
  CheckBox2ShowFPS->setChecked(model_.Checked(Check::ShowFps));
  SetRadio(RadioButton3KeyMouse, model_.Selected(Choice::Terminate) == 0);
  SetRadio(RadioButton4Key, model_.Selected(Choice::Terminate) == 1);
  SetRadio(RadioButton1Slow, model_.Selected(Choice::Speed) == 0);
  SetRadio(RadioButton2Normal, model_.Selected(Choice::Speed) == 1);
  SetRadio(RadioButton5Fast, model_.Selected(Choice::Speed) == 2);
  TabStops({RadioButton3KeyMouse, RadioButton4Key});
  TabStops({RadioButton1Slow, RadioButton2Normal, RadioButton5Fast});
  RxSpinEdit1->setValue(model_.Position(Range::Birds));
  CheckBox1->setChecked(model_.Checked(Check::ShowBirds));
  CheckBox2->setChecked(model_.Checked(Check::ShowButterfly));
}

}  // namespace sandloop::dialog
