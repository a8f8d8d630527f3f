#pragma once

#include <QWidget>

#include <stdexcept>
#include <string>

// A window's control found by its name, as assistive tools find it: the
// windows keep their controls to themselves.
template <class T = QWidget>
T* Control(const QWidget& window, const char* name) {
  T* found = window.findChild<T*>(QString::fromLatin1(name));
  if (found == nullptr) throw std::logic_error(std::string("no control named ") + name);
  return found;
}
