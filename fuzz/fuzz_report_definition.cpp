// libFuzzer target: a report definition built from the input (paper, incl.
// Default and Custom, orientation, margins, columns, bands of every type
// with their flags, child and linked bands, a stretching label, up to a few
// hundred rows) generated into the page store and onto 254-dpi and 600-dpi
// devices. Whatever the definition: generation ends, no band starts more
// pages than its prints and its carried-over lines can account for, every
// band lies on its page where the definition lets it and inside its column,
// no text is inked outside the paper or over a page footer, no page holds
// nothing but headers and footers while the report prints anything else,
// the three give the same pages, bands and line breaks, every stored page
// has the size the page is laid out on, and the temporary directory stays
// empty while the pages live.
// Input format (missing bytes read as 0): see TDefinition::Read.

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "report/band.h"
#include "report/report.h"
#include "report/report_label.h"
#include "output/messages.h"
#include "output/stored_page.h"
#include "definition/report_error.h"
#include "definition/rounding.h"
#include "../tests/support/fake_platform_printer.h"

namespace {

class TInput {
 public:
  TInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  int Byte() { return at_ < size_ ? data_[at_++] : 0; }
  int U16() { return Byte() | Byte() << 8; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

struct TBandPlan {
  TBandType type = TBandType::rbDetail;
  int height = 0;
  bool newPage = false, newColumn = false, alignToBottom = false, disabled = false;
  int childHeight = -1;  // none
  int link = -1;         // index of an earlier band, or none
  int labelLines = 0;    // a stretching label with this many lines, or none
  int labelHeight = 0, labelTop = 0;
};

struct TDefinition {
  TPaperSize paper = TPaperSize::A4;
  bool landscape = false, firstPageHeader = true, lastPageFooter = true, compression = false;
  bool printIfEmpty = true, rowsByHandler = false;
  int customWidth = 0, customLength = 0;
  int top = 0, bottom = 0, left = 0, right = 0;
  int columns = 1, columnSpace = 0;
  int rows = 0;
  std::vector<TBandPlan> bands;

  // paper, flags, custom width (u16), custom length (u16), margins top,
  // bottom, left, right (4 bytes, 0.4 mm each), columns, column space
  // (0.4 mm), rows (u16), band count, then per band: type, height (u16),
  // flags, child height (0.8 mm), link target, and for a label its lines,
  // height (0.2 mm) and top (0.4 mm).
  void Read(TInput& in) {
    paper = static_cast<TPaperSize>(in.Byte() % kPaperSizeCount);
    const int flags = in.Byte();
    landscape = flags & 1;
    firstPageHeader = !(flags & 2);
    lastPageFooter = !(flags & 4);
    compression = flags & 8;
    printIfEmpty = !(flags & 16);
    rowsByHandler = !(flags & 32);
    customWidth = 50 + in.U16() % 5000;
    customLength = 50 + in.U16() % 5000;
    top = in.Byte() * 4;
    bottom = in.Byte() * 4;
    left = in.Byte() * 4;
    right = in.Byte() * 4;
    columns = 1 + in.Byte() % 4;
    columnSpace = in.Byte() * 4;
    rows = in.U16() % 301;
    const int count = in.Byte() % 11;
    for (int i = 0; i < count; ++i) {
      TBandPlan b;
      b.type = static_cast<TBandType>(in.Byte() % (kBandTypeCount - 1));  // children come below
      b.height = in.U16() % 3001;
      const int f = in.Byte();
      b.newPage = f & 1;
      b.newColumn = f & 2;
      b.alignToBottom = f & 4;
      b.disabled = f & 8;
      const int child = in.Byte() * 8;
      if (f & 16) b.childHeight = child;
      const int link = in.Byte();
      if ((f & 64) && i > 0) b.link = link % i;
      if (f & 32) {
        b.labelLines = in.Byte() % 25;
        b.labelHeight = in.Byte() * 2;
        b.labelTop = in.Byte() * 4;
      }
      bands.push_back(b);
    }
  }
};

// A temporary directory of one run's own, in the one the process was given,
// made TMPDIR for the run and removed after it (only if it is empty).
class TRunTempDir {
 public:
  TRunTempDir() {
    static const std::string base = [] {
      const char* dir = getenv("TMPDIR");
      return std::string(dir && *dir ? dir : "/tmp");
    }();
    path_ = base + "/fuzz-report-XXXXXX";
    if (!mkdtemp(path_.data())) __builtin_trap();
    setenv("TMPDIR", path_.c_str(), 1);
  }
  ~TRunTempDir() { rmdir(path_.c_str()); }
  TRunTempDir(const TRunTempDir&) = delete;
  TRunTempDir& operator=(const TRunTempDir&) = delete;

  bool Empty() const {
    DIR* d = opendir(path_.c_str());
    if (!d) return false;
    int entries = 0;
    while (dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      if (n != "." && n != "..") ++entries;
    }
    closedir(d);
    return entries == 0;
  }

 private:
  std::string path_;
};

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "report definition fuzzer: %s\n", what);
    __builtin_trap();
  }
}

// The height of a band's chain that prints (a disabled band prints
// nothing, its children do), or of the whole chain.
long double ChainHeight(const TCustomBand* band, bool enabledOnly = false) {
  long double h = 0;
  for (; band; band = band->ChildBand())
    if (!enabledOnly || band->Enabled()) h += band->Size().StoredHeight();
  return h;
}

// What one generation did: where each band and each label's lines went (in
// storage units, page and column), the text it inked per page, the top of
// the footers on each page and the pages a band of the report's flow drew on.
using Real = long double;
struct TSeen {
  std::vector<std::vector<Real>> trace;
  struct TInk { int page; bool footer; TRect box; };
  std::vector<TInk> ink;
  std::map<int, int> footerTop;
  std::set<int> content;
  bool flowPrinted = false;
  std::vector<const TCustomBand*> printing;  // bands printing now, innermost last
  std::set<const TCustomBand*> started;      // bands that began to print in this run
};

bool IsFlow(const TCustomBand& band) {
  const TBandType t = band.EffectiveType();
  return t != TBandType::rbPageHeader && t != TBandType::rbPageFooter && t != TBandType::rbColumnHeader;
}

TRect Intersect(const TRect& a, const TRect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

// A device's canvas that notes text cells (clipped as the device clips) and
// every drawing made while a band of the flow prints.
class TInkCanvas final : public TCanvas {
 public:
  TInkCanvas(TTextMetrics& metrics, std::function<void(const TRect*)> note) : metrics_(metrics), note_(note) {}
  void SetPen(const TPen&) override {}
  void SetBrush(const TBrush&) override {}
  void SetFont(const TLogFont& f) override { font_ = f; }
  void SetTextColor(TColor) override {}
  void SetBkColor(TColor) override {}
  void SetBkMode(TBkMode) override {}
  void SetTextAlign(TTextAlign a) override { align_ = a; }
  void FillRect(const TRect&) override { note_(nullptr); }
  void Rectangle(const TRect&) override { note_(nullptr); }
  void Ellipse(const TRect&) override { note_(nullptr); }
  void MoveTo(int, int) override {}
  void LineTo(int, int) override { note_(nullptr); }
  void TextOut(int x, int y, std::string_view text, const TTextOutOptions&, std::span<const int> dx) override {
    int w = 0;
    for (int a : dx) w += a;
    if (dx.empty()) w = metrics_.TextExtent(font_, text).width;
    if (align_.horz == THorzTextAlign::Right) x -= w;
    if (align_.horz == THorzTextAlign::Center) x -= w / 2;
    TRect r{x, y, x + w, y + metrics_.Metrics(font_).height};
    if (clip_) r = Intersect(r, *clip_);
    note_(r.left < r.right && r.top < r.bottom ? &r : nullptr);
  }
  void DrawPath(const TPath&, bool, bool) override { note_(nullptr); }
  void DrawImage(const TImage&, TPointF, TPointF, TPointF) override { note_(nullptr); }
  void SetRop2(TRop2) override {}
  void ClipPath(const TPath&, TClipMode) override {}
  void OffsetClip(double, double) override {}
  void IntersectClipRect(const TRect& r) override { clip_ = clip_ ? Intersect(r, *clip_) : r; }
  void RemoveClip() override { clip_.reset(); }
  void Save() override { saved_.push_back(clip_); }
  void Restore() override {
    if (saved_.empty()) return;
    clip_ = saved_.back();
    saved_.pop_back();
  }

 private:
  TTextMetrics& metrics_;
  std::function<void(const TRect*)> note_;
  TLogFont font_;
  TTextAlign align_;
  std::optional<TRect> clip_;
  std::vector<std::optional<TRect>> saved_;
};

// A printer at `dpi` without unprintable margins, on A4 (the paper of a
// report on the default paper) or a sheet large enough for the page
// (width x length, 0.1 mm) to print unscaled, drawing on an ink canvas.
class TInkDevice final : public TFakePlatformPrinter {
 public:
  TInkDevice(int dpi, Real width, Real length, std::function<void(const TRect*)> note)
      : TFakePlatformPrinter({CapableQueue("fuzz")}, 0, dpi), canvas_(Metrics(), std::move(note)),
        width_(int(width * dpi / kStoredPerInch) + 2), length_(int(length * dpi / kStoredPerInch) + 2) {
    offset = 0;
  }
  TDeviceCaps Caps() override {
    TDeviceCaps caps = TFakePlatformPrinter::Caps();
    caps.printableWidth = caps.physicalWidth = std::max(caps.physicalWidth, width_);
    caps.printableHeight = caps.physicalHeight = std::max(caps.physicalHeight, length_);
    return caps;
  }
  TCanvas& Canvas() override { return canvas_; }

 private:
  TInkCanvas canvas_;
  int width_, length_;
};

void Run(const TDefinition& def, const TRunTempDir& temp) {
  THeadlessContext context;
  TControl owner;
  TReport& report = owner.CreateComponent<TReport>(context);
  report.SetUnits(TReportUnit::Native);
  TPageSetup& page = report.Page();
  if (def.paper == TPaperSize::Custom) {
    page.SetPaperSize(TPaperSize::Custom);
    page.SetWidth(def.customWidth);
    page.SetLength(def.customLength);
  }
  page.SetOrientation(def.landscape ? TPrinterOrientation::poLandscape : TPrinterOrientation::poPortrait);
  page.SetPaperSize(def.paper);
  page.SetValue(TPageSetup::kTopMargin, def.top);
  page.SetValue(TPageSetup::kBottomMargin, def.bottom);
  page.SetValue(TPageSetup::kLeftMargin, def.left);
  page.SetValue(TPageSetup::kRightMargin, def.right);
  page.SetColumns(def.columns);
  page.SetColumnSpace(def.columnSpace);
  report.Options().FirstPageHeader = def.firstPageHeader;
  report.Options().LastPageFooter = def.lastPageFooter;
  report.Options().Compression = def.compression;
  report.SetPrintIfEmpty(def.printIfEmpty);

  std::vector<TBand*> bands;
  std::map<const TCustomBand*, int> lines;  // the label lines each band carries
  std::map<const TCustomBand*, const TReportLabel*> labelOf;
  for (const TBandPlan& plan : def.bands) {
    TBand& band = owner.CreateComponent<TBand>(context, plan.type);
    band.SetParent(&report);
    band.Size().SetUnits(TReportUnit::Native);
    band.Size().SetHeight(plan.height);
    band.SetForceNewPage(plan.newPage);
    band.SetForceNewColumn(plan.newColumn);
    band.SetAlignToBottom(plan.alignToBottom);
    band.SetEnabled(!plan.disabled);
    if (plan.link >= 0) band.SetLinkBand(bands[std::size_t(plan.link)]);
    if (plan.childHeight >= 0) {
      band.SetHasChild(true);
      if (TChildBand* child = band.ChildBand()) {
        child->Size().SetUnits(TReportUnit::Native);
        child->Size().SetHeight(plan.childHeight);
      }
    }
    if (plan.labelLines > 0) {
      auto& label = owner.CreateComponent<TReportLabel>(context);
      label.SetParent(&band);
      label.Size().SetUnits(TReportUnit::Native);
      label.Size().SetTop(plan.labelTop);
      label.Size().SetLeft(0);
      label.Size().SetWidth(300);
      label.Size().SetHeight(plan.labelHeight);
      label.SetAutoSize(false);
      label.SetAutoStretch(true);
      std::string text = "line 0";
      for (int i = 1; i < plan.labelLines; ++i) text += "\rline " + std::to_string(i);
      label.SetCaption(text);
      lines[&band] = plan.labelLines;
      labelOf[&band] = &label;
    }
    bands.push_back(&band);
  }

  // Where bands may lie: a definition whose bands each fit on a fresh page
  // below the headers and above the footers, with a line of text to spare,
  // and whose margins and columns leave room, has every band on its page.
  TCustomBand* header = report.Bands().Band(TBandType::rbPageHeader);
  TCustomBand* title = report.Bands().Band(TBandType::rbTitle);
  TCustomBand* columnHeader = report.Bands().Band(TBandType::rbColumnHeader);
  long double footers = 0;
  for (TCustomBand* b : report.BandList())
    if (b->BandType() == TBandType::rbPageFooter) footers += ChainHeight(b, true);
  // A label lets its band grow by its lines (at most 45 each) below its top.
  std::map<const TCustomBand*, long double> growth;
  for (std::size_t i = 0; i < bands.size(); ++i) {
    const TBandPlan& plan = def.bands[i];
    if (plan.labelLines > 0) growth[bands[i]] = plan.labelTop + plan.labelHeight + 45.0L * plan.labelLines;
  }
  auto grown = [&](const TCustomBand* band) {
    auto it = growth.find(band);
    return ChainHeight(band) + (it == growth.end() ? 0 : it->second);
  };
  const long double stack = grown(header) + grown(title) + grown(columnHeader);
  long double tallest = 0;
  bool pushedDown = false;  // a band at the top aligned to the bottom takes the rest below it
  for (TCustomBand* b : report.BandList()) {
    tallest = std::max(tallest, b->NeededSpace());
    const TBandType type = b->EffectiveType();
    if (b->AlignToBottom() && b->Enabled() &&
        (type == TBandType::rbPageHeader || type == TBandType::rbTitle || type == TBandType::rbColumnHeader))
      pushedDown = true;
  }

  std::map<const TCustomBand*, int> emitted;  // prints that may start a page
  std::vector<TRect> placed;                  // every printed band's frame, with its page
  std::vector<int> placedPage;
  TSeen* seen = nullptr;
  std::map<const TCustomBand*, int> ids;
  auto note = [&](const TRect* ink) {
    if (seen->printing.empty()) return;
    const TCustomBand& band = *seen->printing.back();
    if (IsFlow(band)) seen->content.insert(report.Run()->PageCounter());
    if (ink) seen->ink.push_back({report.Run()->PageCounter(), band.EffectiveType() == TBandType::rbPageFooter, *ink});
  };
  for (TCustomBand* b : report.BandList()) {
    b->BeforePrint = [&](TCustomBand& band, bool&) {
      if (!report.Run()->InPageWork()) ++emitted[&band];
      seen->printing.push_back(&band);
      seen->started.insert(&band);
    };
    b->AfterPrint = [&](TCustomBand& band, bool printed) {
      if (!printed) return;
      seen->printing.pop_back();
      const int at = report.Run()->PageCounter();
      if (band.Height() != 0) {
        placed.push_back(band.FrameRect());
        placedPage.push_back(at);
      }
      if (IsFlow(band)) seen->content.insert(at), seen->flowPrinted = true;
      if (band.EffectiveType() == TBandType::rbPageFooter) {
        auto [it, fresh] = seen->footerTop.emplace(at, band.FrameRect().top);
        if (!fresh) it->second = std::min(it->second, band.FrameRect().top);
      }
      // Inside its column, or across the net width for a band of the page:
      // the columns share what the spaces leave of it.
      const TReportPrinter& p = *report.ReportPrinter();
      const long double left = RoundHalfEven(page.Stored(TPageSetup::kLeftMargin));
      const long double right = RoundHalfEven(report.Run()->RunPageWidth() - page.Stored(TPageSetup::kRightMargin));
      const long double space = RoundHalfEven(page.Stored(TPageSetup::kColumnSpace));
      const int n = page.Columns(), c = report.Run()->ColumnIndex();
      const long double column = (right - left - space * (n - 1)) / n;
      const TRect& r = band.FrameRect();
      if (column >= 1 && SpansPage(band.EffectiveType())) {
        Check(r.left == p.ToDeviceX(left) && r.right <= p.ToDeviceX(right), "a band of the page off the net width");
      } else if (column >= 1) {
        Check(r.left >= p.ToDeviceX(left + (c - 1) * (space + column) - 1) &&
                  r.right <= p.ToDeviceX(left + (c - 1) * space + c * column),
              "a band outside its column");
      }
      auto label = labelOf.find(&band);
      seen->trace.push_back({Real(ids.emplace(&band, int(ids.size())).first->second), Real(at),
                             Real(c), report.Run()->CursorX(), report.Run()->CursorY(),
                             label == labelOf.end() ? -1.0L : label->second->NextLineIndex()});
    };
  }
  // Where each label's text stands as each page ends: its line breaks.
  report.OnEndPage = [&](TCustomReport&) {
    for (const auto& [band, label] : labelOf)
      if (seen->started.count(band)) seen->trace.push_back({-1.0L, Real(report.Run()->PageCounter()), Real(label->NextLineIndex()),
                             Real(label->OutputComplete())});
  };
  int remaining = def.rows, begun = 0;  // pages begun by the run going on
  report.OnStartPage = [&](TCustomReport&) { ++begun; };
  if (def.rowsByHandler) report.OnNeedData = [&](TCustomReport&, bool& more) { more = remaining-- > 0; };
  TReportPrinter* printer = nullptr;
  report.OnPreview = [&](TReportPrinter& sender) { printer = &sender; };

  // The preview, then the same definition printed at 254 and 600 dpi.
  TSeen preview, devices[2];
  auto generate = [&](TSeen& into, int dpi) {
    seen = &into;
    remaining = def.rows, begun = 0;
    try {
      if (dpi == 0) {
        report.Preview();
      } else {
        const bool own = page.PaperSize() != TPaperSize::Default;  // else the device's A4
        report.PrintOn(std::make_unique<TInkDevice>(dpi, own ? page.Stored(TPageSetup::kWidth) : 0,
                                                    own ? page.Stored(TPageSetup::kLength) : 0, note));
      }
    } catch (const EReportError&) {
    }
    Check(report.Idle(), "the run did not end");
    into.trace.push_back({Real(begun)});
    into.printing.clear();
  };
  generate(preview, 0);
  if (!printer) return;
  const int pages = printer->PageCount();
  Check(pages == begun, "pages begun and stored disagree");

  // Pages begin only where a print outside the beginning of a page asks for
  // one, and a band's text carried on takes at most a page per line.
  long double bound = 2;
  for (const auto& [band, count] : emitted) {
    auto it = lines.find(band);
    bound += count * (1 + (it == lines.end() ? 0 : it->second));
  }
  Check(pages <= bound, "more pages than the prints account for");

  // Every stored page has the size the page is laid out on.
  const int widthPx = printer->SizeToDeviceX(printer->PageWidth());
  const int lengthPx = printer->SizeToDeviceY(printer->PageLength());
  for (int n = 1; n <= std::min(pages, 3); ++n) {
    try {
      if (auto stored = printer->GetPage(n))
        Check(stored->WidthPx() == widthPx && stored->HeightPx() == lengthPx, "a stored page of another size");
    } catch (const EReportError&) {
    }
  }
  const auto [width, length] = TGenerationRun::PageOf(page, *printer);  // the run's
  Check(printer->PageWidth() == RoundHalfEvenToInt(width) && printer->PageLength() == RoundHalfEvenToInt(length),
        "the stored page and the layout disagree");

  const long double topMargin = page.Stored(TPageSetup::kTopMargin);
  const long double bottomMargin = page.Stored(TPageSetup::kBottomMargin);
  const long double net = width - page.Stored(TPageSetup::kLeftMargin) - page.Stored(TPageSetup::kRightMargin);
  const bool fits = !pushedDown && length - topMargin - bottomMargin > 0 && net > 0 &&
                    page.Stored(TPageSetup::kColumnSpace) * (def.columns - 1) < net &&
                    topMargin + stack + tallest + footers + 100 <= length - bottomMargin;
  if (fits) {
    for (std::size_t i = 0; i < placed.size(); ++i) {
      const TRect& r = placed[i];
      Check(placedPage[i] >= 1 && placedPage[i] <= pages, "a band printed on no page");
      Check(r.left >= -1 && r.top >= -1 && r.right <= widthPx + 2 && r.bottom <= lengthPx + 2,
            "a band off its page");
    }
  }
  // The pages are still held: nothing of them has a name in TMPDIR.
  Check(temp.Empty(), "a temporary file in TMPDIR");

  const int dpis[] = {254, 600};
  for (int d = 0; d < 2; ++d) {
    TSeen& device = devices[d];
    generate(device, dpis[d]);
    Check(device.trace == preview.trace, "the preview and a printer give other pages, bands or line breaks");
    const int w = RoundHalfEvenToInt(width * dpis[d] / kStoredPerInch);
    const int h = RoundHalfEvenToInt(length * dpis[d] / kStoredPerInch);
    for (const TSeen::TInk& ink : device.ink) {
      const TRect& r = ink.box;
      Check(r.left >= 0 && r.top >= 0 && r.right <= w && r.bottom <= h, "text inked outside the paper");
      auto footer = device.footerTop.find(ink.page);
      Check(ink.footer || footer == device.footerTop.end() || r.bottom <= footer->second,
            "text inked over a page footer");
    }
    for (int n = 1; device.flowPrinted && n <= pages; ++n)
      Check(device.content.count(n) != 0, "a page with nothing but headers and footers");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TRunTempDir temp;
  TInput in(data, size);
  TDefinition def;
  def.Read(in);
  Run(def, temp);
  Check(temp.Empty(), "a temporary file left in TMPDIR");
  return 0;
}
