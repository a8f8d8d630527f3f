#include "platform/shell.h"

#include <gtest/gtest.h>

#include "url_recorder.h"

TEST(ShellOpen, OpensAWebAddressAsItIs) {
  UrlRecorder browser;
  ShellOpen(QStringLiteral("https://broodlog.org/hives?x=1"));
  ASSERT_EQ(browser.opened.size(), 1);
  EXPECT_EQ(browser.opened[0].toString(), QStringLiteral("https://broodlog.org/hives?x=1"));
}

TEST(ShellOpen, ABarePathOpensAsAFile) {
  UrlRecorder browser;
  ShellOpen(QStringLiteral("/tmp/broodlog.txt"));
  ASSERT_EQ(browser.opened.size(), 1);
  EXPECT_TRUE(browser.opened[0].isLocalFile());
  EXPECT_EQ(browser.opened[0].toLocalFile(), QStringLiteral("/tmp/broodlog.txt"));
}

TEST(ShellOpen, AnEmptyTargetOpensNothing) {
  UrlRecorder browser;
  ShellOpen(QString());
  EXPECT_TRUE(browser.opened.isEmpty());
}
