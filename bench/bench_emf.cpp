// Recording and replaying a page like the record sheet: 55 rules and 25
// texts (18 of them running downward), as the page store does per page.

#include <benchmark/benchmark.h>

#include "graphics/text_metrics.h"
#include "output/emf_player.h"
#include "output/emf_recorder.h"

namespace {

void DrawSheet(TCanvas& c) {
  TLogFont label;
  label.height = 13;
  c.SetFont(label);
  c.SetBkMode(TBkMode::Transparent);
  c.TextOut(40, 20, "Apiary :");
  c.TextOut(100, 20, "Les Tilleuls");
  c.SetTextAlign({THorzTextAlign::Right, TVertTextAlign::Top, false});
  c.TextOut(1083, 20, "08/12/2026");
  c.TextOut(1000, 20, "Date :");
  c.SetTextAlign({});
  TLogFont heading = label;
  heading.height = 11;
  c.SetFont(heading);
  c.TextOut(45, 150, "Hive");
  c.TextOut(95, 150, "Date");
  c.TextOut(145, 150, "Notes");
  heading.escapement = 2700;
  c.SetFont(heading);
  for (int i = 0; i < 18; ++i) c.TextOut(220 + 48 * i, 60, "Queen cells seen");
  c.SetPen({TPenStyle::Solid, 1, colors::Black});
  for (int i = 0; i < 34; ++i) {  // 33 writing-row rules and the top one
    c.MoveTo(40, 200 + 16 * i);
    c.LineTo(1083, 200 + 16 * i);
  }
  for (int i = 0; i < 21; ++i) {  // column rules
    c.MoveTo(40 + 50 * i, 50);
    c.LineTo(40 + 50 * i, 740);
  }
}

void BM_RecordPage(benchmark::State& state) {
  TFixedPitchTextMetrics metrics(96);
  std::size_t bytes = 0;
  for (auto _ : state) {
    TEmfRecorder recorder(metrics, 1123, 794);
    DrawSheet(recorder);
    auto page = recorder.Finish();
    bytes = page.size();
    benchmark::DoNotOptimize(page.data());
  }
  state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_RecordPage)->Unit(benchmark::kMicrosecond);

// Counts calls, so replay cost is the player's own.
class TCountingCanvas final : public TCanvas {
 public:
  long calls = 0;
  void SetPen(const TPen&) override { ++calls; }
  void SetBrush(const TBrush&) override { ++calls; }
  void SetFont(const TLogFont&) override { ++calls; }
  void SetTextColor(TColor) override { ++calls; }
  void SetBkColor(TColor) override { ++calls; }
  void SetBkMode(TBkMode) override { ++calls; }
  void SetTextAlign(TTextAlign) override { ++calls; }
  void FillRect(const TRect&) override { ++calls; }
  void Rectangle(const TRect&) override { ++calls; }
  void Ellipse(const TRect&) override { ++calls; }
  void MoveTo(int, int) override { ++calls; }
  void LineTo(int, int) override { ++calls; }
  void TextOut(int, int, std::string_view, const TTextOutOptions&, std::span<const int>) override { ++calls; }
  void DrawPath(const TPath&, bool, bool) override { ++calls; }
  void DrawImage(const TImage&, TPointF, TPointF, TPointF) override { ++calls; }
  void SetRop2(TRop2) override { ++calls; }
  void IntersectClipRect(const TRect&) override { ++calls; }
  void ClipPath(const TPath&, TClipMode) override { ++calls; }
  void OffsetClip(double, double) override { ++calls; }
  void RemoveClip() override { ++calls; }
  void Save() override { ++calls; }
  void Restore() override { ++calls; }
};

void BM_ParseAndPlayPage(benchmark::State& state) {
  TFixedPitchTextMetrics metrics(96);
  TEmfRecorder recorder(metrics, 1123, 794);
  DrawSheet(recorder);
  const auto page = recorder.Finish();
  TCountingCanvas canvas;
  for (auto _ : state) {
    TEmfPlayer::Play(page, canvas, {0, 0, 1123, 794});
  }
  benchmark::DoNotOptimize(canvas.calls);
  state.counters["calls/page"] = double(canvas.calls) / double(state.iterations());
}
BENCHMARK(BM_ParseAndPlayPage)->Unit(benchmark::kMicrosecond);

}  // namespace
