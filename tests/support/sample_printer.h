#pragma once

// Report printers holding sample pages, made the way report generation
// makes them: BeginDoc, a NewPage per page drawn on the printer's canvas,
// EndDoc. The printer has no platform printer, so nothing is printed.

#include <memory>

#include "output/report_printer.h"
#include "sample_pages.h"

// A printer for landscape A4 pages (1122 x 794 pixels at 96 per inch).
inline std::unique_ptr<TReportPrinter> NewLandscapePrinter(TEngineContext& context) {
  auto printer = std::make_unique<TReportPrinter>(context);
  printer->SetPaperSize(TPaperSize::A4);
  printer->SetOrientation(TPrinterOrientation::poLandscape);
  return printer;
}

// Draws the next page: the record-sheet sample for a one-page report, the
// numbered sample otherwise.
inline void AddSamplePage(TReportPrinter& printer, int count) {
  printer.NewPage();
  if (count == 1) {
    DrawSampleSheet(printer.Canvas());
  } else {
    DrawNumberedPage(printer.Canvas(), printer.PageNumber(), count);
  }
}

// A finished landscape A4 report of `count` pages.
inline std::unique_ptr<TReportPrinter> SamplePrinter(TEngineContext& context, int count = 1) {
  auto printer = NewLandscapePrinter(context);
  printer->BeginDoc();
  for (int i = 0; i < count; ++i) AddSamplePage(*printer, count);
  printer->EndDoc();
  return printer;
}
