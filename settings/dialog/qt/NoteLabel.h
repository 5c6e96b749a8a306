#pragma once
// A borderless note of several lines on a plain ground. Long lines wrap,
// and the label always asks for the height its wrapped text needs at its
// narrowest width, so that no line is ever cut off.
#include <QLabel>

namespace sandloop::dialog {

class NoteLabel final : public QLabel {
 public:
  enum class Ground { Menu, Silver };
  // `chars`: the narrowest width, in average characters of the font.
  NoteLabel(const QString& text, Ground ground, int chars = 50);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 private:
  int WrapWidth() const;
  int chars_;
};

}  // namespace sandloop::dialog
