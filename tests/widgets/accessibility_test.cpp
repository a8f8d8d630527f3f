#include "widgets/accessibility.h"

#include <gtest/gtest.h>

#include <QAccessibleActionInterface>
#include <QAccessibleEditableTextInterface>
#include <QAccessibleValueInterface>
#include <QTest>

#include <memory>

#include "url_recorder.h"
#include "wait_until.h"
#include "widgets/spin.h"
#include "widgets/url_label.h"

namespace {

struct AccessibilityTest : ::testing::Test {
  void SetUp() override { InstallAccessibleFactory(); }
  static QAccessibleInterface* Of(QWidget* w) { return QAccessible::queryAccessibleInterface(w); }
};

TEST_F(AccessibilityTest, OurWidgetsHaveTheirRoleAndName) {
  auto link = std::make_unique<TUrlLabel>();
  link->SetCaption(QStringLiteral("https://broodlog.org/"));
  auto label = std::make_unique<TFxLabel>();
  label->SetCaption(QStringLiteral("&Apiary && hives"));
  auto spin = std::make_unique<TSpinEdit>();
  spin->setAccessibleName(QStringLiteral("Zoom"));
  auto window = std::make_unique<QWidget>();
  SetAccessibleRole(window.get(), QAccessible::Window);
  window->setWindowTitle(QStringLiteral("broodlogprint"));
  const struct {
    QWidget* widget;
    QAccessible::Role role;
    QString name;
  } cases[] = {
      {link.get(), QAccessible::Link, "https://broodlog.org/"},
      {label.get(), QAccessible::StaticText, "Apiary & hives"},
      {spin.get(), QAccessible::SpinBox, "Zoom"},
      {window.get(), QAccessible::Window, "broodlogprint"},
  };
  for (const auto& c : cases) {
    QAccessibleInterface* iface = Of(c.widget);
    ASSERT_NE(iface, nullptr) << c.name.toStdString();
    EXPECT_EQ(iface->role(), c.role) << c.name.toStdString();
    EXPECT_EQ(iface->text(QAccessible::Name), c.name);
  }
  EXPECT_EQ(Of(spin.get())->childCount(), 0) << "the arrow pair is the value's actions, not nameless buttons";
}

TEST_F(AccessibilityTest, TheLinksPressOpensItOnceTheCallHasReturned) {
  UrlRecorder browser;
  TUrlLabel link;
  link.SetCaption(QStringLiteral("https://broodlog.org/"));
  QAccessibleActionInterface* action = Of(&link)->actionInterface();
  ASSERT_NE(action, nullptr);
  ASSERT_EQ(action->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
  action->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(browser.opened.isEmpty()) << "not inside the accessibility call";
  ASSERT_TRUE(WaitUntilEq([&] { return browser.opened; }, QList<QUrl>{QUrl("https://broodlog.org/")}));
  EXPECT_TRUE(link.Visited());
}

TEST_F(AccessibilityTest, TheSpinEditIsASpinButtonWithValueRangeAndStep) {
  TSpinEdit zoom;
  zoom.SetMinValue(20);
  zoom.SetMaxValue(200);
  zoom.SetIncrement(10);
  zoom.SetValue(100);
  QAccessibleInterface* iface = Of(&zoom);
  QAccessibleValueInterface* value = iface->valueInterface();
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->minimumValue().toInt(), 20);
  EXPECT_EQ(value->maximumValue().toInt(), 200);
  EXPECT_EQ(value->minimumStepSize().toInt(), 10);
  value->setCurrentValue(500);
  EXPECT_EQ(zoom.text(), QStringLiteral("200")) << "clamped as any write of Value";
  iface->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
  EXPECT_EQ(value->currentValue().toInt(), 190);
  iface->editableTextInterface()->replaceText(0, 3, QStringLiteral("75"));
  EXPECT_EQ(zoom.Value(), 75);
  EXPECT_EQ(iface->textInterface()->text(0, 2), QStringLiteral("75"));

  zoom.SetEditorEnabled(false);
  iface->editableTextInterface()->insertText(0, QStringLiteral("1"));
  EXPECT_EQ(zoom.text(), QStringLiteral("75")) << "no text where typing is refused";
  EXPECT_TRUE(iface->state().readOnly);

  TSpinEdit unbounded;  // MinValue = MaxValue: no bounds
  EXPECT_EQ(Of(&unbounded)->valueInterface()->maximumValue().toInt(), INT32_MAX);
}

}  // namespace
