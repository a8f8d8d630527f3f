#include "app/globals.h"

QString& ApiaryName() {
  static QString name;
  return name;
}
