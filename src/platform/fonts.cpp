#include "platform/fonts.h"

#include <QFont>

void RegisterFontSubstitutions() {
  static const struct {
    const char* windows_name;
    const char* linux_name;
  } kSubstitutions[] = {
      {"Arial", "Liberation Sans"},
      {"MS Sans Serif", "Liberation Sans"},
      {"Microsoft Sans Serif", "Liberation Sans"},
      {"Times New Roman", "Liberation Serif"},
      {"Courier New", "Liberation Mono"},
  };
  for (const auto& s : kSubstitutions) {
    QFont::insertSubstitution(QString::fromLatin1(s.windows_name), QString::fromLatin1(s.linux_name));
  }
}

QFont WindowFont() {
  // Named by its substitute: Qt's search for a family it does not have,
  // before it tries the substitutes, costs a start two thirds of a
  // millisecond.
  QFont font(QFont::substitute(QStringLiteral("MS Sans Serif")));
  font.setPixelSize(11);
  return font;
}
