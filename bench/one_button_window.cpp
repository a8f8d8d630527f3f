// The yardstick for the program's start-up (bench_startup): the smallest
// Qt Widgets program with a window, one button, telling that it has been
// painted the way the program does (BROODLOG_SHOWN_FD).
#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>
#include <unistd.h>

namespace {

class TShownReporter : public QObject {
 public:
  explicit TShownReporter(int fd) : fd_(fd) {}

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint && fd_ >= 0) {
      const int fd = fd_;
      fd_ = -1;
      QTimer::singleShot(0, [fd] { (void)!::write(fd, "shown\n", 6); });
    }
    return false;
  }

 private:
  int fd_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QPushButton button(QStringLiteral("Button"));
  const char* fd = std::getenv("BROODLOG_SHOWN_FD");
  TShownReporter reporter(fd != nullptr && *fd != '\0' ? std::atoi(fd) : -1);
  button.installEventFilter(&reporter);
  button.show();
  return app.exec();
}
