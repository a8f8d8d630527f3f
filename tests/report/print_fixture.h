#pragma once

// Reports printed on a 254-dpi device without unprintable margins, where a
// device pixel is exactly 0.1 mm, so drawing calls read in storage units.
// Text is measured with the fixed-pitch reference metrics: at 96 dpi a
// 10-point character advances 7 pixels and an extent adds 1, and a line is
// 15 pixels high, so text is laid out kLine storage units a line on every
// device (on the device a 10-point line's glyphs are 41 pixels high).

#include <memory>
#include <string>
#include <vector>

#include "fake_platform_printer.h"
#include "report/report_label.h"
#include "report_fixture.h"

inline constexpr long double kLine = 15 * 254.0L / 96;  // 39.6875

class TPrintFixture : public TReportFixture {
 public:
  using TReportFixture::TReportFixture;
  // An element placed on `on` at a position and size in storage units.
  template <class T>
  T& Add(TControl* on, long double left, long double top, long double width, long double height) {
    T& e = owner.CreateComponent<T>(context);
    e.SetParent(on);
    e.Size().SetUnits(TReportUnit::Native);
    e.Size().SetWidth(width);
    e.Size().SetHeight(height);
    e.Size().SetTop(top);
    e.Size().SetLeft(left);
    return e;
  }
  // A label `height` high at the band's top-left corner, 400 wide, that
  // stretches the band for its `lines` lines "l0", "l1", ...
  TReportLabel& AddStretchingLabel(TControl* band, long double height, int lines) {
    TReportLabel& label = Add<TReportLabel>(band, 0, 0, 400, height);
    label.SetAutoSize(false);
    label.SetAutoStretch(true);
    std::string text = "l0";
    for (int i = 1; i < lines; ++i) text += "\rl" + std::to_string(i);
    label.SetCaption(text);
    return label;
  }
  // Prints the report once on `queue` and returns the drawing calls of its
  // first sheet.
  const std::vector<std::string>& Print(TFakePlatformPrinter::TQueue queue = CapableQueue("p")) {
    jobs.clear();
    auto device = std::make_unique<TFakePlatformPrinter>(std::vector{std::move(queue)}, 0, 254, &jobs);
    device->offset = 0;
    report->PrintOn(std::move(device));
    EXPECT_EQ(jobs.size(), 1u);
    return jobs.at(0).sheets.at(0).lines;
  }
  // The calls of the last print's sheet that start with prefix, each cut
  // after its first ")" (the position and, for text, the text itself).
  std::vector<std::string> Matching(const std::string& prefix, std::size_t sheet = 0) const {
    std::vector<std::string> out;
    for (const auto& l : jobs.at(0).sheets.at(sheet).lines)
      if (l.rfind(prefix, 0) == 0) out.push_back(l.substr(0, l.find(')') + 1));
    return out;
  }
  std::size_t Sheets() const { return jobs.at(0).sheets.size(); }

  std::vector<TFakeJob> jobs;
};
