#include "output/platform_printer.h"

#include "report/report_error.h"

void TNoPlatformPrinter::SetPrinterIndex(int index) {
  if (index != -1) throw EReportError("Printer index out of range");
}

void TNoPlatformPrinter::BeginDoc(const std::string&) {
  throw EReportError("There is no printer to print on");
}

void TNoPlatformPrinter::NewPage() { throw EReportError("There is no printer to print on"); }

TCanvas& TNoPlatformPrinter::Canvas() { throw EReportError("There is no printer to print on"); }

TTextMetrics& TNoPlatformPrinter::Metrics() { return ReferenceMetrics(); }

namespace {
TPlatformPrinterFactory& Factory() {
  static TPlatformPrinterFactory factory;
  return factory;
}
int application_printer_index = -1;
TTextMetrics* reference_metrics = nullptr;
}  // namespace

void SetPlatformPrinterFactory(TPlatformPrinterFactory factory) { Factory() = std::move(factory); }

std::unique_ptr<TPlatformPrinter> MakePlatformPrinter() {
  if (Factory()) {
    if (auto printer = Factory()()) return printer;
  }
  return std::make_unique<TNoPlatformPrinter>();
}

int ApplicationPrinterIndex() { return application_printer_index; }
void SetApplicationPrinterIndex(int index) { application_printer_index = index; }

TTextMetrics& ReferenceMetrics() {
  static TFixedPitchTextMetrics builtin(96);
  return reference_metrics ? *reference_metrics : builtin;
}

void SetReferenceMetrics(TTextMetrics* metrics) { reference_metrics = metrics; }
