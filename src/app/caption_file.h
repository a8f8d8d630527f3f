#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The caption file "broodlog.txt": the 21 column headings of the record
// sheet, one per line, in the process's working directory.

// The file name, used without a directory part by every reader and the writer.
inline constexpr const char* kCaptionFileName = "broodlog.txt";
// Number of headings the editor writes and the sheet has.
inline constexpr int kCaptionCount = 21;

// Order in which the record sheet visits its heading elements (by their tag
// numbers). A short file stops this walk at the first index it lacks.
inline constexpr std::array<int, kCaptionCount> kSheetHeadingOrder = {
    0, 9, 8, 7, 6, 5, 4, 3, 2, 1, 14, 13, 12, 11, 10, 20, 17, 16, 15, 18, 19};

// A file that could not be created or replaced; the message names the file
// ("Cannot create file broodlog.txt").
class EFCreateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that could not be opened or read.
class EFOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Splits raw file bytes into lines: a line ends at CR LF, a lone CR or a lone
// LF (so LF CR and CR CR enclose an empty line); a NUL ends the text; a last
// line without a line end counts, a line end at the very end adds no empty
// line. Lines are returned byte for byte, untrimmed.
std::vector<std::string> SplitCaptionLines(std::string_view bytes);

// True if the bytes are well-formed UTF-8 (no overlong forms, surrogates or
// code points above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Bytes in Windows code page 1252, the one Western European Windows systems
// write text files in. Its five undefined bytes (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) become the control characters of the same number.
QString DecodeWindows1252(std::string_view bytes);

// The file's lines as text, each line on its own: UTF-8 when the line is
// valid UTF-8, otherwise Windows-1252 (lines written on the old platform).
QStringList DecodeCaptionLines(std::string_view bytes);

// How much of the caption file a reader takes: the first `lines` lines
// (all with -1), each cut to `lineChars` characters (never half of one;
// whole with -1). What lies beyond is skipped without being held, so a
// huge file costs a reader no more than a normal one.
struct TCaptionLimits {
  int lines = -1;
  int lineChars = -1;
};
// As much of a heading as the sheet draws.
inline constexpr int kSheetHeadingChars = 65536;

// The caption list: the lines of the caption file in order, index 0 first.
class TCaptionList {
 public:
  // Replaces the list with the lines of the named file, as far as `limits`
  // go. Throws EFOpenError when the file is missing or unreadable; the list
  // is then unchanged.
  void LoadFromFile(const QString& file_name, TCaptionLimits limits = {});
  // Writes every entry followed by CR LF, as UTF-8, the way an editor
  // saves: a symbolic link is followed and its target written; an existing
  // file that is not a regular file, or that the user may not write, is
  // refused; the file keeps its mode, owner and hard links. Where it can, it
  // writes a new file beside the target and renames it over the target, so
  // a failure leaves an existing file as it was; where the directory takes
  // no new file, the file has other hard links or its owner could not be
  // kept, it overwrites the file in place after claiming the space. Throws
  // EFCreateError ("Cannot create file <file_name>") on any failure.
  void SaveToFile(const QString& file_name) const;

  // Entry i; throws std::out_of_range when i is not below Count().
  const QString& Strings(int i) const;
  int Count() const { return int(lines_.size()); }
  void Add(const QString& s) { lines_.append(s); }
  void Clear() { lines_.clear(); }
  const QStringList& Lines() const { return lines_; }

 private:
  QStringList lines_;
};

// The readers' guarded block: loads the file into `list` and hands entry i to
// `apply(i, text)` for each i of `order` in turn. Any failure (no file, an
// unreadable file, no entry i) ends the block at once and silently; what was
// applied before stays. Returns how many entries were applied.
// Only the lines `order` reaches are read, each as far as `lineChars` goes.
int LoadAndApplyCaptions(TCaptionList& list, const QString& file_name,
                         const std::vector<int>& order,
                         const std::function<void(int index, const QString& text)>& apply,
                         int lineChars = -1);
