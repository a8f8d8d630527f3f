#include "platform/shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QString>
#include <QUrl>

void ShellOpen(const QString& target) {
  if (target.isEmpty()) return;
  // Addresses keep their scheme; a bare name or a path becomes a file or
  // web address as a shell would read it.
  QUrl url = QUrl::fromUserInput(target, QDir::currentPath(), QUrl::AssumeLocalFile);
  if (!url.isValid()) url = QUrl(target);
  QDesktopServices::openUrl(url);
}
