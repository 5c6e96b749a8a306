#include "settings/dialog/qt/NoteLabel.h"

#include <QFontMetrics>
#include <QPalette>

namespace sandloop::dialog {

NoteLabel::NoteLabel(const QString& text, Ground ground, int chars) : QLabel(text), chars_(chars) {
  setTextFormat(Qt::PlainText);
  setWordWrap(true);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setMargin(4);
  setAutoFillBackground(true);
  QPalette p = palette();
  if (ground == Ground::Silver) {
    p.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    p.setColor(QPalette::WindowText, Qt::black);
  } else {
    // The menu colour of this desktop: the ground of its menus.
    p.setColor(QPalette::Window, p.color(QPalette::Base));
  }
  setPalette(p);
}

int NoteLabel::WrapWidth() const { return fontMetrics().averageCharWidth() * chars_ + 2 * margin(); }

QSize NoteLabel::sizeHint() const {
  const int w = WrapWidth();
  return {w, heightForWidth(w)};
}

QSize NoteLabel::minimumSizeHint() const { return sizeHint(); }

}  // namespace sandloop::dialog
