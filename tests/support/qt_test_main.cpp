// main() for tests of the Qt layers: the application object exists for the
// whole run, as it does in the program.
#include <gtest/gtest.h>

#include "platform/application.h"

namespace {

// Every test starts as a fresh session would: an end request made by an
// earlier test (closing a main window, say) must not reach it. (Error and
// beep handlers go with the scopes that set them.)
class FreshSession : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { TApplication::ClearTerminated(); }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshSession);
  // ctest sets this per test; listing the tests needs it as well.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
