#pragma once

#include <QWidget>

#include <stdexcept>

// A window's control found by its name, as assistive tools find it.
template <class T = QWidget>
T* Control(const QWidget& window, const char* name) {
  if (T* found = window.findChild<T*>(QString::fromLatin1(name))) return found;
  throw std::logic_error(std::string("no control named ") + name);
}
