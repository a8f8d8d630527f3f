#pragma once

// Waiting in GoogleTest cases for what the event loop brings about. A
// condition that never comes true fails the case, saying what was awaited:
//   ASSERT_TRUE(WaitUntil([&] { return !window.isVisible(); }));
//   ASSERT_TRUE(WaitUntilEq([&] { return window.print_note; }, 1));
// (Qt's own waiting and checking macros return from the test body on
// failure, which GoogleTest counts as a pass; a ctest guard keeps them out.)

#include <gtest/gtest.h>

#include <QDebug>
#include <QString>
#include <QTest>

#include <chrono>
#include <string>

namespace wait_detail {

// A value as a failure message shows it: through QDebug where Qt knows the
// type (QRect, QString, pointers to widgets), else as GoogleTest prints it.
template <class T>
std::string Describe(const T& value) {
  if constexpr (requires(QDebug d, const T& v) { d << v; }) {
    QString text;
    QDebug(&text).nospace() << value;
    return text.toStdString();
  } else {
    return ::testing::PrintToString(value);
  }
}

}  // namespace wait_detail

// Long enough for a loaded machine; a condition that holds returns at once.
inline constexpr std::chrono::milliseconds kWaitTimeout{5000};

// Runs the event loop until condition() is true, or fails after timeout.
template <class Condition>
[[nodiscard]] ::testing::AssertionResult WaitUntil(Condition condition,
                                                   std::chrono::milliseconds timeout = kWaitTimeout) {
  if (QTest::qWaitFor([&] { return bool(condition()); }, int(timeout.count()))) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "the condition still did not hold after " << timeout.count() << " ms";
}

// Runs the event loop until value() == expected, or fails after timeout
// showing the last value seen.
template <class Value, class Expected>
[[nodiscard]] ::testing::AssertionResult WaitUntilEq(Value value, const Expected& expected,
                                                     std::chrono::milliseconds timeout = kWaitTimeout) {
  if (QTest::qWaitFor([&] { return value() == expected; }, int(timeout.count()))) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "after " << timeout.count() << " ms the value is "
                                       << wait_detail::Describe(value()) << ", not "
                                       << wait_detail::Describe(expected);
}
