#include "widgets/placement.h"

#include <gtest/gtest.h>

#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <QShowEvent>
#include <QTemporaryDir>

#include <cmath>
#include <memory>

#include "platform/application.h"
#include "../output/test_support.h"
#include "captured_errors.h"
#include "platform/settings_store.h"
#include "resource_limits.h"
#include "wait_until.h"

namespace {

// A window with its own show and close handlers, and the placement as a
// member so that it goes with the window.
class Window : public QWidget {
 public:
  Window() : keeper(this) {
    keeper.SetIniSection(QStringLiteral("textbroodlog"));
    keeper.SetUseRegistry(true);
    keeper.OnSavePlacement = [this](TPlacementKeeper*) { ++saves; };
    setGeometry(100, 80, 300, 200);
  }
  int own_shows = 0, own_closes = 0, saves = 0;
  bool refuse_close = false;
  QRect geometry_in_own_show;
  TPlacementKeeper keeper;

 protected:
  void showEvent(QShowEvent* e) override {
    ++own_shows;
    geometry_in_own_show = geometry();
    QWidget::showEvent(e);
  }
  void closeEvent(QCloseEvent* e) override {
    ++own_closes;
    if (refuse_close) e->ignore();
  }
};

class PlacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    xdg_.emplace("XDG_CONFIG_HOME", dir_.path().toUtf8().constData());
  }
  QString IniPath() const { return dir_.path() + "/Software/widgets_tests.ini"; }
  QString Value(const QString& name) {
    QSettings s(IniPath(), QSettings::IniFormat);
    return s.value("textbroodlog/" + name).toString();
  }
  void Store(const QMap<QString, QString>& values) {
    QSettings s(IniPath(), QSettings::IniFormat);
    s.remove("textbroodlog");
    for (auto it = values.begin(); it != values.end(); ++it) s.setValue("textbroodlog/" + it.key(), it.value());
  }
  QString Suffix() const {
    const QSize size = QGuiApplication::primaryScreen()->geometry().size();
    return QString("(%1x%2)").arg(size.width()).arg(size.height());
  }
  int Ppi() const { return int(std::lround(QGuiApplication::primaryScreen()->logicalDotsPerInchY())); }

  QTemporaryDir dir_;
  std::optional<test_support::ScopedEnv> xdg_;
  CapturedErrors shown_;
  QStringList& messages_ = shown_.messages;
};

}  // namespace

TEST_F(PlacementTest, SavesEveryValueAndRestoresThem) {
  {
    Window w;
    w.show();
    EXPECT_EQ(w.own_shows, 1);
    EXPECT_TRUE(QFile::exists(IniPath())) << "opening the store creates the key";
    EXPECT_EQ(w.geometry(), QRect(100, 80, 300, 200)) << "first run: the definition's place";
    w.setGeometry(150, 120, 333, 222);
    w.close();
    EXPECT_EQ(w.own_closes, 1);
    EXPECT_EQ(w.saves, 1);
  }
  EXPECT_EQ(Value("FormVersion"), "0");
  EXPECT_EQ(Value("Flags"), "0");
  EXPECT_EQ(Value("ShowCmd"), "1");
  EXPECT_EQ(Value("PixelsPerInch"), QString::number(Ppi()));
  EXPECT_EQ(Value("NormPos"), "150,120,483,342");
  EXPECT_EQ(Value("NormPos" + Suffix()), "150,120,483,342");
  EXPECT_EQ(Value("MinMaxPos" + Suffix()), Value("MinMaxPos"));
  EXPECT_FALSE(Value("MinMaxPos").isEmpty());
  EXPECT_EQ(Value("Visible"), "0") << "closed, then destroyed: one write, at the close";

  Window again;
  again.show();
  EXPECT_EQ(again.geometry(), QRect(150, 120, 333, 222));
  EXPECT_EQ(again.geometry_in_own_show, QRect(150, 120, 333, 222)) << "restored before the window's own show handler";
  again.close();
}

TEST_F(PlacementTest, CentredDialogReopensWhereItWasLeft) {
  auto make = [] {
    auto d = std::make_unique<QDialog>();
    d->resize(524, 375);
    return d;
  };
  auto keeper_for = [](QDialog* d) {
    auto k = std::make_unique<TPlacementKeeper>(d);
    k->SetIniSection("textbroodlog");
    k->SetUseRegistry(true);
    return k;
  };
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  {
    auto d = make();
    auto k = keeper_for(d.get());
    d->show();
    EXPECT_LE(std::abs(d->geometry().center().x() - screen.center().x()), 2);
    EXPECT_LE(std::abs(d->geometry().center().y() - screen.center().y()), 2);
    d->setGeometry(40, 30, 600, 400);
    d->close();
  }
  auto d = make();
  auto k = keeper_for(d.get());
  d->show();
  EXPECT_EQ(d->geometry(), QRect(40, 30, 600, 400)) << "no longer centred";
  d->close();
}

TEST_F(PlacementTest, WhereTheCompositorPlacesWindowsOnlyTheSizeIsRestoredAndThePositionKept) {
  struct CompositorPlaced : TPlacementKeeper {
    using TPlacementKeeper::TPlacementKeeper;
    bool PlatformPlacesWindows() const override { return false; }
  };
  Store({{"NormPos", "150,120,483,342"}});
  QWidget w;
  w.setGeometry(100, 80, 300, 200);
  CompositorPlaced keeper(&w);
  keeper.SetIniSection("textbroodlog");
  keeper.SetUseRegistry(true);
  w.show();
  EXPECT_EQ(w.geometry(), QRect(100, 80, 333, 222)) << "the stored size, not the stored place";
  w.resize(400, 250);
  w.close();
  EXPECT_EQ(Value("NormPos"), "150,120,550,370") << "the place stored before, the new size";
}

TEST_F(PlacementTest, ReadRules) {
  const QString ppi = QString::number(Ppi());
  const struct Case {
    const char* name;
    QMap<QString, QString> stored;
    QRect expected;
  } cases[] = {
      {"suffixed name first", {{"NormPos" + Suffix(), "10,20,110,220"}, {"NormPos", "1,2,3,4"}, {"PixelsPerInch", ppi}},
       QRect(10, 20, 100, 200)},
      {"other screen size: plain name", {{"NormPos(1x1)", "10,20,110,220"}, {"NormPos", "30,40,230,140"}, {"PixelsPerInch", ppi}},
       QRect(30, 40, 200, 100)},
      {"empty suffixed falls back", {{"NormPos" + Suffix(), ""}, {"NormPos", "30,40,230,140"}}, QRect(30, 40, 200, 100)},
      {"spaces and commas", {{"NormPos", "  30 ,, 40  230,140"}}, QRect(30, 40, 200, 100)},
      {"two words", {{"NormPos", "50,60"}}, QRect(50, 60, 100 + 300 - 50, 80 + 200 - 60)},
      {"non-numeric words", {{"NormPos", "50,x,y,300"}}, QRect(50, 80, 350, 220)},
      {"right <= left", {{"NormPos", "500,60,500,300"}}, QRect(100, 80, 300, 200)},
      {"other resolution", {{"NormPos", "10,20,110,220"}, {"PixelsPerInch", "120"}}, QRect(100, 80, 300, 200)},
      {"off the screen stays", {{"NormPos", "-500,3000,-200,3100"}}, QRect(-500, 3000, 300, 100)},
      {"only MinMaxPos", {{"MinMaxPos", "1,2,3,4"}}, QRect(100, 80, 300, 200)},
      {"nothing stored", {}, QRect(100, 80, 300, 200)},
  };
  for (const Case& c : cases) {
    Store(c.stored);
    Window w;
    w.show();
    EXPECT_EQ(w.geometry(), c.expected) << c.name;
    EXPECT_TRUE(messages_.isEmpty()) << c.name;
    w.hide();
  }
}

TEST_F(PlacementTest, FixedBorderKeepsItsSize) {
  Store({{"NormPos", "10,20,510,420"}});
  Window w;
  w.setFixedSize(300, 200);
  w.show();
  EXPECT_EQ(w.geometry(), QRect(10, 20, 300, 200));
}

TEST_F(PlacementTest, StateByShowCmdEvenAtAnotherResolution) {
  const struct {
    const char* show_cmd;
    Qt::WindowState state;
  } cases[] = {{"3", Qt::WindowMaximized}, {"2", Qt::WindowMinimized}, {"6", Qt::WindowMinimized},
               {"1", Qt::WindowNoState}, {"0", Qt::WindowNoState}, {"4", Qt::WindowNoState},
               {"8", Qt::WindowNoState}, {"junk", Qt::WindowNoState}};
  for (const auto& c : cases) {
    Store({{"NormPos", "10,20,110,220"}, {"PixelsPerInch", "144"}, {"ShowCmd", c.show_cmd}});
    Window w;
    w.show();
    EXPECT_EQ(w.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized), c.state) << c.show_cmd;
    if (c.state == Qt::WindowNoState) {
      EXPECT_EQ(w.geometry(), QRect(100, 80, 300, 200)) << c.show_cmd;
    }
    w.hide();
  }
  // A maximized window saves its restored rectangle and ShowCmd 3.
  Store({});
  Window w;
  w.show();
  w.setWindowState(Qt::WindowMaximized);
  w.close();
  EXPECT_EQ(Value("ShowCmd"), "3");
  EXPECT_EQ(Value("NormPos"), "100,80,400,280");
}

TEST_F(PlacementTest, VersionAndWhenItWrites) {
  Store({{"FormVersion", "1"}, {"NormPos", "10,20,110,220"}});
  {
    Window w;
    w.keeper.SetVersion(2);
    w.show();
    EXPECT_EQ(w.geometry(), QRect(100, 80, 300, 200)) << "older values are ignored";
    w.close();
  }
  EXPECT_EQ(Value("FormVersion"), "2");
  EXPECT_EQ(Value("NormPos"), "100,80,400,280");

  Store({});
  {
    Window w;  // never shown: writes nothing
  }
  EXPECT_EQ(Value("FormVersion"), "");
  {
    int saves = 0;
    auto w = std::make_unique<Window>();  // destroyed while shown: written once, "Visible" 1
    w->keeper.OnSavePlacement = [&](TPlacementKeeper*) { ++saves; };
    w->show();
    EXPECT_EQ(saves, 0);
    w.reset();
    EXPECT_EQ(saves, 1);
  }
  EXPECT_EQ(Value("Visible"), "1");

  Store({});
  {
    Window w;  // a refused close writes nothing, but the window's handler ran
    w.show();
    w.refuse_close = true;
    w.close();
    EXPECT_EQ(w.own_closes, 1);
    EXPECT_EQ(w.saves, 0);
    EXPECT_TRUE(w.isVisible());
    w.refuse_close = false;
    w.keeper.SetActive(false);
    w.close();  // not active: no save either
    EXPECT_EQ(w.saves, 0);
  }
  EXPECT_EQ(Value("FormVersion"), "");
}

TEST_F(PlacementTest, ActiveControlIsSavedAndRestored) {
  auto make = [](Window& w) {
    auto* a = new QLineEdit(&w);
    a->setObjectName("Edit1");
    auto* b = new QLineEdit(&w);
    b->setObjectName("Edit2");
    w.keeper.SetOptions(fpState | fpPosition | fpActiveControl);
    return b;
  };
  {
    Window w;
    QLineEdit* b = make(w);
    w.show();
    b->setFocus();
    w.close();
  }
  EXPECT_EQ(Value("ActiveControl"), "Edit2");
  Window w;
  QLineEdit* b = make(w);
  w.show();
  EXPECT_EQ(w.focusWidget(), b);
}

TEST_F(PlacementTest, StoreFailuresAreReportedAndTheWindowGoesOn) {
  // A config "directory" below a plain file cannot be created, even by root.
  QFile blocker(dir_.path() + "/file");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  qputenv("XDG_CONFIG_HOME", (dir_.path() + "/file/config").toUtf8());
  {
    Window w;
    w.show();
    EXPECT_EQ(w.own_shows, 1) << "the window's own show still runs";
    w.close();
    EXPECT_EQ(w.own_closes, 1);
  }
  // The failed restore left the placement unrestored, so the close saved
  // nothing; the restore's failure is told once the window is up.
  ASSERT_TRUE(WaitUntil([&] { return !messages_.isEmpty(); }));
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_EQ(messages_[0], "Failed to create key Software\\widgets_tests");

  // A value that is not text.
  qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8());
  QDir().mkpath(dir_.path() + "/Software");
  QFile ini(IniPath());
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("[textbroodlog]\nFormVersion=@Rect(1 2 3 4)\n");
  ini.close();
  messages_.clear();
  Window w;
  w.show();
  EXPECT_TRUE(w.isVisible());
  ASSERT_TRUE(WaitUntil([&] { return messages_.size() == 1; }));
  EXPECT_EQ(messages_[0], "Invalid data type for 'FormVersion'");
}

TEST_F(PlacementTest, SingleValuesAndTheIniFileStore) {
  Window w;
  EXPECT_EQ(w.keeper.DefaultStoreName(), "Software\\widgets_tests");
  EXPECT_EQ(w.keeper.SectionName(), "textbroodlog");
  QDialog dialog;
  TPlacementKeeper on_dialog(&dialog);
  EXPECT_EQ(on_dialog.SectionName(), "QDialog") << "the owner's class name";
  w.keeper.WriteStoreInteger("Answer", 42);
  EXPECT_EQ(w.keeper.ReadStoreInteger("Answer", 7), 42);
  w.keeper.WriteStoreString("textbroodlog", "Answer", "4x2");
  EXPECT_EQ(w.keeper.ReadStoreInteger("Answer", 7), 7);
  EXPECT_EQ(w.keeper.ReadStoreInteger("Missing", -3), -3);
  EXPECT_EQ(w.keeper.ReadStoreString("textbroodlog", "Missing", "def"), "def");

  w.keeper.SetUseRegistry(false);
  EXPECT_EQ(w.keeper.DefaultStoreName(), "widgets_tests.INI");
  for (const QString& text : {QString("\"quoted\""), QString("'single'"), QString("\"half"), QString("plain")}) {
    w.keeper.WriteStoreString("s", "v", text);
    EXPECT_EQ(w.keeper.ReadStoreString("s", "v", ""), text);
  }
  w.keeper.WriteStoreString("s", "v", "'single'");
  QSettings raw(dir_.path() + "/widgets_tests.INI", QSettings::IniFormat);
  EXPECT_EQ(raw.value("s/v").toString(), "\"'single'\"");
}

TEST_F(PlacementTest, LimitsAreOnlyAppliedWhenSet) {
  Window w;
  w.show();
  EXPECT_TRUE(w.keeper.MinMaxInfo().Empty());
  EXPECT_EQ(w.minimumSize(), QSize(0, 0));
  w.keeper.MinMaxInfo().SetMinTrackWidth(250);
  w.keeper.MinMaxInfo().SetMaxTrackHeight(500);
  EXPECT_EQ(w.minimumWidth(), 250);
  EXPECT_EQ(w.maximumHeight(), 500);
  TMinMaxLimits none(nullptr);
  w.keeper.SetMinMaxInfo(none);
  EXPECT_EQ(w.minimumSize(), QSize(0, 0));
  EXPECT_EQ(w.maximumHeight(), QWIDGETSIZE_MAX);
  w.keeper.SetPreventResize(true);
  EXPECT_EQ(w.minimumSize(), w.size());
  EXPECT_EQ(w.maximumSize(), w.size());
  w.keeper.SetPreventResize(false);
  EXPECT_EQ(w.maximumHeight(), QWIDGETSIZE_MAX);
}

TEST_F(PlacementTest, AStoreFullOfGarbageIsRewrittenWithoutAnError) {
  QDir().mkpath(dir_.path() + "/Software");
  static const char binary[] = "\x01\xff\xfe[[\x00\x02=\x7f\n\x00\x00garbage";
  const struct {
    const char* name;
    QByteArray bytes;
  } cases[] = {
      {"binary", QByteArray(binary, sizeof binary - 1)},
      {"broken lines", "[textbroodlog\n=novalue\nno equals sign\n[]\n\"unterminated=\n\\\n"},
      {"half a section", "[textbroodlog]\nNormPos=\"1,2\nFlags=[[[\n"},
  };
  for (const auto& c : cases) {
    QFile ini(IniPath());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write(c.bytes);
    ini.close();
    messages_.clear();
    {
      Window w;
      w.show();
      w.setGeometry(120, 90, 310, 210);
      w.close();
    }
    EXPECT_EQ(messages_.join('|').toStdString(), "") << c.name;
    EXPECT_EQ(Value("FormVersion").toStdString(), "0") << c.name << ": the store was rewritten";
    EXPECT_FALSE(Value("NormPos").isEmpty()) << c.name;
  }
}

TEST_F(PlacementTest, AWriteThatFailsOverADamagedStoreIsStillReported) {
  QDir().mkpath(dir_.path() + "/Software");
  QFile ini(IniPath());
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("[textbroodlog\nno equals sign\n");
  ini.close();
  Window w;
  w.show();
  {
    // Files cannot grow, as on a full disk: the store cannot be rewritten.
    ScopedFileSizeLimit limit(8);
    ASSERT_TRUE(limit.ok());
    w.close();
  }
  EXPECT_EQ(messages_.join('|').toStdString(), "Failed to set data for 'FormVersion'");
}

// A FIFO where the store's file belongs would block every open for good:
// it reads as empty and refuses writes at once. A link is written through.
TEST_F(PlacementTest, TheStoreNeverOpensAFifoAndWritesThroughALink) {
  QDir().mkpath(dir_.path() + "/Software");
  ASSERT_EQ(::mkfifo(QFile::encodeName(IniPath()).constData(), 0644), 0);
  Window w;
  EXPECT_EQ(w.keeper.ReadStoreInteger("Answer", 7), 7);
  try {
    w.keeper.WriteStoreInteger("Answer", 42);
    ADD_FAILURE() << "no error";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'Answer'");
  }
  EXPECT_TRUE(QFileInfo(IniPath()).exists() && !QFileInfo(IniPath()).isFile());

  QFile::remove(IniPath());
  const QString real = dir_.path() + "/real.ini";
  ASSERT_TRUE(QFile::link(real, IniPath()));
  w.keeper.WriteStoreInteger("Answer", 42);
  EXPECT_TRUE(QFileInfo(IniPath()).isSymLink());
  EXPECT_EQ(QSettings(real, QSettings::IniFormat).value("textbroodlog/Answer").toString(), "42");
}

// A store grown huge around the placement (a 100 MB value, 200 000 other
// keys) restores as a normal one does: only the placement is read, and the
// restore holds next to nothing more than before.
TEST_F(PlacementTest, AHugeStoreIsReadOnlyForThePlacement) {
  {
    Window w;
    w.show();
    w.setGeometry(150, 120, 333, 222);
    w.close();
  }
  {
    QFile ini(IniPath());
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write("[junk]\nblob=");
    const QByteArray piece(1 << 20, 'x');
    for (int i = 0; i < 100; ++i) ini.write(piece);
    ini.write("\n");
    QByteArray keys;
    for (int i = 0; i < 200'000; ++i) keys += "k" + QByteArray::number(i) + "=1\n";
    ini.write(keys);
  }
  auto peak_kib = [] {
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
  };
  const long before = peak_kib();
  QElapsedTimer timer;
  timer.start();
  Window again;
  again.show();
  EXPECT_LT(timer.elapsed(), 1500);
  EXPECT_LT(peak_kib() - before, 64 * 1024) << "KiB more at the peak";
  EXPECT_EQ(again.geometry(), QRect(150, 120, 333, 222));
  EXPECT_TRUE(messages_.isEmpty());
  again.keeper.SetActive(false);  // saving rewrites the whole store, as it did
}
