#pragma once

#include <QString>

#include <memory>

class QImage;
class QPageLayout;
class QPainter;
class QPdfWriter;
class QSizeF;

// The one way the program writes a PDF: a QPdfWriter that draws into new
// content beside the file (TFileReplacement: through links, never over
// what is not a regular file, keeping mode and owner), checked for write
// errors when it ends and only then put in the file's place. QPdfWriter
// itself reports no write error, so a full disk would otherwise leave a
// truncated PDF where the user asked for one.
class TPdfFile {
 public:
  // Starts the PDF and its first page, laid out as `layout` and drawn at
  // `dpi`; the painter is active. Throws EReportError "Cannot create file
  // <fileName>".
  TPdfFile(const QString& fileName, const QPageLayout& layout, int dpi, const QString& title = QString());
  // The same into the file open at `fd` (not taken over, not named), whole
  // or failed when Finish returns; `fileName` only names it in messages.
  TPdfFile(int fd, const QString& fileName, const QPageLayout& layout, int dpi, const QString& title = QString());
  // Unfinished, the PDF is dropped and the file stays as it was.
  ~TPdfFile();
  TPdfFile(const TPdfFile&) = delete;
  TPdfFile& operator=(const TPdfFile&) = delete;

  QPdfWriter& Writer();
  QPainter& Painter();
  // Starts the next page, on `layout` when given. Throws EReportError
  // "Cannot write file <fileName>".
  void NewPage();
  void NewPage(const QPageLayout& layout);
  // Ends the painting and puts the PDF in the file's place if every byte
  // of it was written. Throws EReportError "Cannot write file <fileName>";
  // the file then keeps its old content.
  void Finish();

 private:
  void Start(const QPageLayout& layout, int dpi, const QString& title);
  struct TState;
  QString file_name_;
  std::unique_ptr<TState> state_;
};

// A layout of the page `mm` millimetres across and down, without margins,
// its orientation following from the two sides: exactly that size, or with
// nearestNamed the named paper within a few points of it (a screen-resolution
// page of A4 is A4).
QPageLayout PdfPageLayout(const QSizeF& mm, bool nearestNamed = false);

// Writes `image` as a PNG file in the same safe way. Throws EReportError
// "Cannot create file <fileName>" or "Cannot write file <fileName>".
void SavePngFile(const QImage& image, const QString& fileName);
