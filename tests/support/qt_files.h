#pragma once

// Whole files for the tests of the Qt layers, by the names Qt gives them.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <vector>

// A file's bytes, or "<missing>" where it cannot be read, so that a test
// tells an empty file from none.
inline QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Writes a whole file anew; false where it cannot.
[[nodiscard]] inline bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}
[[nodiscard]] inline bool WriteFile(const QString& path, const std::vector<std::uint8_t>& bytes) {
  return WriteFile(path, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
}
