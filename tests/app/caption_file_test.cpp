#include "app/caption_file.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QStringDecoder>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include "../output/test_support.h"
#include "resource_limits.h"

namespace {

namespace fs = std::filesystem;

using test_support::ReadText;
using test_support::WriteFile;

// The texts of the editor's boxes and of the sheet's headings before any file.
const std::vector<QString> kEditorDefaults = {
    "Date or hive", "Revised the brood", "+- boxes/frames", "bee strenght", "Swarming (1-5)",
    "Aggressivity (1-5)", "Steadiness (1-5)", "Disease (1-5)", "Honey harvest", "feed given",
    "Varroa", "Varroa count", "Disease", "Medicine or treatment", "extra text", "extra text",
    "extra text", "extra text", "extra text", "extra text", "remarks"};
const std::vector<QString> kSheetDefaults = {
    "Date/hive", "Revised the brood", "+- boxes/frames", "bee strenght", "Swarming (1-5)",
    "Aggressivity (1-5)", "Steadiness (1-5)", "Diseas (1-5)", "Honey harvest", "feed given",
    "Varroa", "Varroa count", "Disease", "Medicine/treatment", "extra1", "extra2", "extra3",
    "extra4", "extra4", "extra4", "remarks"};

// Stands in for the record sheet: heading elements keyed by tag number,
// visited in the order the sheet defines them.
struct SheetDouble {
  std::map<int, QString> headings;
  SheetDouble() {
    for (int i = 0; i < kCaptionCount; ++i) headings[i] = kSheetDefaults[size_t(i)];
  }
  void Load(const QString& file) {
    TCaptionList list;
    LoadAndApplyCaptions(list, file, {kSheetHeadingOrder.begin(), kSheetHeadingOrder.end()},
                         [&](int tag, const QString& text) { headings.at(tag) = text; });
  }
};

// Stands in for the editor's 21 boxes, filled in box order.
struct EditorDouble {
  std::vector<QString> boxes = kEditorDefaults;
  void Load(const QString& file) {
    TCaptionList list;
    std::vector<int> order;
    for (int i = 0; i < kCaptionCount; ++i) order.push_back(i);
    LoadAndApplyCaptions(list, file, order, [&](int k, const QString& text) { boxes.at(size_t(k)) = text; });
  }
};

std::string NumberedLines(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "line" + std::to_string(i) + "\r\n";
  return s;
}

class CaptionFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString File() const { return dir_.filePath(kCaptionFileName); }
  fs::path Path() const { return File().toStdString(); }
  QTemporaryDir dir_;
};

}  // namespace

TEST(SplitCaptionLines, LineRules) {
  using V = std::vector<std::string>;
  const struct {
    const char* name;
    std::string bytes;
    V lines;
  } cases[] = {
      {"empty", "", {}},
      {"crlf", "a\r\nb\r\n", {"a", "b"}},
      {"lone lf", "a\nb\n", {"a", "b"}},
      {"lone cr", "a\rb\r", {"a", "b"}},
      {"lf cr encloses an empty line", "a\n\rb", {"a", "", "b"}},
      {"cr cr encloses an empty line", "a\r\rb", {"a", "", "b"}},
      {"last line without end", "a\r\nb", {"a", "b"}},
      {"only a line end", "\r\n", {""}},
      {"two line ends", "\r\n\r\n", {"", ""}},
      {"nul ends the text", std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
      {"nul first", std::string("\0a\r\n", 4), {}},
      {"blanks kept", "  a \t\r\n\r\n b ", {"  a \t", "", " b "}},
      {"trailing lone cr after crlf", "a\r\n\r", {"a", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCaptionLines(c.bytes), c.lines) << c.name;
}

TEST(DecodeCaptionLines, Utf8WhenValidElseWindows1252) {
  EXPECT_EQ(DecodeCaptionLines("K\xC3\xB6nigin\r\n"), QStringList{QString::fromUtf8("K\xC3\xB6nigin")});
  // A French file from a Windows system: "\x8C" is "Œ", "\x80" the euro,
  // "\x92" the apostrophe, "\x96" the en dash, "\x84"/"\x93" German quotes.
  EXPECT_EQ(DecodeCaptionLines("\x8C" "ufs\r\nCo\xFBt \x80\r\nReine d\x92\xE9t\xE9\r\nTraitement \x96 dose\r\n"
                               "\x84" "extra\x93\r\n"),
            (QStringList{QString::fromUtf8("\xC5\x92ufs"), QString::fromUtf8("Co\xC3\xBBt \xE2\x82\xAC"),
                         QString::fromUtf8("Reine d\xE2\x80\x99\xC3\xA9t\xC3\xA9"),
                         QString::fromUtf8("Traitement \xE2\x80\x93 dose"),
                         QString::fromUtf8("\xE2\x80\x9E" "extra\xE2\x80\x9C")}));
  // "Königin" as the old platform wrote it: one byte per letter.
  EXPECT_EQ(DecodeCaptionLines("K\xF6nigin\r\nAbf\xE4ll"),
            (QStringList{QString::fromUtf8("K\xC3\xB6nigin"), QString::fromUtf8("Abf\xC3\xA4ll")}));
  // Each line on its own: one Windows-1252 line does not turn the UTF-8 lines
  // around it into mojibake.
  EXPECT_EQ(DecodeCaptionLines("K\xC3\xB6nigin\r\nAbf\xE4ll\r\n\xE2\x82\xAC 5\r\n"),
            (QStringList{QString::fromUtf8("K\xC3\xB6nigin"), QString::fromUtf8("Abf\xC3\xA4ll"),
                         QString::fromUtf8("\xE2\x82\xAC 5")}));
  const struct {
    std::string bytes;
    bool valid;
  } utf8[] = {{"plain", true},          {"\xC3\xB6", true},           {"\xE2\x82\xAC", true},
              {"\xF0\x9F\x90\x9D", true}, {"\xC3", false},              {"\xC0\xAF", false},
              {"\xE0\x80\xAF", false},  {"\xED\xA0\x80", false},      {"\xF4\x90\x80\x80", false},
              {"\x80", false},          {"\xE2\x82", false},          {"a\xF6" "b", false}};
  for (const auto& c : utf8) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
}

// Every byte against Qt's own Windows-1252 codec (ICU's); the five bytes
// the code page leaves undefined keep their numbers, so nothing is lost.
TEST(DecodeWindows1252, EveryByteAsTheCodePageDefinesIt) {
  QStringDecoder reference("windows-1252");
  ASSERT_TRUE(reference.isValid());
  for (int b = 1; b < 256; ++b) {
    const char byte = char(b);
    const QString ours = DecodeWindows1252(std::string_view(&byte, 1));
    ASSERT_EQ(ours.size(), 1) << b;
    if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) {
      EXPECT_EQ(ours.at(0).unicode(), b) << b;
    } else {
      EXPECT_EQ(ours, reference.decode(QByteArrayView(&byte, 1))) << b;
    }
  }
}

TEST_F(CaptionFileTest, LineEndingsReadAlike) {
  for (const char* eol : {"\r\n", "\n", "\r"}) {
    std::string bytes;
    for (int i = 0; i < 3; ++i) bytes += "h" + std::to_string(i) + eol;
    WriteFile(Path(), bytes);
    TCaptionList list;
    list.LoadFromFile(File());
    EXPECT_EQ(list.Lines(), (QStringList{"h0", "h1", "h2"}));
  }
}

TEST_F(CaptionFileTest, MissingFileThrowsAndListIsUnchanged) {
  TCaptionList list;
  list.Add("kept");
  EXPECT_THROW(list.LoadFromFile(File()), EFOpenError);
  EXPECT_EQ(list.Lines(), QStringList{"kept"});
  fs::create_directory(Path());  // a directory of that name cannot be read either
  EXPECT_THROW(list.LoadFromFile(File()), EFOpenError);
  EXPECT_THROW(list.Strings(1), std::out_of_range);
  EXPECT_THROW(list.Strings(-1), std::out_of_range);
}

// A sparse file of a terabyte whose text ends in a NUL is read no further.
TEST_F(CaptionFileTest, ReadingStopsAtTheNulThatEndsTheText) {
  WriteFile(Path(), std::string("Hive\r\nQueen\0ignored", 20));
  fs::resize_file(Path(), std::uintmax_t(1) << 40);
  TCaptionList list;
  list.LoadFromFile(File());
  EXPECT_EQ(list.Lines(), (QStringList{"Hive", "Queen"}));
}

TEST_F(CaptionFileTest, SaveWrites21CrLfLinesAsUtf8) {
  TCaptionList list;
  for (const QString& s : kEditorDefaults) list.Add(s);
  list.Add(QString());
  list.Clear();
  for (const QString& s : kEditorDefaults) list.Add(s);
  list.SaveToFile(File());
  std::string expected;
  for (const QString& s : kEditorDefaults) expected += s.toStdString() + "\r\n";
  EXPECT_EQ(ReadText(Path()), expected);
  // Non-ASCII text goes out as UTF-8 and reads back the same.
  TCaptionList other;
  other.Add(QString::fromUtf8("K\xC3\xB6nigin"));
  other.Add("");
  other.SaveToFile(File());
  EXPECT_EQ(ReadText(Path()), "K\xC3\xB6nigin\r\n\r\n");
  TCaptionList back;
  back.LoadFromFile(File());
  EXPECT_EQ(back.Lines(), other.Lines());
  // No temporary file is left behind.
  int entries = 0;
  for (auto& e : fs::directory_iterator(dir_.path().toStdString())) (void)e, ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(CaptionFileTest, EditorAndSheetWithShortLongEmptyAndMissingFiles) {
  struct Case {
    const char* name;
    std::optional<std::string> content;  // nullopt: no file
    int editor_set;                      // boxes 0..editor_set-1 take file lines
    std::vector<int> sheet_set;          // columns that take file lines
  };
  const Case cases[] = {
      {"missing", std::nullopt, 0, {}},
      {"empty", "", 0, {}},
      {"3 lines", NumberedLines(3), 3, {0}},
      {"5 lines", NumberedLines(5), 5, {0}},
      {"20 lines", NumberedLines(20), 20, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
      {"21 lines", NumberedLines(21), 21, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}},
      {"25 lines", NumberedLines(25), 21, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}},
  };
  for (const Case& c : cases) {
    std::error_code ec;
    fs::remove(Path(), ec);
    if (c.content) WriteFile(Path(), *c.content);
    EditorDouble editor;
    editor.Load(File());
    SheetDouble sheet;
    sheet.Load(File());
    for (int i = 0; i < kCaptionCount; ++i) {
      const QString line = QString("line%1").arg(i);
      EXPECT_EQ(editor.boxes[size_t(i)], i < c.editor_set ? line : kEditorDefaults[size_t(i)]) << c.name << " box " << i;
      const bool set = std::find(c.sheet_set.begin(), c.sheet_set.end(), i) != c.sheet_set.end();
      EXPECT_EQ(sheet.headings[i], set ? line : kSheetDefaults[size_t(i)]) << c.name << " column " << i;
    }
  }
}

TEST_F(CaptionFileTest, EmptyLineAndLongLineAreTakenAsTheyAre) {
  const std::string forty(40, 'w');
  WriteFile(Path(), "a\r\n" + forty + "\r\n\r\n d \n");
  EditorDouble editor;
  editor.Load(File());
  EXPECT_EQ(editor.boxes[1], QString::fromStdString(forty));
  EXPECT_EQ(editor.boxes[2], "");
  EXPECT_EQ(editor.boxes[3], " d ");
  EXPECT_EQ(editor.boxes[4], kEditorDefaults[4]);
  SheetDouble sheet;
  sheet.Load(File());  // 4 lines: only column 0 before index 9 stops the walk
  EXPECT_EQ(sheet.headings[0], "a");
  EXPECT_EQ(sheet.headings[2], kSheetDefaults[2]);
}

TEST_F(CaptionFileTest, SavedDefaultsReachTheSheet) {
  TCaptionList list;
  for (const QString& s : kEditorDefaults) list.Add(s);
  list.SaveToFile(File());
  SheetDouble sheet;
  sheet.Load(File());
  for (int i = 0; i < kCaptionCount; ++i) EXPECT_EQ(sheet.headings[i], kEditorDefaults[size_t(i)]);
}

TEST_F(CaptionFileTest, TargetThatCannotBeReplacedFails) {
  fs::create_directory(Path());
  WriteFile(Path() / "inside", "x");
  TCaptionList list;
  list.Add("new");
  try {
    list.SaveToFile(File());
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + File().toStdString());
  }
  EXPECT_TRUE(fs::is_directory(Path()));
  EXPECT_EQ(ReadText(Path() / "inside"), "x");
  int entries = 0;
  for (auto& e : fs::directory_iterator(dir_.path().toStdString())) (void)e, ++entries;
  EXPECT_EQ(entries, 1) << "the temporary file must be removed";
}

TEST_F(CaptionFileTest, FullDiskLeavesOldFileByteIdentical) {
  const std::string old = "old one\r\nold two\nold three";
  WriteFile(Path(), old);
  TCaptionList list;
  for (const QString& s : kEditorDefaults) list.Add(s);
  // A file size limit makes the write fail part-way, as a full disk would.
  bool threw = false;
  {
    ScopedFileSizeLimit limit(16);
    ASSERT_TRUE(limit.ok());
    try {
      list.SaveToFile(File());
    } catch (const EFCreateError& e) {
      threw = std::string(e.what()) == "Cannot create file " + File().toStdString();
    }
  }
  EXPECT_TRUE(threw);
  EXPECT_EQ(ReadText(Path()), old);
  int entries = 0;
  for (auto& e : fs::directory_iterator(dir_.path().toStdString())) (void)e, ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(CaptionFileTest, ReadOnlyDirectoryLeavesOldFileByteIdentical) {
  const std::string old = "keep\r\nme\r\n";
  WriteFile(Path(), old);
  const std::string dir = dir_.path().toStdString();
  // Root ignores permissions, so make the directory read-only for real: a
  // read-only bind mount in a private mount namespace of a child process.
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount(dir.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
      _exit(77);
    TCaptionList list;
    list.Add("new");
    try {
      list.SaveToFile(QString::fromStdString(dir + "/broodlog.txt"));
    } catch (const EFCreateError& e) {
      _exit(std::string(e.what()) == "Cannot create file " + dir + "/broodlog.txt" ? 0 : 2);
    }
    _exit(3);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no private mount namespace here (unshare/mount refused)";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: wrong message, 3: no error";
  EXPECT_EQ(ReadText(Path()), old);
}

// A reader takes only what it uses: so many lines, each so long, whatever
// lies beyond, with the line rules holding across the pieces it reads in.
TEST_F(CaptionFileTest, ReadersTakeOnlyTheLinesAndLengthTheyUse) {
  const std::string e_acute = "\xC3\xA9";
  std::string many_e;
  for (int i = 0; i < 40000; ++i) many_e += e_acute;
  const struct {
    const char* name;
    std::string bytes;
    TCaptionLimits limits;
    QStringList lines;
  } cases[] = {
      {"lines", "a\r\nb\r\nc\r\n", {2, -1}, {"a", "b"}},
      {"a 30 MB line", std::string(30'000'000, 'a') + "\r\nb", {2, 5}, {"aaaaa", "b"}},
      {"cut between characters", many_e + "\n", {1, 3}, {QString::fromUtf8(e_acute + e_acute + e_acute)}},
      {"cut inside a character", many_e + "\n", {1, 20001}, {QString::fromUtf8(many_e.substr(0, 40002))}},
      // Read as 4 bytes, the euro sign and a part of the next: still UTF-8.
      {"held bytes end inside a character", "\xE2\x82\xAC\xE2\x82\xAC\n", {1, 1}, {QString::fromUtf8("\xE2\x82\xAC")}},
      {"CR and LF in two pieces", std::string(65535, 'x') + "\r\ny\r\r", {-1, -1},
       {QString(65535, 'x'), "y", ""}},
      {"a NUL", std::string("a\rb\0c\nd", 7), {5, 5}, {"a", "b"}},
  };
  for (const auto& c : cases) {
    WriteFile(Path(), c.bytes);
    TCaptionList list;
    list.LoadFromFile(File(), c.limits);
    EXPECT_EQ(list.Lines(), c.lines) << c.name;
  }
}
