#include "settings/dialog/qt/Page.h"

#include <QGroupBox>
#include <QLayout>
#include <QRadioButton>

namespace sandloop::dialog {

QGroupBox* Group(const QString& title, QLayout* layout) {
  auto* box = new QGroupBox(title);
  box->setLayout(layout);
  return box;
}

void SetRadio(QRadioButton* button, bool on) {
  if (button->isChecked() == on) return;
  if (!on) button->setAutoExclusive(false);
  button->setChecked(on);
  button->setAutoExclusive(true);
}

void TabStops(std::initializer_list<QRadioButton*> group) {
  QRadioButton* stop = nullptr;
  for (QRadioButton* b : group)
    if (b->isChecked()) stop = b;
  for (QRadioButton* b : group)
    if (stop == nullptr && b->isEnabled()) stop = b;
  for (QRadioButton* b : group) b->setFocusPolicy(b == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

}  // namespace sandloop::dialog
