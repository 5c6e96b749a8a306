#pragma once
// Page "Display": the video mode, the colour depth and the gamma level.
#include <QRadioButton>
#include <array>

#include "settings/dialog/qt/Page.h"

class QLabel;
class QSlider;

namespace sandloop::dialog {

// A radio button that also reports a mouse button released over it, after
// the click that the release may have made.
class ModeRadioButton final : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;
  std::function<void()> OnMouseUp;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

class DisplayPage final : public Page {
 public:
  DisplayPage(Form2Model& model, RunAction run);
  void Refresh() override;

  // "800x600", "1024x768", "1152x864", "1280x1024", "Use desktop settings"
  std::array<ModeRadioButton*, 5> VideoMode{};
  // "16-bit color", "24-bit color", "32-bit color"
  std::array<QRadioButton*, 3> Depth{};
  QSlider* TrackBar1;
  QLabel* Label8;  // "Darken"
  QLabel* Label9;  // "Lighten"
  QLabel* Memo2;   // gamma note
};

}  // namespace sandloop::dialog
