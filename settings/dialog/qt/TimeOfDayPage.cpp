#include "settings/dialog/qt/TimeOfDayPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include "settings/dialog/qt/NoteLabel.h"

namespace sandloop::dialog {

namespace {

QLabel* NavyCaption(const QString& text) {
  auto* label = new QLabel(text);
  QFont f = label->font();
  f.setBold(true);
  label->setFont(f);
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0x80));
  label->setPalette(p);
  return label;
}

}  // namespace

TimeOfDayPage::TimeOfDayPage(Form2Model& model, RunAction run) : Page(model, std::move(run)) {
  RadioButton1 = new QRadioButton(Text(form2_text::RadioButton1));
  RadioButton2 = new QRadioButton(Text(form2_text::RadioButton2));
  RadioButton3 = new QRadioButton(Text(form2_text::RadioButton3));
  auto* setting = new QVBoxLayout;
  setting->addWidget(RadioButton1);
  setting->addWidget(RadioButton2);
  setting->addWidget(RadioButton3);

  // Made before the city group, so that Tab reaches them in reading order
  // (the left column first).
  CheckBox3 = new QCheckBox(Text(form2_text::CheckBox3));
  CheckBox5 = new QCheckBox(Text(form2_text::CheckBox5));

  auto* choose = new QLabel(Text(form2_text::LabelCity));
  ComboBox1 = new QComboBox;
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->setMaxVisibleItems(20);
  QStringList names;
  names.reserve(model_.CityCount());
  for (int i = 0; i < model_.CityCount(); ++i) {
    const std::string_view name = model_.CityName(i);
    names.append(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
  }
  ComboBox1->addItems(names);
  choose->setBuddy(ComboBox1);
  CheckBox4 = new QCheckBox(Text(form2_text::CheckBox4));
  auto* riseCaption = NavyCaption(Text(form2_text::LabelRise));
  auto* setCaption = NavyCaption(Text(form2_text::LabelSet));
  LabelSunrise = new QLabel;
  LabelSunset = new QLabel;
  riseCaption->setBuddy(LabelSunrise);
  setCaption->setBuddy(LabelSunset);
  Memo4 = new NoteLabel(Text(form2_text::Memo4), NoteLabel::Ground::Silver, 40);
  auto* sun = new QGridLayout;
  sun->addWidget(choose, 0, 0, 1, 2);
  sun->addWidget(ComboBox1, 1, 0, 1, 2);
  sun->addWidget(CheckBox4, 2, 0, 1, 2);
  sun->addWidget(riseCaption, 3, 0);
  sun->addWidget(LabelSunrise, 3, 1);
  sun->addWidget(setCaption, 4, 0);
  sun->addWidget(LabelSunset, 4, 1);
  sun->addWidget(Memo4, 5, 0, 1, 2);
  sun->setColumnStretch(1, 1);
  sun->setRowStretch(6, 1);

  auto* demo = new QLabel(Text(form2_text::LabelDemo));
  // Indented under the box's text so that the two read as one sentence.
  QStyleOptionButton option;
  option.initFrom(CheckBox3);
  demo->setIndent(style()->subElementRect(QStyle::SE_CheckBoxContents, &option, CheckBox3).left());
  auto* lines = new QVBoxLayout;
  lines->setSpacing(2);
  lines->addWidget(CheckBox3);
  lines->addWidget(demo);
  lines->addSpacing(4);
  lines->addWidget(CheckBox5);
  auto* linesBox = Group(QString(), lines);
  linesBox->setAccessibleName("On-screen time lines");

  auto* left = new QVBoxLayout;
  left->addWidget(Group(Text(form2_text::TimeOfDayGroup), setting));
  left->addWidget(linesBox);
  left->addStretch();
  auto* page = new QHBoxLayout(this);
  page->addLayout(left);
  page->addWidget(Group(Text(form2_text::GroupSun), sun), 1);

  connect(RadioButton1, &QRadioButton::clicked, this, [this] { Run([&] { model_.Select(Choice::TimeOfDay, 0); }); });
  connect(RadioButton2, &QRadioButton::clicked, this, [this] { Run([&] { model_.Select(Choice::TimeOfDay, 1); }); });
  connect(RadioButton3, &QRadioButton::clicked, this, [this] { Run([&] { model_.Select(Choice::TimeOfDay, 2); }); });
  connect(ComboBox1, &QComboBox::activated, this, [this](int index) { Run([&] { model_.CityChange(index); }); });
  // Typing into the edit field leaves no item selected.
  connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this, [this] { Run([&] { model_.CityChange(-1); }); });
  connect(CheckBox4, &QCheckBox::clicked, this, [this](bool on) { Run([&] { model_.SetChecked(Check::Daylight, on); }); });
  connect(CheckBox3, &QCheckBox::clicked, this, [this](bool on) { Run([&] { model_.SetChecked(Check::ShowSimulated, on); }); });
  connect(CheckBox5, &QCheckBox::clicked, this, [this](bool on) { Run([&] { model_.SetChecked(Check::ShowSunLine, on); }); });
}

void TimeOfDayPage::Refresh() {
  SetRadio(RadioButton1, model_.Selected(Choice::TimeOfDay) == 0);
  SetRadio(RadioButton2, model_.Selected(Choice::TimeOfDay) == 1);
  SetRadio(RadioButton3, model_.Selected(Choice::TimeOfDay) == 2);
  TabStops({RadioButton1, RadioButton2, RadioButton3});
  // With no item selected the text the user typed stays.
  const int index = model_.CityIndex();
  if (index >= 0 && (ComboBox1->currentIndex() != index || ComboBox1->currentText() != ComboBox1->itemText(index))) {
    const QSignalBlocker block(ComboBox1);
    ComboBox1->setCurrentIndex(index);
    ComboBox1->setEditText(ComboBox1->itemText(index));
  }
  CheckBox4->setChecked(model_.Checked(Check::Daylight));
  LabelSunrise->setText(QString::fromStdString(model_.Sunrise()));
  LabelSunset->setText(QString::fromStdString(model_.Sunset()));
  CheckBox3->setChecked(model_.Checked(Check::ShowSimulated));
  CheckBox5->setChecked(model_.Checked(Check::ShowSunLine));
}

}  // namespace sandloop::dialog
