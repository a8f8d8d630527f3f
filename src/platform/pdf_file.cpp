#include "platform/pdf_file.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <optional>

#include "output/file_replacement.h"
#include "definition/report_error.h"

namespace {

// A device over the replacement's descriptor, whose error state tells
// whether every byte reached the file.
class TReplacementDevice {
 public:
  explicit TReplacementDevice(const QString& fileName)
      : replacement_(std::in_place, QFile::encodeName(fileName).toStdString()) {
    Open(replacement_->Descriptor(), fileName);
  }
  TReplacementDevice(int fd, const QString& fileName) { Open(fd, fileName); }
  QFile& File() { return file_; }
  // Flushes and, if nothing failed, puts the content in place.
  void Commit(bool whole, const QString& fileName) {
    whole = file_.flush() && whole && file_.error() == QFileDevice::NoError;
    file_.close();
    if (!whole) throw EReportError("Cannot write file " + fileName.toStdString());
    if (replacement_) replacement_->Commit();
  }

 private:
  void Open(int fd, const QString& fileName) {
    if (!file_.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
      throw EReportError("Cannot create file " + fileName.toStdString());
  }
  std::optional<TFileReplacement> replacement_;
  QFile file_;
};

}  // namespace

struct TPdfFile::TState {
  explicit TState(const QString& fileName) : device(fileName), writer(&device.File()) {}
  TState(int fd, const QString& fileName) : device(fd, fileName), writer(&device.File()) {}
  TReplacementDevice device;
  QPdfWriter writer;
  QPainter painter;
};

QPageLayout PdfPageLayout(const QSizeF& mm, bool nearestNamed) {
  const double shorter = std::min(mm.width(), mm.height()), longer = std::max(mm.width(), mm.height());
  const QPageSize size(QSizeF(shorter, longer), QPageSize::Millimeter, QString(),
                       nearestNamed ? QPageSize::FuzzyMatch : QPageSize::ExactMatch);
  return QPageLayout(size, mm.width() > mm.height() ? QPageLayout::Landscape : QPageLayout::Portrait,
                     QMarginsF(0, 0, 0, 0));
}

TPdfFile::TPdfFile(const QString& fileName, const QPageLayout& layout, int dpi, const QString& title)
    : file_name_(fileName), state_(std::make_unique<TState>(fileName)) {
  Start(layout, dpi, title);
}

TPdfFile::TPdfFile(int fd, const QString& fileName, const QPageLayout& layout, int dpi, const QString& title)
    : file_name_(fileName), state_(std::make_unique<TState>(fd, fileName)) {
  Start(layout, dpi, title);
}

void TPdfFile::Start(const QPageLayout& layout, int dpi, const QString& title) {
  QPdfWriter& writer = state_->writer;
  writer.setCreator(QStringLiteral("broodlog"));
  writer.setTitle(title);
  writer.setResolution(dpi);
  if (!writer.setPageLayout(layout) || !state_->painter.begin(&writer))
    throw EReportError("Cannot create file " + file_name_.toStdString());
}

TPdfFile::~TPdfFile() {
  if (state_ && state_->painter.isActive()) state_->painter.end();
}

QPdfWriter& TPdfFile::Writer() { return state_->writer; }
QPainter& TPdfFile::Painter() { return state_->painter; }

void TPdfFile::NewPage() {
  if (!state_->writer.newPage()) throw EReportError("Cannot write file " + file_name_.toStdString());
}

void TPdfFile::NewPage(const QPageLayout& layout) {
  // The layout applies to the page that newPage starts.
  if (!state_->writer.setPageLayout(layout)) throw EReportError("Cannot write file " + file_name_.toStdString());
  NewPage();
}

void TPdfFile::Finish() {
  const bool ended = state_->painter.end();
  state_->device.Commit(ended, file_name_);
}

void SavePngFile(const QImage& image, const QString& fileName) {
  // Encoded in memory first, so a full disk is our write's error, not one
  // the PNG library reports on the terminal.
  TFileReplacement out(QFile::encodeName(fileName).toStdString());
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
    throw EReportError("Cannot write file " + fileName.toStdString());
  out.Write(bytes.constData(), std::size_t(bytes.size()));
  out.Commit();
}
