// main() for tests of the Qt layers: the application object exists for the
// whole run, as it does in the program.
#include <gtest/gtest.h>

#include "platform/application.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // ctest sets this per test; listing the tests needs it as well.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
