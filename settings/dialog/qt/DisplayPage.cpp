#include "settings/dialog/qt/DisplayPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "settings/dialog/qt/NoteLabel.h"

namespace sandloop::dialog {

void ModeRadioButton::mouseReleaseEvent(QMouseEvent* event) {
  const bool over = rect().contains(event->position().toPoint());
  QRadioButton::mouseReleaseEvent(event);
  if (over && isEnabled() && OnMouseUp) OnMouseUp();
}

DisplayPage::DisplayPage(Form2Model& model, RunAction run) : Page(model, std::move(run)) {
  auto* video = new QVBoxLayout;
  for (int i = 0; i < 5; ++i) {
    auto* button = new ModeRadioButton(Text(form2_text::VideoMode[i]));
    VideoMode[static_cast<std::size_t>(i)] = button;
    video->addWidget(button);
    connect(button, &QRadioButton::clicked, this, [this, i] { Run([&] { model_.Select(Choice::VideoMode, i); }); });
    button->OnMouseUp = [this, i] { Run([&] { model_.ModeButtonMouseUp(i); }); };
  }
  auto* depth = new QVBoxLayout;
  for (int i = 0; i < 3; ++i) {
    auto* button = new QRadioButton(Text(form2_text::Depth[i]));
    Depth[static_cast<std::size_t>(i)] = button;
    depth->addWidget(button);
    connect(button, &QRadioButton::clicked, this, [this, i] { Run([&] { model_.Select(Choice::Depth, i); }); });
  }
  depth->addStretch();

  TrackBar1 = new QSlider(Qt::Horizontal);
  TrackBar1->setRange(model_.Min(Range::Gamma), model_.Max(Range::Gamma));
  TrackBar1->setValue(model_.Max(Range::Gamma));
  TrackBar1->setTickPosition(QSlider::TicksBelow);
  TrackBar1->setTickInterval(5);
  TrackBar1->setSingleStep(1);
  TrackBar1->setPageStep(16);
  TrackBar1->setCursor(Qt::PointingHandCursor);
  TrackBar1->setAccessibleName("Gamma");
  Label8 = new QLabel(Text(form2_text::Label8));
  Label9 = new QLabel(Text(form2_text::Label9));
  Label8->setBuddy(TrackBar1);
  Label9->setBuddy(TrackBar1);
  Memo2 = new NoteLabel(Text(form2_text::Memo2), NoteLabel::Ground::Menu);
  auto* gamma = new QGridLayout;
  gamma->addWidget(Label8, 0, 0);
  gamma->addWidget(TrackBar1, 0, 1);
  gamma->addWidget(Label9, 0, 2);
  gamma->addWidget(Memo2, 1, 0, 1, 3);
  gamma->setRowStretch(2, 1);
  connect(TrackBar1, &QSlider::valueChanged, this,
          [this](int value) { Run([&] { model_.SetPosition(Range::Gamma, value); }); });

  auto* page = new QGridLayout(this);
  page->addWidget(Group(Text(form2_text::RadioGroup3), video), 0, 0);
  page->addWidget(Group(Text(form2_text::DepthGroup), depth), 1, 0);
  page->addWidget(Group(Text(form2_text::GroupGamma), gamma), 0, 1, 2, 1);
  page->setColumnStretch(1, 1);
}

void DisplayPage::Refresh() {
  const QSignalBlocker block(TrackBar1);
  for (int i = 0; i < 5; ++i) {
    QRadioButton* b = VideoMode[static_cast<std::size_t>(i)];
    SetRadio(b, model_.Selected(Choice::VideoMode) == i);
    b->setEnabled(model_.SizeEnabled(i));
  }
  for (int i = 0; i < 3; ++i) {
    QRadioButton* b = Depth[static_cast<std::size_t>(i)];
    SetRadio(b, model_.Selected(Choice::Depth) == i);
    b->setEnabled(model_.DepthEnabled(i));
  }
  TabStops({VideoMode[0], VideoMode[1], VideoMode[2], VideoMode[3], VideoMode[4]});
  TabStops({Depth[0], Depth[1], Depth[2]});
  TrackBar1->setValue(model_.Position(Range::Gamma));
  TrackBar1->setEnabled(model_.GammaEnabled());
  // The inactive-caption colour: the labels and the note are drawn greyed.
  for (QLabel* l : {Label8, Label9, Memo2}) l->setEnabled(!model_.GammaLabelsInactive());
}

}  // namespace sandloop::dialog
