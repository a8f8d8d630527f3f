// The yardstick for the program's start-up (bench_startup): the smallest
// Qt Widgets program with a window, one button, telling that it has been
// painted the way the program does (BROODLOG_SHOWN_FD).
#include <QApplication>
#include <QPushButton>

#include "app/shown_reporter.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QPushButton button(QStringLiteral("Button"));
  TShownReporter reporter;
  button.installEventFilter(&reporter);
  button.show();
  return app.exec();
}
