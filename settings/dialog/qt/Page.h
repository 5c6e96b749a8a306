#pragma once
// What the pages of the dialog share: the model they show, and how they
// run a user's action on it (the window catches what it throws, then
// refreshes every page from the model). The helpers below are defined in
// Page.cpp.
#include <QWidget>
#include <functional>
#include <initializer_list>

#include "settings/Form2Text.h"
#include "settings/dialog/Form2Model.h"

class QGroupBox;
class QLayout;
class QRadioButton;

namespace sandloop::dialog {

// A text of the dialog as Qt holds it.
inline QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

using Action = std::function<void()>;
using RunAction = std::function<void(const Action&)>;

class Page : public QWidget {
 public:
  Page(Form2Model& model, RunAction run) : model_(model), run_(std::move(run)) {}
  // Shows the model's state without running any handler.
  virtual void Refresh() = 0;

 protected:
  void Run(const Action& action) { run_(action); }
  Form2Model& model_;

 private:
  RunAction run_;
};

// A titled group laid out by `layout`.
QGroupBox* Group(const QString& title, QLayout* layout);
// Checks or clears a radio button; clearing works on the checked button
// of its group too (a group may have none selected).
void SetRadio(QRadioButton* button, bool on);
// Tab enters a group of radio buttons at its selected button (the first
// enabled one when none is selected); the arrow keys move within it.
void TabStops(std::initializer_list<QRadioButton*> group);

}  // namespace sandloop::dialog
