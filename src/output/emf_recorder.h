#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/text_metrics.h"

// A canvas that records every call as enhanced-metafile records: the page
// drawing that the page store keeps. Drawing state is written lazily (a pen
// is created only when a line or figure needs it), objects are created,
// selected and deleted through a handle table whose freed indices are reused,
// and text records carry the advances of `metrics`, so every reader lays the
// text out at the widths the engine measured. System colours are resolved
// through `palette` as they are recorded.
//
// Finish() completes the metafile and returns its bytes; the recorder takes
// no more calls afterwards (they throw EReportError).
class TEmfRecorder : public TCanvas {
 public:
  // A page of widthPx x heightPx device pixels at pixelsPerInch (the
  // reference context's resolution). `metrics` and `palette` must outlive the
  // recorder.
  TEmfRecorder(TTextMetrics& metrics, int widthPx, int heightPx,
               const TSystemPalette& palette = TSystemPalette::Classic());
  ~TEmfRecorder() override;

  void SetPen(const TPen& pen) override;
  void SetBrush(const TBrush& brush) override;
  void SetFont(const TLogFont& font) override;
  void SetTextColor(TColor color) override;
  void SetBkColor(TColor color) override;
  void SetBkMode(TBkMode mode) override;
  void SetTextAlign(TTextAlign align) override;
  void FillRect(const TRect& r) override;
  void Rectangle(const TRect& r) override;
  void Ellipse(const TRect& r) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void TextOut(int x, int y, std::string_view text, const TTextOutOptions& options = {},
               std::span<const int> dx = {}) override;
  void DrawPath(const TPath& path, bool stroke, bool fill) override;
  void DrawImage(const TImage& image, TPointF topLeft, TPointF topRight, TPointF bottomLeft) override;
  void SetRop2(TRop2 mode) override;
  void IntersectClipRect(const TRect& r) override;
  void ClipPath(const TPath& path, TClipMode mode) override;
  void OffsetClip(double dx, double dy) override;
  void RemoveClip() override;
  void Save() override;
  void Restore() override;

  // Ends the recording (restores saved states, deletes every object, writes
  // EMR_EOF and the header) and returns the whole metafile.
  std::vector<std::uint8_t> Finish();

 private:
  // The state a drawing call asks for, and the state last written to the
  // records. Handles are indices into handles_ (0: none/stock).
  struct TState {
    TPen pen;
    TBrush brush;
    TLogFont font;
    TColor textColor = colors::Black;
    TColor bkColor = colors::White;
    TBkMode bkMode = TBkMode::Opaque;
    TTextAlign align;
  };
  struct TWritten {
    std::uint32_t pen = 0, brush = 0, font = 0;  // 0: the stock default
    // What the selected objects draw with, meaningful once their handle is
    // not 0: the stock defaults are never drawn with.
    TPen penValue;
    TBrush brushValue;
    TLogFont fontValue;
    TRgb textColor{0, 0, 0};
    TRgb bkColor{255, 255, 255};
    TBkMode bkMode = TBkMode::Opaque;
    std::uint32_t align = 0;
    TRop2 rop = TRop2::CopyPen;
    bool winding = false;
    bool penHidden = false;  // the stock null pen is selected in pen's place
  };

  void CheckOpen() const;
  void Begin(std::uint32_t type, std::uint32_t size);
  void Emit1(std::uint32_t type, std::uint32_t value);
  void EmitRect(std::uint32_t type, const TRect& r, bool inclusive);
  std::uint32_t AllocHandle();
  void Release(std::uint32_t handle);
  void Retain(std::uint32_t handle);
  void SelectHandle(std::uint32_t& slot, std::uint32_t handle, std::uint32_t stock);
  void SyncPen();
  void HidePen();
  void SyncBrush();
  void SyncText(bool needsBk);
  void EmitPath(const TPath& path);
  void EmitDib(const TImage& image, bool alpha);
  void AddBounds(int left, int top, int right, int bottom);
  std::uint32_t ColorRef(TColor c) const;

  TTextMetrics& metrics_;
  const TSystemPalette& palette_;
  int width_, height_;
  std::vector<std::uint8_t> out_;
  std::uint32_t records_ = 0;
  std::uint32_t lastType_ = 0;  // of the last record written
  bool finished_ = false;
  // Reference counts per handle: 0 = free. The written state and every saved
  // written state hold one reference to each object they select.
  std::vector<std::uint32_t> handles_;
  std::uint32_t highestHandle_ = 0;
  TState want_;
  TWritten written_;
  struct TSaved {
    TState want;
    TWritten written;
    TPoint position;
  };
  std::vector<TSaved> saved_;
  std::optional<TRect> bounds_;  // inclusive
  TPoint position_;
};
