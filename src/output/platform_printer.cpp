#include "output/platform_printer.h"

#include "definition/report_error.h"

void TNoPlatformPrinter::SetPrinterIndex(int index) {
  if (index != -1) throw EReportError("Printer index out of range");
}

void TNoPlatformPrinter::BeginDoc(const std::string&) {
  throw EReportError("There is no printer to print on");
}

void TNoPlatformPrinter::NewPage() { throw EReportError("There is no printer to print on"); }

TCanvas& TNoPlatformPrinter::Canvas() { throw EReportError("There is no printer to print on"); }

