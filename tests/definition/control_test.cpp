#include "definition/control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "definition/report_error.h"
#include "../output/expect_error.h"

namespace {

// Records its own destruction and the notices it receives.
class TProbe : public TControl {
 public:
  explicit TProbe(std::vector<std::string>* log = nullptr, std::string id = {})
      : log_(log), id_(std::move(id)) {}
  ~TProbe() override {
    if (log_) log_->push_back("destroy " + id_);
  }
  void Notification(TControl& component, TOperation operation) override {
    notices.push_back({&component, operation});
    if (operation == TOperation::opRemove && &component == link) link = nullptr;
  }

  struct Notice {
    TControl* component;
    TOperation operation;
  };
  std::vector<Notice> notices;
  TControl* link = nullptr;

 private:
  std::vector<std::string>* log_;
  std::string id_;
};

TEST(ControlOwnership, OwnerDestroysComponentsNewestFirst) {
  std::vector<std::string> log;
  {
    TProbe owner(&log, "owner");
    owner.CreateComponent<TProbe>(&log, "a");
    owner.CreateComponent<TProbe>(&log, "b");
    owner.CreateComponent<TProbe>(&log, "c");
    EXPECT_EQ(owner.ComponentCount(), 3u);
    EXPECT_EQ(owner.Component(0).Owner(), &owner);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"destroy owner", "destroy c", "destroy b", "destroy a"}));
}

TEST(ControlOwnership, DestroyComponentFreesOnlyOwnComponents) {
  std::vector<std::string> log;
  TProbe owner, other;
  TProbe& a = owner.CreateComponent<TProbe>(&log, "a");
  TProbe& b = other.CreateComponent<TProbe>(&log, "b");
  EXPECT_FALSE(owner.DestroyComponent(b));
  EXPECT_TRUE(owner.DestroyComponent(a));
  EXPECT_EQ(log, (std::vector<std::string>{"destroy a"}));
  EXPECT_EQ(owner.ComponentCount(), 0u);
  ASSERT_EQ(owner.notices.size(), 2u);  // insert, then remove
  EXPECT_EQ(owner.notices[0].operation, TOperation::opInsert);
  EXPECT_EQ(owner.notices[1].operation, TOperation::opRemove);
}

TEST(ControlOwnership, InsertRejectsOwnedOrNullComponents) {
  TControl owner, other;
  TControl& c = other.CreateComponent<TControl>();
  (void)c;
  EXPECT_THROW(owner.InsertComponent(nullptr), EReportError);
  auto fresh = std::make_unique<TControl>();
  fresh->SetName("Band1");
  owner.InsertComponent(std::move(fresh));
  auto clash = std::make_unique<TControl>();
  clash->SetName("BAND1");
  EXPECT_THROW(owner.InsertComponent(std::move(clash)), EReportError);
  EXPECT_EQ(owner.ComponentCount(), 1u);
}

TEST(ControlNames, UniqueAndCaseInsensitiveAmongTheOwnersComponents) {
  TControl owner;
  TControl& a = owner.CreateComponent<TControl>();
  TControl& b = owner.CreateComponent<TControl>();
  a.SetName("PageHeaderBand1");
  EXPECT_EQ(owner.FindComponent("pageheaderband1"), &a);
  EXPECT_EQ(owner.FindComponent("DetailBand1"), nullptr);
  EXPECT_EQ(owner.FindComponent(""), nullptr);
  EXPECT_REPORT_ERROR(b.SetName("PAGEHEADERBAND1"), "A component named PAGEHEADERBAND1 already exists");
  a.SetName("PageHeaderBand1");  // renaming to its own name is fine
  b.SetName("");                 // empty names never clash
  a.SetName("");
  EXPECT_EQ(b.Name(), "");
}

TEST(ControlNames, OnlyIdentifiers) {
  TControl c;
  for (const char* bad : {"1Band", "Band 1", "Band-1", "Bänd"}) {
    EXPECT_THROW(c.SetName(bad), EReportError) << bad;
  }
  for (const char* good : {"_x", "QRLabel12", "a"}) {
    c.SetName(good);
    EXPECT_EQ(c.Name(), good);
  }
}

TEST(ControlParent, ChildrenKeepZOrder) {
  TControl parent, a, b, c;
  a.SetParent(&parent);
  b.SetParent(&parent);
  c.SetParent(&parent);
  ASSERT_EQ(parent.ChildCount(), 3u);
  EXPECT_EQ(&parent.Child(0), &a);
  EXPECT_EQ(c.ZOrderIndex(), 2);
  a.BringToFront();
  EXPECT_EQ(&parent.Child(2), &a);
  c.SendToBack();
  EXPECT_EQ(&parent.Child(0), &c);
  EXPECT_EQ(&parent.Child(1), &b);
  b.SetParent(nullptr);
  EXPECT_EQ(parent.ChildCount(), 2u);
  EXPECT_EQ(b.ZOrderIndex(), -1);
  a.SetParent(&parent);  // unchanged parent keeps the place
  EXPECT_EQ(a.ZOrderIndex(), 1);
}

TEST(ControlParent, RefusesCycles) {
  TControl a, b, c;
  b.SetParent(&a);
  c.SetParent(&b);
  EXPECT_THROW(a.SetParent(&c), EReportError);
  EXPECT_THROW(a.SetParent(&a), EReportError);
  EXPECT_EQ(a.Parent(), nullptr);
}

TEST(ControlParent, DestructionUnlinksBothWays) {
  TControl parent;
  auto child = std::make_unique<TControl>();
  child->SetParent(&parent);
  child.reset();
  EXPECT_EQ(parent.ChildCount(), 0u);

  TControl orphan;
  {
    TControl temporary;
    orphan.SetParent(&temporary);
  }
  EXPECT_EQ(orphan.Parent(), nullptr);
}

TEST(ControlParent, OwnerThatIsAlsoParentDestroysCleanly) {
  std::vector<std::string> log;
  {
    TProbe report(&log, "report");
    TProbe& band = report.CreateComponent<TProbe>(&log, "band");
    TProbe& label = report.CreateComponent<TProbe>(&log, "label");
    band.SetParent(&report);
    label.SetParent(&band);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"destroy report", "destroy label", "destroy band"}));
}

TEST(ControlNotification, FreeNotificationClearsReferences) {
  TProbe holder;
  {
    TProbe linked;
    holder.link = &linked;
    holder.FreeNotification(linked);
  }
  EXPECT_EQ(holder.link, nullptr);

  TProbe a;
  auto b = std::make_unique<TProbe>();
  a.FreeNotification(*b);
  a.RemoveFreeNotification(*b);
  b.reset();
  EXPECT_TRUE(a.notices.empty());
}

TEST(ControlNotification, EitherSideMayGoFirst) {
  auto a = std::make_unique<TProbe>();
  auto b = std::make_unique<TProbe>();
  a->FreeNotification(*b);
  a.reset();  // b is told, and must not tell a later
  ASSERT_EQ(b->notices.size(), 1u);
  b.reset();
}

TEST(ControlBounds, NegativeExtentsBecomeZero) {
  TControl c;
  c.SetBounds(-5, -6, -7, 8);
  EXPECT_EQ(c.Left(), -5);
  EXPECT_EQ(c.Top(), -6);
  EXPECT_EQ(c.Width(), 0);
  EXPECT_EQ(c.Height(), 8);
  c.SetWidth(20);
  c.SetHeight(-1);
  c.SetLeft(3);
  c.SetTop(4);
  EXPECT_EQ(c.Width(), 20);
  EXPECT_EQ(c.Height(), 0);
  EXPECT_EQ(c.Left(), 3);
  EXPECT_EQ(c.Top(), 4);
}

TEST(ControlFont, DefaultsAndPointSizeConversion) {
  TFont f;
  EXPECT_EQ(f.Name(), "Arial");
  EXPECT_EQ(f.Size(), 10);
  EXPECT_EQ(f.Height(), -13);
  EXPECT_EQ(f.Charset(), 1);
  EXPECT_EQ(f.Color(), colors::WindowText);
  struct Case {
    int points, ppi, height;
  };
  for (const Case& c : {Case{12, 96, -16}, Case{9, 96, -12}, Case{10, 120, -17},
                        Case{8, 600, -67}, Case{-9, 96, 12}}) {
    f.SetPixelsPerInch(c.ppi);
    f.SetSize(c.points);
    EXPECT_EQ(f.Height(), c.height) << c.points << "@" << c.ppi;
    EXPECT_EQ(f.Size(), c.points) << c.points << "@" << c.ppi;
  }
  f.SetPixelsPerInch(96);
  f.SetHeight(16);  // a cell height gives a negative size
  EXPECT_EQ(f.Size(), -12);
  f.SetPixelsPerInch(0);
  EXPECT_EQ(f.PixelsPerInch(), 96);
}

TEST(ControlFont, ParentFontFollowsTheParent) {
  TControl report, band, label;
  band.SetParent(&report);
  label.SetParent(&band);
  TFont big;
  big.SetSize(14);
  big.SetStyle({.Bold = true});
  report.SetFont(big);
  EXPECT_FALSE(report.ParentFont());
  EXPECT_EQ(band.Font(), big);
  EXPECT_EQ(label.Font(), big);

  TFont own;
  own.SetName("Courier New");
  label.SetFont(own);
  EXPECT_FALSE(label.ParentFont());
  report.SetFont(TFont{});
  EXPECT_EQ(band.Font(), TFont{});
  EXPECT_EQ(label.Font().Name(), "Courier New");
  label.SetParentFont(true);
  EXPECT_EQ(label.Font(), TFont{});

  TControl late;
  late.SetParent(&report);  // takes the parent's font when placed
  EXPECT_EQ(late.Font(), TFont{});
}

TEST(ControlState, AppearanceAndLoading) {
  TControl c;
  EXPECT_TRUE(c.Enabled());
  EXPECT_TRUE(c.Visible());
  EXPECT_EQ(c.Tag(), 0);
  c.SetEnabled(false);
  c.SetVisible(false);
  c.SetColor(colors::White);
  c.SetTag(17);
  EXPECT_FALSE(c.Enabled());
  EXPECT_FALSE(c.Visible());
  EXPECT_EQ(c.Color(), colors::White);
  EXPECT_EQ(c.Tag(), 17);
  EXPECT_FALSE(c.Loading());
  c.BeginLoading();
  EXPECT_TRUE(c.Loading());
  c.Loaded();
  EXPECT_FALSE(c.Loading());
}

}  // namespace
