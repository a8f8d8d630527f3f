#include "app/caption_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "output/file_replacement.h"
#include "definition/report_error.h"

namespace {

// Closes a descriptor on every way out.
struct FdCloser {
  int fd = -1;
  ~FdCloser() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

std::vector<std::string> SplitCaptionLines(std::string_view bytes) {
  const size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  std::vector<std::string> lines;
  size_t start = 0, i = 0;
  while (i < bytes.size()) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(bytes.substr(start, i - start));
      // Only CR LF is one line end; LF CR is two.
      i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
  return lines;
}

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  const size_t n = bytes.size();
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int extra;
    char32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3, cp = c & 0x07;
    } else {
      return false;  // a continuation byte, an overlong lead or beyond U+10FFFF
    }
    if (n - i <= size_t(extra)) return false;
    for (int k = 1; k <= extra; ++k) {
      const unsigned char t = static_cast<unsigned char>(bytes[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += size_t(extra) + 1;
  }
  return true;
}

QString DecodeWindows1252(std::string_view bytes) {
  // Bytes 0x80 to 0x9F are punctuation and letters in code page 1252, not
  // Latin-1's control characters. The five it leaves undefined keep their
  // code points (U+0081 and so on), as Windows' own converter does, so
  // they are written back rather than lost.
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  QString out(qsizetype(bytes.size()), Qt::Uninitialized);
  QChar* to = out.data();
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    *to++ = QChar(b >= 0x80 && b <= 0x9F ? kHigh[b - 0x80] : char16_t(b));
  }
  return out;
}

QStringList DecodeCaptionLines(std::string_view bytes) {
  QStringList out;
  for (const std::string& line : SplitCaptionLines(bytes)) {
    // Per line: a file the old program wrote and this one added to mixes both.
    out.append(IsValidUtf8(line) ? QString::fromUtf8(line.data(), qsizetype(line.size())) : DecodeWindows1252(line));
  }
  return out;
}

void TCaptionList::LoadFromFile(const QString& file_name, TCaptionLimits limits) {
  const QByteArray path = QFile::encodeName(file_name);
  // Without O_NONBLOCK, opening a FIFO waits for a writer and freezes the
  // program; a directory, FIFO or device is as unreadable as a missing file.
  FdCloser f{::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
  struct stat st {};
  if (f.fd < 0 || ::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      ::fcntl(f.fd, F_SETFL, ::fcntl(f.fd, F_GETFL) & ~O_NONBLOCK) != 0)
    throw EFOpenError("Cannot open file " + file_name.toStdString());
  // A character takes at most four bytes; a line is held no further.
  const std::size_t line_bytes = limits.lineChars < 0 ? std::string::npos : std::size_t(limits.lineChars) * 4;
  std::vector<std::string> lines;
  std::string line;
  bool in_line = false, after_cr = false, ended = false;
  auto end_line = [&] {
    lines.push_back(std::move(line));
    line.clear();
    in_line = false;
  };
  auto full = [&] { return limits.lines >= 0 && int(lines.size()) >= limits.lines; };
  char buf[65536];
  while (!ended && !full()) {
    const ssize_t n = ::read(f.fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EFOpenError("Cannot open file " + file_name.toStdString());
    }
    if (n == 0) break;
    // The line rules of SplitCaptionLines, a piece at a time.
    for (ssize_t i = 0; i < n && !full(); ++i) {
      const char c = buf[i];
      if (after_cr) {
        after_cr = false;
        if (c == '\n') continue;  // CR LF is one line end
      }
      if (c == '\0') {  // a NUL ends the text: the rest is never read
        ended = true;
        break;
      }
      if (c == '\r' || c == '\n') {
        end_line();
        after_cr = c == '\r';
        continue;
      }
      in_line = true;
      if (line.size() < line_bytes) line += c;
    }
  }
  if (in_line && !full()) end_line();
  QStringList decoded;
  for (std::string& l : lines) {
    if (l.size() >= line_bytes && !IsValidUtf8(l)) {
      // A UTF-8 line cut inside a character: back to where that began.
      for (std::size_t drop = 1; drop <= 3 && drop < l.size(); ++drop) {
        if (IsValidUtf8(std::string_view(l).substr(0, l.size() - drop))) {
          l.resize(l.size() - drop);
          break;
        }
      }
    }
    QString text = IsValidUtf8(l) ? QString::fromUtf8(l.data(), qsizetype(l.size())) : DecodeWindows1252(l);
    if (limits.lineChars >= 0 && text.size() > limits.lineChars) {
      qsizetype n = limits.lineChars;
      if (n > 0 && text[n - 1].isHighSurrogate()) --n;  // never half a character
      text.truncate(n);
    }
    decoded.append(text);
  }
  lines_ = decoded;
}

void TCaptionList::SaveToFile(const QString& file_name) const {
  QByteArray content;
  // Appended piece by piece: a 50 MB line costs one encoded copy, not three.
  for (const QString& line : lines_) {
    content += line.toUtf8();
    content += "\r\n";
  }
  try {
    ReplaceFile(QFile::encodeName(file_name).toStdString(),
                {reinterpret_cast<const std::uint8_t*>(content.constData()), std::size_t(content.size())});
  } catch (const EReportError&) {
    // Whatever failed, the editor's one message.
    throw EFCreateError("Cannot create file " + file_name.toStdString());
  }
}

const QString& TCaptionList::Strings(int i) const {
  if (i < 0 || i >= lines_.size())
    throw std::out_of_range("List index out of bounds (" + std::to_string(i) + ")");
  return lines_[i];
}

int LoadAndApplyCaptions(TCaptionList& list, const QString& file_name, const std::vector<int>& order,
                         const std::function<void(int, const QString&)>& apply, int lineChars) {
  int applied = 0;
  try {
    // The walk uses no line past the highest index it visits.
    int lines = 0;
    for (int index : order) lines = std::max(lines, index + 1);
    list.LoadFromFile(file_name, {lines, lineChars});
    for (int index : order) {
      apply(index, list.Strings(index));
      ++applied;
    }
  } catch (const std::exception&) {
    // Reading the caption file is guarded: whatever went wrong, the texts
    // not yet set keep those of the window's definition.
  }
  return applied;
}
