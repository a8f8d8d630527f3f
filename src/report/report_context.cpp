#include "report/report_context.h"

#include <cstdio>

TDateTimeFormats NumericDateTimeFormats() {
  return TDateTimeFormats{
      [](int y, int m, int d) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d, m, y);
        return std::string(buf);
      },
      [](int h, int m, int) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%02d:%02d", h, m);
        return std::string(buf);
      },
      [](int h, int m, int s) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, m, s);
        return std::string(buf);
      }};
}

void TReportContext::SetDates(TDateTimeFormats formats) {
  if (formats.ShortDate) dates_.ShortDate = std::move(formats.ShortDate);
  if (formats.ShortTime) dates_.ShortTime = std::move(formats.ShortTime);
  if (formats.LongTime) dates_.LongTime = std::move(formats.LongTime);
}
