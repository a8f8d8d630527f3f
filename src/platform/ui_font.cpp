// The windows' font (fonts.h): set through QApplication, so that every
// widget class takes it, which is why it lives with the widgets.

#include <QApplication>
#include <QFont>
#include <QFontInfo>

#include "platform/fonts.h"

void UseProportionalUiFont() {
  QFont font = QApplication::font();
  if (!QFontInfo(font).fixedPitch()) return;
  font.setFamilies({QStringLiteral("Liberation Sans")});
  font.setStyleHint(QFont::SansSerif);
  QApplication::setFont(font);
}
