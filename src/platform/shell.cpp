#include "platform/shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QUrl>

#include <stdexcept>

#include "platform/application.h"

namespace {

const char* const kWebSchemes[] = {"http", "https"};

void Tell(const QString& message) { TApplication::ShowException(std::runtime_error(message.toStdString())); }

}  // namespace

void ShellOpen(const QString& target) {
  if (target.isEmpty()) return;
  // Addresses keep their scheme; a bare name or a path becomes a file or
  // web address as a shell would read it.
  QUrl url = QUrl::fromUserInput(target, QDir::currentPath(), QUrl::AssumeLocalFile);
  if (!url.isValid()) url = QUrl(target);
  if (!QDesktopServices::openUrl(url)) Tell(TWebOpener::CannotOpen(url, true));
}

TWebOpener::TWebOpener() {
  for (const char* scheme : kWebSchemes) QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
}

TWebOpener::~TWebOpener() {
  for (const char* scheme : kWebSchemes) QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

QString TWebOpener::CannotOpen(const QUrl& url, bool noProgram) {
  const QString where = url.toDisplayString();
  return noProgram ? tr("Cannot open %1: no program to open web addresses is installed").arg(where)
                   : tr("Cannot open %1").arg(where);
}

void TWebOpener::Open(const QUrl& url) {
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty()) {
    Tell(CannotOpen(url, true));
    return;
  }
  // Watched rather than started detached, so that its failure is seen.
  // Ending the program ends xdg-open, not the browser it started.
  auto* process = new QProcess(this);
  process->setStandardInputFile(QProcess::nullDevice());  // a text browser must not wait for keys
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  connect(process, &QProcess::finished, this, [process, url](int code, QProcess::ExitStatus status) {
    process->deleteLater();
    // xdg-open ends with 3 when it finds no program for the address.
    if (status != QProcess::NormalExit || code != 0) Tell(CannotOpen(url, status == QProcess::NormalExit && code == 3));
  });
  connect(process, &QProcess::errorOccurred, this, [process, url](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    process->deleteLater();
    Tell(CannotOpen(url, true));
  });
  process->start(opener, {QString::fromUtf8(url.toEncoded())});
}
