#pragma once

#include <functional>
#include <vector>

#include "definition/control.h"
#include "definition/page_setup.h"

// A control that records every bounds change and repaint request.
class TRecordingControl : public TControl {
 public:
  struct TRect {
    int left, top, width, height;
    friend bool operator==(const TRect&, const TRect&) = default;
  };
  void SetBounds(int left, int top, int width, int height) override {
    TControl::SetBounds(left, top, width, height);
    bounds_log.push_back({Left(), Top(), Width(), Height()});
    if (on_bounds) on_bounds(Width(), Height());
  }
  void Invalidate() override { ++invalidations; }

  std::vector<TRect> bounds_log;
  int invalidations = 0;
  std::function<void(int, int)> on_bounds;  // like a report reacting to a resize
};

// The report as the holders see it: their control, font and change notices.
struct TFakeReport {
  TUnitEnvironment Units() { return {96, TMeasurementSystem::Metric, [this] { return font_size; }}; }
  void Attach(TPageSetup& page) {
    page.SetControl(has_control ? &control : nullptr);
    page.OnChange([this](TPageSetup::TChange c) { ++(c == TPageSetup::TChange::Arrange ? arrangements : unit_reapplications); });
  }

  int font_size = 10;
  bool has_control = true;
  TRecordingControl control;
  int arrangements = 0;
  int unit_reapplications = 0;
};
