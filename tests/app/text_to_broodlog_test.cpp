#include "app/text_to_broodlog.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <thread>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "report/report_context.h"
#include "platform/application.h"
#include "captured_errors.h"
#include "../output/test_support.h"
#include "qt_files.h"
#include "resource_limits.h"
#include "wait_until.h"

namespace {

QByteArray DefaultsFile() {
  QByteArray bytes;
  for (const char* t : Ttext_to_broodlog::kDefaultTexts) bytes += QByteArray(t) + "\r\n";
  return bytes;
}

QByteArray Lines(int n, const char* prefix = "line") {
  QByteArray bytes;
  for (int i = 0; i < n; ++i) bytes += prefix + QByteArray::number(i) + "\r\n";
  return bytes;
}

// Each test runs in an empty working directory with its own settings store.
class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    cwd_.emplace(dir_.path().toStdString());
    xdg_.emplace("XDG_CONFIG_HOME", (dir_.path() + "/config").toUtf8().constData());
  }
  QByteArray FileBytes() { return ReadFile(QStringLiteral("broodlog.txt")); }
  void Write(const QByteArray& bytes) {
    QFile f("broodlog.txt");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
  }
  QStringList Boxes(const Ttext_to_broodlog& d) {
    QStringList out;
    for (QLineEdit* e : d.Edits) out << e->text();
    return out;
  }
  QStringList Defaults() {
    QStringList out;
    for (const char* t : Ttext_to_broodlog::kDefaultTexts) out << t;
    return out;
  }

  QTemporaryDir dir_;
  std::optional<test_support::ScopedCurrentDir> cwd_;
  std::optional<test_support::ScopedEnv> xdg_;
  CapturedErrors shown_;
  QStringList& messages_ = shown_.messages;
};

}  // namespace

TEST_F(EditorTest, ControlsAsDesigned) {
  Ttext_to_broodlog d;
  EXPECT_EQ(d.windowTitle(), "Text to big broodlog");
  EXPECT_EQ(d.font().pixelSize(), 11);
  for (int k = 0; k < kCaptionCount; ++k) {
    QLineEdit* e = d.Edits[size_t(k)];
    EXPECT_EQ(e->objectName(), QString("Edit%1").arg(k + 1));
    const QRect expected = k <= 10 ? QRect(96, 24 + 24 * k, 96, 21)
                                   : QRect(320, 24 + 24 * (k - 11), (k == 12 || k == 13 || k == 20) ? 121 : 96, 21);
    EXPECT_EQ(e->geometry(), expected) << k;
    EXPECT_EQ(e->text(), Ttext_to_broodlog::kDefaultTexts[size_t(k)]);
    EXPECT_EQ(e->layoutDirection(), k == 0 ? Qt::RightToLeft : Qt::LeftToRight) << k;
    QLabel* n = d.NumberLabels[size_t(k)];
    EXPECT_EQ(n->text(), QString("%1.").arg(k + 1));
    EXPECT_EQ(n->x(), k < 9 ? 48 : (k <= 10 ? 42 : 264)) << k;
    EXPECT_EQ(n->y(), e->y());
  }
  EXPECT_EQ(d.Label1->text(), "Column number");
  EXPECT_EQ(d.Label25->pos(), QPoint(232, 8));
  EXPECT_EQ(d.Label24->text(), "Column text");
  EXPECT_EQ(d.Bevel1->geometry(), QRect(88, 6, 113, 289));
  EXPECT_EQ(d.Bevel2->geometry(), QRect(312, 6, 137, 265));
  EXPECT_EQ(d.BitBtn3->text(), "&Default");
  EXPECT_EQ(d.BitBtn3->geometry(), QRect(208, 288, 97, 25));
  EXPECT_EQ(d.BitBtn1->text(), "&OK");
  EXPECT_EQ(d.BitBtn1->geometry(), QRect(312, 288, 57, 25));
  EXPECT_TRUE(d.BitBtn1->isDefault());
  EXPECT_EQ(d.BitBtn2->text(), "&Cancel");
  EXPECT_EQ(d.BitBtn2->geometry(), QRect(376, 288, 105, 25));
  // Tab order: Edit1 .. Edit21, "&Default", "&OK", "&Cancel".
  auto next_tab_stop = [](QWidget* w) {
    do w = w->nextInFocusChain();
    while (!(w->focusPolicy() & Qt::TabFocus));
    return w;
  };
  QWidget* w = d.Edits[0];
  for (int k = 1; k < kCaptionCount; ++k) {
    w = next_tab_stop(w);
    EXPECT_EQ(w, d.Edits[size_t(k)]) << k;
  }
  EXPECT_EQ(next_tab_stop(w), d.BitBtn3);
  EXPECT_EQ(next_tab_stop(d.BitBtn3), d.BitBtn1);
  EXPECT_EQ(next_tab_stop(d.BitBtn1), d.BitBtn2);
  EXPECT_EQ(d.PlacementKeeper1.IniSection(), "textbroodlog");
  EXPECT_TRUE(d.PlacementKeeper1.UseRegistry());
}

TEST_F(EditorTest, FirstUseShowsDefaultsAndOkWritesThem) {
  Ttext_to_broodlog d;
  d.show();
  EXPECT_EQ(Boxes(d), Defaults());
  EXPECT_EQ(FileBytes(), "<missing>") << "showing never creates the file";
  QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(FileBytes(), DefaultsFile());
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(EditorTest, ShortAndLongFiles) {
  const struct {
    const char* name;
    QByteArray content;
    int from_file;
  } cases[] = {{"3 lines", Lines(3), 3}, {"25 lines", Lines(25), 21}, {"empty", "", 0},
               {"lf only, empty third line", "a\nb\n\nd", 4}};
  for (const auto& c : cases) {
    Write(c.content);
    Ttext_to_broodlog d;
    d.show();
    const QStringList lines = QString::fromLatin1(c.content).split(QRegularExpression("\r\n|\n"));
    for (int k = 0; k < kCaptionCount; ++k)
      EXPECT_EQ(d.Edits[size_t(k)]->text(), k < c.from_file ? lines[k] : Defaults()[k]) << c.name << " " << k;
    d.BitBtn1->click();
    const QByteArray written = FileBytes();
    EXPECT_EQ(written.count("\r\n"), 21) << c.name;
    EXPECT_TRUE(written.endsWith("\r\n")) << c.name;
    if (c.from_file == 21) {
      EXPECT_FALSE(written.contains("line21")) << "the lines after the 21st are gone";
    }
  }
}

TEST_F(EditorTest, DefaultBringsBackDesignTextsNotTheFile) {
  Write(Lines(21, "file"));
  Ttext_to_broodlog d;
  d.show();
  EXPECT_EQ(d.Edits[4]->text(), "file4");
  d.Edits[4]->setText("edited");
  QTest::mouseClick(d.BitBtn3, Qt::LeftButton);
  EXPECT_EQ(Boxes(d), Defaults());
  EXPECT_TRUE(d.isVisible());
  EXPECT_EQ(FileBytes(), Lines(21, "file")) << "nothing is saved by Default";
}

TEST_F(EditorTest, TypingLimitBoundsOnlyTyping) {
  Ttext_to_broodlog d;
  d.show();
  QLineEdit* six = d.Edits[5];
  EXPECT_EQ(six->text(), "Aggressivity (1-5)") << "18 characters shown whole";
  six->setCursorPosition(18);
  QTest::keyClicks(six, "xyz");
  EXPECT_EQ(six->text(), "Aggressivity (1-5)");
  for (int k : {0, 12}) {
    QLineEdit* e = d.Edits[size_t(k)];
    e->selectAll();
    QTest::keyClicks(e, QString(30, 'w'));
    EXPECT_EQ(e->text().size(), Ttext_to_broodlog::TypingLimit(k)) << k;
  }
  const QString forty(40, 'q');
  d.Edits[2]->setText(forty);
  d.BitBtn1->click();
  EXPECT_TRUE(FileBytes().contains(forty.toLatin1() + "\r\n")) << "saved whole";
}

TEST_F(EditorTest, CancelEscAndCloseBoxSaveNothing) {
  Write(Lines(21));
  for (int how = 0; how < 3; ++how) {
    Ttext_to_broodlog d;
    d.show();
    d.Edits[0]->setText("changed");
    if (how == 0) QTest::mouseClick(d.BitBtn2, Qt::LeftButton);
    if (how == 1) QTest::keyClick(d.Edits[3], Qt::Key_Escape);
    if (how == 2) d.close();
    EXPECT_FALSE(d.isVisible()) << how;
    EXPECT_EQ(d.result(), QDialog::Rejected) << how;
    EXPECT_EQ(FileBytes(), Lines(21)) << how;
  }
}

TEST_F(EditorTest, EnterInABoxConfirms) {
  Ttext_to_broodlog d;
  d.show();
  d.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
  // Even after a button had the focus, "&OK" is the default again in a box.
  d.BitBtn2->setFocus();
  QTest::keyClick(d.BitBtn2, Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), d.Edits[0]);
  QTest::keyClick(d.Edits[0], Qt::Key_Return);
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(FileBytes(), DefaultsFile());
}

TEST_F(EditorTest, FailedSaveReportsKeepsOldFileAndStillCloses) {
  const QByteArray old = "old\r\nfile\r\n";
  Write(old);
  Ttext_to_broodlog d;
  d.show();
  for (QLineEdit* e : d.Edits) e->setText(QString(40, 'h'));
  // A file size limit fails the write part-way, as a full disk would (root
  // ignores permissions). It lets the smaller placement values through.
  {
    ScopedFileSizeLimit limit(600);
    ASSERT_TRUE(limit.ok());
    d.BitBtn1->click();
  }
  EXPECT_EQ(messages_, QStringList{"Cannot create file broodlog.txt"});
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(FileBytes(), old);
}

TEST_F(EditorTest, ReopensWhereItWasLeft) {
  QRect first;
  {
    Ttext_to_broodlog d;
    d.show();
    first = d.geometry();
    const QRect screen = d.screen()->geometry();
    EXPECT_EQ(d.frameGeometry().topLeft(), QPoint((screen.width() - 524) / 2, (screen.height() - 375) / 2)) << "centred";
    d.setGeometry(30, 40, 600, 420);
    d.BitBtn2->click();
  }
  Ttext_to_broodlog again;
  again.show();
  EXPECT_EQ(again.geometry(), QRect(30, 40, 600, 420));
  EXPECT_TRUE(QFile::exists(dir_.path() + "/config/Software/app_tests.ini"));
}

TEST_F(EditorTest, ConfigureOpensTheEditorModally) {
  THeadlessContext context;
  Tbroodlogprint main_window(context);
  main_window.show();
  bool seen = false;
  // The press returns before the editor opens (a screen reader's press must
  // not wait for it); the editor then runs from the message loop.
  main_window.Button1->click();
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  QTimer::singleShot(0, [&] {
    auto* editor = qobject_cast<Ttext_to_broodlog*>(QApplication::activeModalWidget());
    ASSERT_NE(editor, nullptr);
    seen = editor->isModal() && editor->isVisible();
    editor->Edits[1]->setText("Queen seen");
    editor->BitBtn1->click();
  });
  ASSERT_TRUE(WaitUntil([&] { return seen; }));
  ASSERT_TRUE(WaitUntilEq([] { return QApplication::activeModalWidget(); }, nullptr));
  EXPECT_TRUE(FileBytes().startsWith("Date or hive\r\nQueen seen\r\n+- boxes/frames\r\n"));
}

TEST_F(EditorTest, EnterAndSpaceOnAFocusedButtonPressThatButton) {
  enum Button { kOk, kCancel, kDefault };
  const struct {
    Button button;
    Qt::Key key;
  } cases[] = {{kOk, Qt::Key_Return},     {kOk, Qt::Key_Enter},     {kOk, Qt::Key_Space},
               {kCancel, Qt::Key_Return}, {kCancel, Qt::Key_Enter}, {kCancel, Qt::Key_Space},
               {kDefault, Qt::Key_Return}, {kDefault, Qt::Key_Enter}, {kDefault, Qt::Key_Space}};
  const QByteArray old = Lines(21, "file");
  for (const auto& c : cases) {
    const std::string name = std::to_string(int(c.button)) + " key " + QKeySequence(c.key).toString().toStdString();
    Write(old);
    Ttext_to_broodlog d;
    d.show();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d)) << name;
    d.Edits[1]->setText("edited");
    QPushButton* button = c.button == kOk ? d.BitBtn1 : c.button == kCancel ? d.BitBtn2 : d.BitBtn3;
    button->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), button) << name;
    QTest::keyClick(QApplication::focusWidget(), c.key);
    switch (c.button) {
      case kOk:
        EXPECT_FALSE(d.isVisible()) << name;
        EXPECT_EQ(d.result(), QDialog::Accepted) << name;
        EXPECT_TRUE(FileBytes().startsWith("file0\r\nedited\r\n")) << name;
        break;
      case kCancel:
        EXPECT_FALSE(d.isVisible()) << name;
        EXPECT_EQ(d.result(), QDialog::Rejected) << name;
        EXPECT_EQ(FileBytes(), old) << name;
        break;
      case kDefault:
        EXPECT_TRUE(d.isVisible()) << name;
        EXPECT_EQ(Boxes(d), Defaults()) << name;
        EXPECT_EQ(FileBytes(), old) << name;
        break;
    }
    d.close();
  }
  EXPECT_TRUE(messages_.isEmpty());
}

namespace {

// What the unprivileged helper types into box k before pressing "&OK".
QString HelperText(int k) { return QString(40, QChar('a' + k % 26)); }

QByteArray HelperFile() {
  QByteArray bytes;
  for (int k = 0; k < kCaptionCount; ++k) bytes += HelperText(k).toLatin1() + "\r\n";
  return bytes;
}


struct stat Lstat(const QString& path) {
  struct stat st {};
  ::lstat(QFile::encodeName(path).constData(), &st);
  return st;
}

const char kHelperDirVariable[] = "BROODLOG_SAVE_AS_USER_DIR";

}  // namespace

// Saving must respect what the user owns, so these cases run as an ordinary
// user: as root (where permissions stop nothing) the test runs itself again
// as "nobody" for the saving part, and checks the outcome as root.
TEST_F(EditorTest, SavesAsAnEditorWouldForAnOrdinaryUser) {
  if (const QByteArray dir = qgetenv(kHelperDirVariable); !dir.isEmpty()) {
    // The helper: save through the dialog in that directory, report what was shown.
    ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_NE(::geteuid(), 0u);
    ASSERT_TRUE(QDir::setCurrent(QString::fromLocal8Bit(dir)));
    Ttext_to_broodlog d;
    d.show();
    for (int k = 0; k < kCaptionCount; ++k) d.Edits[size_t(k)]->setText(HelperText(k));
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    for (const QString& m : messages_) std::printf("shown: %s\n", qPrintable(m));
    std::fflush(stdout);
    return;
  }

  const bool root = ::geteuid() == 0;
  const passwd* nobody = ::getpwnam("nobody");
  const group* nogroup = ::getgrnam("nogroup");
  if (root) {
    ASSERT_TRUE(nobody != nullptr && nogroup != nullptr) << "no user nobody / group nogroup";
  }
  const QByteArray old = "old\r\ncaptions\r\n";
  const QByteArray saved = HelperFile();

  struct Case {
    const char* name;
    mode_t dir_mode;
    std::function<void(const QString& dir)> setup;  // run as the test's user
    bool root_owns_file;                             // broodlog.txt stays root's (root only)
    const char* file_size_limit;                     // for prlimit --fsize, or nullptr
    bool saves;
    std::function<void(const QString& dir)> check;
  };
  const QString file = "broodlog.txt";
  const Case cases[] = {
      {"no file yet: created with the usual mode", 0755, [](const QString&) {}, false, nullptr, true,
       [&](const QString& dir) { EXPECT_EQ(Lstat(dir + "/" + file).st_mode & 07777, 0644u); }},
      {"no file in a read-only directory: refused", 0555, [](const QString&) {}, false, nullptr, false,
       [&](const QString& dir) { EXPECT_FALSE(QFile::exists(dir + "/" + file)); }},
      {"read-only file (444): refused and left as it was", 0755,
       [&](const QString& dir) {
         ASSERT_TRUE(WriteFile(dir + "/" + file, old));
         ::chmod(QFile::encodeName(dir + "/" + file), 0444);
       },
       false, nullptr, false,
       [&](const QString& dir) {
         EXPECT_EQ(ReadFile(dir + "/" + file), old);
         EXPECT_EQ(Lstat(dir + "/" + file).st_mode & 07777, 0444u);
       }},
      {"writable file in a read-only directory: written in place", 0555,
       [&](const QString& dir) { ASSERT_TRUE(WriteFile(dir + "/" + file, old)); }, false, nullptr, true,
       [&](const QString& dir) { EXPECT_EQ(Lstat(dir + "/" + file).st_mode & 07777, 0644u); }},
      {"read-only directory and a full disk: the old file stays whole", 0555,
       [&](const QString& dir) { ASSERT_TRUE(WriteFile(dir + "/" + file, old)); }, false, "600", false,
       [&](const QString& dir) { EXPECT_EQ(ReadFile(dir + "/" + file), old); }},
      {"symbolic link: its target is written, the link stays", 0755,
       [&](const QString& dir) {
         QDir(dir).mkdir("real");
         ASSERT_TRUE(WriteFile(dir + "/real/captions.txt", old));
         ASSERT_EQ(::symlink("real/captions.txt", QFile::encodeName(dir + "/" + file)), 0);
       },
       false, nullptr, true,
       [&](const QString& dir) {
         EXPECT_TRUE(S_ISLNK(Lstat(dir + "/" + file).st_mode));
         EXPECT_EQ(ReadFile(dir + "/real/captions.txt"), saved);
       }},
      {"dangling symbolic link: its target is created", 0755,
       [&](const QString& dir) { ASSERT_EQ(::symlink("target.txt", QFile::encodeName(dir + "/" + file)), 0); }, false,
       nullptr, true,
       [&](const QString& dir) {
         EXPECT_TRUE(S_ISLNK(Lstat(dir + "/" + file).st_mode));
         EXPECT_EQ(ReadFile(dir + "/target.txt"), saved);
       }},
      {"private file (600) with a hard link: mode and link kept", 0755,
       [&](const QString& dir) {
         ASSERT_TRUE(WriteFile(dir + "/" + file, old));
         ::chmod(QFile::encodeName(dir + "/" + file), 0600);
         ASSERT_EQ(::link(QFile::encodeName(dir + "/" + file), QFile::encodeName(dir + "/other-name.txt")), 0);
       },
       false, nullptr, true,
       [&](const QString& dir) {
         EXPECT_EQ(Lstat(dir + "/" + file).st_mode & 07777, 0600u);
         EXPECT_EQ(Lstat(dir + "/" + file).st_ino, Lstat(dir + "/other-name.txt").st_ino);
         EXPECT_EQ(ReadFile(dir + "/other-name.txt"), saved);
       }},
      {"private file (600) alone: mode kept", 0755,
       [&](const QString& dir) {
         ASSERT_TRUE(WriteFile(dir + "/" + file, old));
         ::chmod(QFile::encodeName(dir + "/" + file), 0600);
       },
       false, nullptr, true,
       [&](const QString& dir) { EXPECT_EQ(Lstat(dir + "/" + file).st_mode & 07777, 0600u); }},
      {"someone else's writable file: it stays theirs", 0755,
       [&](const QString& dir) {
         ASSERT_TRUE(WriteFile(dir + "/" + file, old));
         ::chmod(QFile::encodeName(dir + "/" + file), 0666);
       },
       true, nullptr, true,
       [&](const QString& dir) {
         EXPECT_EQ(Lstat(dir + "/" + file).st_uid, 0u);
         EXPECT_EQ(Lstat(dir + "/" + file).st_mode & 07777, 0666u);
       }},
  };

  QTemporaryDir base;
  ASSERT_TRUE(base.isValid());
  ::chmod(QFile::encodeName(base.path()), 0755);  // the helper must reach its directory
  const QString runtime = base.path() + "/runtime";
  QDir(base.path()).mkdir("runtime");
  ::chmod(QFile::encodeName(runtime), 0700);
  if (root) {
    ASSERT_EQ(::chown(QFile::encodeName(runtime), nobody->pw_uid, nogroup->gr_gid), 0);
  }
  int n = 0;
  for (const Case& c : cases) {
    if (c.root_owns_file && !root) continue;  // needs a second user to own the file
    SCOPED_TRACE(c.name);
    const QString dir = base.path() + QString("/case%1").arg(n++);
    ASSERT_TRUE(QDir().mkdir(dir));
    c.setup(dir);
    if (root) {
      for (const QString& entry : QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)) {
        if (c.root_owns_file && entry == file) continue;
        ASSERT_EQ(::lchown(QFile::encodeName(dir + "/" + entry), nobody->pw_uid, nogroup->gr_gid), 0);
        if (!QFileInfo(dir + "/" + entry).isDir() || QFileInfo(dir + "/" + entry).isSymLink()) continue;
        for (const QString& inner : QDir(dir + "/" + entry).entryList(QDir::Files)) {
          ASSERT_EQ(::lchown(QFile::encodeName(dir + "/" + entry + "/" + inner), nobody->pw_uid, nogroup->gr_gid), 0);
        }
      }
      ASSERT_EQ(::chown(QFile::encodeName(dir), nobody->pw_uid, nogroup->gr_gid), 0);
    }
    ::chmod(QFile::encodeName(dir), c.dir_mode);

    QStringList args;
    QString program;
    if (root) {
      program = "setpriv";
      args << "--reuid=nobody" << "--regid=nogroup" << "--clear-groups";
    }
    if (c.file_size_limit) {
      if (program.isEmpty()) program = "prlimit"; else args << "prlimit";
      args << QString("--fsize=%1").arg(c.file_size_limit) << "--";
    }
    const QString self = QCoreApplication::applicationFilePath();
    const QString filter = "--gtest_filter=EditorTest.SavesAsAnEditorWouldForAnOrdinaryUser";
    if (program.isEmpty()) program = self; else args << self;
    args << filter;
    QProcess helper;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kHelperDirVariable, dir);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", runtime);
    env.insert("HOME", base.path());
    helper.setProcessEnvironment(env);
    helper.setWorkingDirectory(base.path());
    helper.start(program, args);
    ASSERT_TRUE(helper.waitForFinished(60000)) << c.name;
    const QString out = QString::fromLocal8Bit(helper.readAllStandardOutput());
    EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit) << c.name;
    EXPECT_EQ(helper.exitCode(), 0) << c.name << "\n" << out.toStdString()
                                    << QString::fromLocal8Bit(helper.readAllStandardError()).toStdString();
    QStringList shown;
    for (const QString& line : out.split('\n'))
      if (line.startsWith("shown: ")) shown << line.mid(7);
    EXPECT_EQ(shown.join('|').toStdString(), c.saves ? "" : "Cannot create file broodlog.txt");
    if (c.saves && !S_ISLNK(Lstat(dir + "/" + file).st_mode)) {
      EXPECT_EQ(ReadFile(dir + "/" + file), saved) << c.name;
    }
    c.check(dir);
    // No temporary file is left behind.
    for (const QString& entry : QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
      EXPECT_FALSE(entry.startsWith('.')) << c.name << ": " << entry.toStdString();
    ::chmod(QFile::encodeName(dir), 0755);  // so that the directory can be removed
  }
}

TEST_F(EditorTest, AFifoNamedLikeTheFileNeitherBlocksNorIsReplaced) {
  ASSERT_EQ(::mkfifo("broodlog.txt", 0644), 0);
  // Should a read block on the FIFO, a writer opened from here releases it,
  // so the test fails instead of hanging.
  std::atomic<bool> done{false}, released{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 300 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (done) return;
    released = true;
    const int fd = ::open("broodlog.txt", O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
  });
  {
    Ttext_to_broodlog d;
    d.show();
    done = true;
    EXPECT_EQ(Boxes(d), Defaults()) << "read as a missing file";
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
  }
  watchdog.join();
  EXPECT_FALSE(released) << "showing the editor blocked on the FIFO";
  EXPECT_EQ(messages_, QStringList{"Cannot create file broodlog.txt"});
  EXPECT_TRUE(S_ISFIFO(Lstat("broodlog.txt").st_mode));
}

// A caption file written on a Western European Windows system (code page
// 1252) goes through the editor and back without losing a character: the
// boxes show the letters, and OK writes them as UTF-8.
TEST_F(EditorTest, AWindows1252FileGoesThroughTheEditorWhole) {
  Write("\x8C" "ufs\r\nCo\xFBt \x80\r\nReine d\x92\xE9t\xE9\r\nTraitement \x96 dose\r\n\x84" "extra\x93\r\n"
        "\x81\x8D\x8F\x90\x9D\r\n");
  const QStringList expected = {QString::fromUtf8("\xC5\x92ufs"), QString::fromUtf8("Co\xC3\xBBt \xE2\x82\xAC"),
                                QString::fromUtf8("Reine d\xE2\x80\x99\xC3\xA9t\xC3\xA9"),
                                QString::fromUtf8("Traitement \xE2\x80\x93 dose"),
                                QString::fromUtf8("\xE2\x80\x9E" "extra\xE2\x80\x9C"),
                                QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D")};
  Ttext_to_broodlog d;
  d.show();
  EXPECT_EQ(Boxes(d).mid(0, 6), expected);
  QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
  QByteArray written_expected;
  for (const QString& line : expected) written_expected += line.toUtf8() + "\r\n";
  for (int k = 6; k < kCaptionCount; ++k)
    written_expected += QByteArray(Ttext_to_broodlog::kDefaultTexts[size_t(k)]) + "\r\n";
  EXPECT_EQ(FileBytes(), written_expected);
  // And read again, now as UTF-8, it shows the same.
  Ttext_to_broodlog again;
  again.show();
  EXPECT_EQ(Boxes(again).mid(0, 6), expected);
}

TEST_F(EditorTest, LongTextsFromTheFileOrTheProgramAreKeptAndSavedWhole) {
  const QByteArray huge(40000, 'x');
  Write("first\r\n" + huge + "\r\n");
  Ttext_to_broodlog d;
  d.show();
  EXPECT_EQ(d.Edits[1]->text().size(), huge.size());
  d.Edits[2]->setText(QString(50000, 'y'));
  EXPECT_EQ(d.Edits[2]->text().size(), 50000);
  QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
  QByteArray expected = "first\r\n" + huge + "\r\n" + QByteArray(50000, 'y') + "\r\n";
  for (int k = 3; k < kCaptionCount; ++k) expected += QByteArray(Ttext_to_broodlog::kDefaultTexts[size_t(k)]) + "\r\n";
  const QByteArray written = FileBytes();
  EXPECT_TRUE(written == expected) << written.size() << " bytes instead of " << expected.size();
}

TEST_F(EditorTest, AHugeLineIsShownCutAndSavedWholeUnlessEdited) {
  const int shown = Ttext_to_broodlog::kShownChars;
  const QByteArray smile = "\xF0\x9F\x98\x80";  // two UTF-16 units
  const struct {
    const char* name;
    QByteArray line;
    bool backspace;  // the user deletes the box's last character
    qsizetype box;   // characters the box holds
    QByteArray saved;
  } cases[] = {
      {"at the bound", QByteArray(shown, 'x'), false, shown, QByteArray(shown, 'x')},
      {"one past", QByteArray(shown + 1, 'x'), false, shown, QByteArray(shown + 1, 'x')},
      {"50 MB", QByteArray(50'000'000, 'x'), false, shown, QByteArray(50'000'000, 'x')},
      {"a pair at the cut", QByteArray(shown - 1, 'x') + smile, false, shown - 1, QByteArray(shown - 1, 'x') + smile},
      {"edited", QByteArray(shown + 9, 'x'), true, shown - 1, QByteArray(shown - 1, 'x')},
  };
  for (const auto& c : cases) {
    Write("first\r\n" + c.line + "\r\n");
    Ttext_to_broodlog d;
    d.show();
    if (c.backspace) {
      QTest::keyClick(d.Edits[1], Qt::Key_End);
      QTest::keyClick(d.Edits[1], Qt::Key_Backspace);
    }
    EXPECT_EQ(d.Edits[1]->text().size(), c.box) << c.name;
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    const QByteArray written = FileBytes();
    EXPECT_TRUE(written.startsWith("first\r\n" + c.saved + "\r\n" + Ttext_to_broodlog::kDefaultTexts[2]))
        << c.name << ": " << written.size() << " bytes written";
  }
}

TEST_F(EditorTest, APasteLongerThanTheLimitInsertsWhatFits) {
  const struct {
    const char* name;
    int box;
    QString before;
    int cursor;  // -1: all selected
    QString clip;
    QString after;
  } cases[] = {
      {"empty box", 0, "", 0, QString(30, 'w'), QString(17, 'w')},
      {"at the end", 1, "0123456789", 10, "abcdefghij", "0123456789abcdefg"},
      {"in the middle", 12, "0123456789", 5, QString(20, 'm'), "01234" + QString(12, 'm') + "56789"},
      {"over a selection", 2, "0123456789", -1, QString(20, 's'), QString(17, 's')},
      {"fits whole", 3, "ab", 2, "cd", "abcd"},
      {"box already over its limit", 5, "Aggressivity (1-5)", 18, "xyz", "Aggressivity (1-5)"},
  };
  Ttext_to_broodlog d;
  d.show();
  d.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
  for (const auto& c : cases) {
    QLineEdit* e = d.Edits[size_t(c.box)];
    e->setText(c.before);
    e->setFocus();
    if (c.cursor < 0) e->selectAll(); else e->setCursorPosition(c.cursor);
    QApplication::clipboard()->setText(c.clip);
    QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(e->text().toStdString(), c.after.toStdString()) << c.name;
  }
  // The same through the box's context menu.
  QLineEdit* e = d.Edits[4];
  e->clear();
  QApplication::clipboard()->setText(QString(25, 'c'));
  QContextMenuEvent menu_event(QContextMenuEvent::Mouse, QPoint(5, 5), e->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(e, &menu_event);
  QMenu* menu = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr; }));
  QAction* paste = nullptr;
  for (QAction* a : menu->actions())
    if (a->text().startsWith("&Paste")) paste = a;
  ASSERT_NE(paste, nullptr);
  paste->trigger();
  menu->close();
  EXPECT_EQ(e->text().toStdString(), std::string(17, 'c'));
  // Typing is still bounded after a paste.
  QTest::keyClick(e, Qt::Key_X);
  EXPECT_EQ(e->text().toStdString(), std::string(17, 'c'));
}

namespace {

// The columns that carry dark text pixels in a grab of the box.
std::pair<int, int> InkSpan(QLineEdit* e) {
  const QImage image = e->grab().toImage();
  int left = image.width(), right = -1;
  for (int y = 3; y < image.height() - 3; ++y)
    for (int x = 3; x < image.width() - 3; ++x)
      if (image.pixelColor(x, y).lightness() < 110) left = std::min(left, x), right = std::max(right, x);
  return {left, right};
}

}  // namespace

TEST_F(EditorTest, TheFirstBoxShowsItsTextAsARightToLeftParagraph) {
  Ttext_to_broodlog d;
  d.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
  d.BitBtn1->setFocus();  // shown, not being edited
  QLineEdit* rtl = d.Edits[0];
  QLineEdit* ltr = d.Edits[1];
  for (QLineEdit* e : {rtl, ltr}) e->setText("Swarming (1-5)");
  const auto rtl_plain = InkSpan(rtl), ltr_plain = InkSpan(ltr);
  for (QLineEdit* e : {rtl, ltr}) e->setText("Swarming (1-5).");
  const auto rtl_dot = InkSpan(rtl), ltr_dot = InkSpan(ltr);
  // Left to right: at the left edge, and the full stop adds ink on the right.
  EXPECT_LT(ltr_plain.first, 8);
  EXPECT_EQ(ltr_dot.first, ltr_plain.first);
  EXPECT_GT(ltr_dot.second, ltr_plain.second);
  // Right to left: at the right edge, and the full stop goes to the left.
  EXPECT_GT(rtl_plain.second, rtl->width() - 8);
  EXPECT_EQ(rtl_dot.second, rtl_plain.second);
  EXPECT_LT(rtl_dot.first, rtl_plain.first);
  EXPECT_EQ(rtl->text(), "Swarming (1-5).") << "only the showing changes";
}
