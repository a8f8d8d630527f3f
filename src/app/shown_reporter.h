#pragma once

#include <QEvent>
#include <QObject>
#include <QTimer>

#include <cstdlib>
#include <utility>

#include <unistd.h>

// For start-up timing (bench/bench_startup.cpp): installed on a window, it
// writes one line to the descriptor BROODLOG_SHOWN_FD names once that
// window has first been painted, and nothing without the variable. The
// program and its yardstick, the one-button window, both use it.
class TShownReporter : public QObject {
 public:
  TShownReporter() {
    const char* fd = std::getenv("BROODLOG_SHOWN_FD");
    fd_ = fd != nullptr && *fd != '\0' ? std::atoi(fd) : -1;
  }

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint && fd_ >= 0) {
      const int fd = std::exchange(fd_, -1);
      QTimer::singleShot(0, [fd] { (void)!::write(fd, "shown\n", 6); });
    }
    return false;
  }

 private:
  int fd_ = -1;
};
