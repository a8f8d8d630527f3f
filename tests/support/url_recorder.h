#pragma once

#include <QDesktopServices>
#include <QObject>
#include <QStringList>
#include <QUrl>

// Takes the place of the desktop's browser for the schemes it is given, for
// as long as it exists, and records what it was asked to open.
class UrlRecorder : public QObject {
  Q_OBJECT
 public:
  explicit UrlRecorder(QStringList schemes = {"http", "https", "file"}) : schemes_(schemes) {
    for (const QString& s : schemes_) QDesktopServices::setUrlHandler(s, this, "Open");
  }
  ~UrlRecorder() override {
    for (const QString& s : schemes_) QDesktopServices::unsetUrlHandler(s);
  }
  QList<QUrl> opened;

 public slots:
  void Open(const QUrl& url) { opened.append(url); }

 private:
  QStringList schemes_;
};
