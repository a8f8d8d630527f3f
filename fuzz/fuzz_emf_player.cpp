// libFuzzer target: the EMF player must accept or refuse any bytes with
// "Metafile is not valid", never crash or read outside them.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "output/emf_player.h"
#include "output/stored_page.h"
#include "definition/report_error.h"

namespace {

class TSinkCanvas final : public TCanvas {
 public:
  void SetPen(const TPen&) override {}
  void SetBrush(const TBrush&) override {}
  void SetFont(const TLogFont& f) override { sink += f.name.size(); }
  void SetTextColor(TColor) override {}
  void SetBkColor(TColor) override {}
  void SetBkMode(TBkMode) override {}
  void SetTextAlign(TTextAlign) override {}
  void FillRect(const TRect& r) override { sink += r.left; }
  void Rectangle(const TRect& r) override { sink += r.right; }
  void Ellipse(const TRect& r) override { sink += r.bottom; }
  void MoveTo(int x, int) override { sink += x; }
  void LineTo(int, int y) override { sink += y; }
  void TextOut(int, int, std::string_view text, const TTextOutOptions&, std::span<const int> dx) override {
    // Touch every byte handed out, so a bad span shows up under ASan.
    for (char c : text) sink += c;
    for (int d : dx) sink += d;
  }
  void DrawPath(const TPath& p, bool, bool) override {
    for (const TPathElement& e : p.elements) sink += long(e.p.x) + long(e.p.y);
  }
  void DrawImage(const TImage& image, TPointF a, TPointF, TPointF) override {
    // Every pixel promised is there.
    if (image.pixels.size() != std::size_t(image.width) * std::size_t(image.height)) __builtin_trap();
    for (std::uint32_t p : image.pixels) sink += p;
    sink += long(a.x);
  }
  void SetRop2(TRop2 r) override { sink += int(r); }
  void ClipPath(const TPath& p, TClipMode) override { sink += long(p.elements.size()); }
  void OffsetClip(double dx, double) override { sink += long(dx); }
  void IntersectClipRect(const TRect&) override {}
  void RemoveClip() override {}
  // The player saves once for itself; deeper than its bound means the
  // bound was not kept, and every level would cost a state copy.
  void Save() override {
    if (++depth > kMaxSaveDepth + 1) __builtin_trap();
  }
  void Restore() override { --depth; }
  long sink = 0;
  int depth = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exact-size copy, so reads past the end are caught.
  auto* copy = new std::uint8_t[size ? size : 1];
  if (size) std::memcpy(copy, data, size);
  std::span<const std::uint8_t> bytes(copy, size);
  TSinkCanvas canvas;
  try {
    TEmfPlayer::Play(bytes, canvas, {0, 0, 800, 600});
  } catch (const EReportError&) {
  }
  try {
    if (size >= TStoredPage::kLengthPrefixSize) {
      const std::size_t n = TStoredPage::StatedLength(bytes);
      if (n <= size) TStoredPage::FromBytes({copy, copy + n});
    }
  } catch (const EReportError&) {
  }
  delete[] copy;
  return 0;
}
