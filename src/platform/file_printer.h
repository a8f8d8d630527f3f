#pragma once

#include <QString>

#include <memory>

#include "output/platform_printer.h"

// A printer that prints onto a file instead of paper: a PDF (text stays
// text) or a PNG image, at a chosen resolution, so a report generated onto
// it lands on the file's own pixels as it would on a printer's. It offers
// every named paper size, has no unprintable margins and makes no copies.
// A PNG holds the first page only; it is drawn band by band, so memory
// stays bounded whatever the resolution.
class TFilePlatformPrinter : public TPlatformPrinter {
 public:
  enum class TFormat { Pdf, Png };

  // The file is written when the document ends (TPdfFile, SavePngFile),
  // and only whole; EndDoc throws their errors, and an aborted document
  // leaves the file as it was.
  TFilePlatformPrinter(TFormat format, QString fileName, int dpi);
  ~TFilePlatformPrinter() override;

  std::vector<std::string> Printers() const override;
  int PrinterIndex() const override { return 0; }
  void SetPrinterIndex(int index) override;
  std::string DeviceName() const override;
  std::string DriverName() const override { return "file"; }
  std::string Port() const override;
  TDeviceMode DeviceMode() override { return mode_; }
  void SetDeviceMode(const TDeviceMode& mode) override;
  std::vector<int> PaperCodes() override;
  TDeviceCaps Caps() override;
  void BeginDoc(const std::string& title) override;
  void NewPage() override;
  void EndDoc() override;
  void Abort() override;
  bool Printing() const override;
  TCanvas& Canvas() override;
  TTextMetrics& Metrics() override;

 private:
  struct TJob;
  TFormat format_;
  QString file_name_;
  int dpi_;
  TDeviceMode mode_;
  std::unique_ptr<TTextMetrics> metrics_;
  std::unique_ptr<TJob> job_;
};
