#include "settings/dialog/qt/ClockPage.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/dialog/qt/NoteLabel.h"

namespace sandloop::dialog {

ColorPanel::ColorPanel() {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(1);
  setAutoFillBackground(true);
  setFixedSize(48, 24);
  setCursor(Qt::PointingHandCursor);
  ShowColor(Qt::gray);
}

void ColorPanel::ShowColor(const QColor& color) {
  QPalette p = palette();
  p.setColor(QPalette::Window, color);
  setPalette(p);
}

void ColorPanel::mouseReleaseEvent(QMouseEvent* event) {
  QFrame::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && isEnabled() && OnClick)
    OnClick();
}

void ClockEdit::keyPressEvent(QKeyEvent* event) {
  // Characters only: keys without text (arrows, Delete) and shortcuts
  // keep their usual meaning.
  const bool backspace = event->key() == Qt::Key_Backspace;
  const QString text = event->text();
  const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (!shortcut && (backspace || (text.size() == 1 && text[0].isPrint()))) {
    char key = backspace ? '\b' : (text[0].unicode() < 128 ? static_cast<char>(text[0].unicode()) : '?');
    Form2Model::EditKeyPress(key);
    if (key == 0) {
      event->accept();
      return;
    }
  }
  QLineEdit::keyPressEvent(event);
}

void ClockEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // Another window or a menu taking the focus does not leave the edit.
  if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason && OnExit) OnExit();
}

ClockPage::ClockPage(Form2Model& model, RunAction run) : Page(model, std::move(run)) {
  CheckBox3Showclock = new QCheckBox(Text(form2_text::CheckBox3Showclock));
  auto* settings = new QVBoxLayout;
  settings->addWidget(CheckBox3Showclock);

  PanelColor = new ColorPanel;
  PanelColor->setAccessibleName("Clock colour");
  Button1 = new QPushButton(Text(form2_text::Button1));
  Button1->setAutoDefault(false);
  auto* color = new QHBoxLayout;
  color->addWidget(PanelColor);
  color->addWidget(Button1);
  color->addStretch();

  LabelX = new QLabel(Text(form2_text::LabelX));
  LabelY = new QLabel(Text(form2_text::LabelY));
  LabelR = new QLabel(Text(form2_text::LabelR));
  Edit1X = new ClockEdit;
  EditY = new ClockEdit;
  Edit3R = new ClockEdit;
  LabelX->setBuddy(Edit1X);
  LabelY->setBuddy(EditY);
  LabelR->setBuddy(Edit3R);
  const int editWidth = Edit1X->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12;
  for (ClockEdit* e : {Edit1X, EditY, Edit3R}) e->setFixedWidth(editWidth);
  auto* position = new QGridLayout;
  position->addWidget(LabelX, 0, 0);
  position->addWidget(Edit1X, 0, 1);
  position->addWidget(LabelY, 1, 0);
  position->addWidget(EditY, 1, 1);
  position->setColumnStretch(2, 1);
  auto* size = new QHBoxLayout;
  size->addWidget(LabelR);
  size->addWidget(Edit3R);
  size->addStretch();

  Memo3 = new NoteLabel(Text(form2_text::Memo3), NoteLabel::Ground::Menu, 60);

  auto* left = new QVBoxLayout;
  left->addWidget(Group(Text(form2_text::GroupClock), settings));
  left->addWidget(Group(Text(form2_text::GroupColor), color));
  left->addStretch();
  auto* right = new QVBoxLayout;
  right->addWidget(Group(Text(form2_text::GroupPosition), position));
  right->addWidget(Group(Text(form2_text::GroupSize), size));
  right->addStretch();
  auto* page = new QGridLayout(this);
  page->addLayout(left, 0, 0);
  page->addLayout(right, 0, 1);
  page->addWidget(Memo3, 1, 0, 1, 2);
  page->setColumnStretch(0, 1);
  page->setColumnStretch(1, 1);
  page->setRowStretch(2, 1);

  connect(CheckBox3Showclock, &QCheckBox::clicked, this,
          [this](bool on) { Run([&] { model_.SetChecked(Check::ShowClock, on); }); });
  PanelColor->OnClick = [this] { Run([&] { model_.ChooseColor(); }); };
  connect(Button1, &QPushButton::clicked, this, [this] { Run([&] { model_.ChooseColor(); }); });
  const auto track = [this](ClockEdit* edit, ClockField field) {
    connect(edit, &QLineEdit::textEdited, this,
            [this, field](const QString& t) { model_.SetEditText(field, t.toStdString()); });
    edit->OnExit = [this, field] { Run([&] { model_.EditExit(field); }); };
  };
  track(Edit1X, ClockField::X);
  track(EditY, ClockField::Y);
  track(Edit3R, ClockField::Radius);
}

void ClockPage::Refresh() {
  CheckBox3Showclock->setChecked(model_.Checked(Check::ShowClock));
  const bool on = model_.ClockControlsEnabled();
  for (QWidget* w : std::initializer_list<QWidget*>{LabelX, LabelY, LabelR, Edit1X, EditY, Edit3R, PanelColor, Button1})
    w->setEnabled(on);
  if (const auto color = model_.PanelColor()) {
    const std::uint32_t c = *color;
    PanelColor->ShowColor(QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                                 static_cast<int>((c >> 16) & 0xFF)));
  } else {
    PanelColor->ShowColor(PanelColor->palette().color(QPalette::Button));  // the menu colour
  }
  const auto show = [](ClockEdit* edit, const std::string& text) {
    if (edit->text().toStdString() != text) edit->setText(QString::fromStdString(text));
  };
  show(Edit1X, model_.EditText(ClockField::X));
  show(EditY, model_.EditText(ClockField::Y));
  show(Edit3R, model_.EditText(ClockField::Radius));
}

}  // namespace sandloop::dialog
