#include "report/report_label.h"

#include <algorithm>
#include <ctime>

#include "report/band.h"
#include "report/report.h"
#include "definition/rounding.h"

namespace {

// The length in bytes of the UTF-8 sequence that starts with byte c.
std::size_t Utf8Length(unsigned char c) {
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) return 2;
  if ((c & 0xF0) == 0xE0) return 3;
  if ((c & 0xF8) == 0xF0) return 4;
  return 1;
}

// Multiply then divide, rounding half away from zero, as the platform's
// multiply-divide does.
int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const long long p = static_cast<long long>(a) * b;
  const long long q = (p >= 0) == (c > 0) ? (std::llabs(p) + std::llabs(c) / 2) / std::llabs(c)
                                          : -((std::llabs(p) + std::llabs(c) / 2) / std::llabs(c));
  return static_cast<int>(q);
}

}  // namespace

void TCustomReportLabel::SetCaption(std::string caption) {
  caption_ = caption;
  output_text_ = std::move(caption);
  format_valid_ = false;
  FormatText();
  Invalidate();
}

void TCustomReportLabel::SetAutoSize(bool on) {
  auto_size_ = on;
  FormatText();
}

void TCustomReportLabel::SetWordWrap(bool on) {
  word_wrap_ = on;
  FormatText();
}

void TCustomReportLabel::SetRightToLeft(bool on) {
  right_to_left_ = on;
  FormatText();
}

void TCustomReportLabel::FontChanged() {
  format_valid_ = false;
  FormatText();
  TPrintable::FontChanged();
}

void TCustomReportLabel::SetParent(TControl* parent) {
  TPrintable::SetParent(parent);
  FormatText();
}

void TCustomReportLabel::Loaded() {
  TPrintable::Loaded();
  if (font_size_ > 0) {
    TFont font = Font();
    font.SetSize(font_size_);
    SetFont(font);
  }
}

bool TCustomReportLabel::MeasuresByReport() const { return OwnerReport() != nullptr; }

int TCustomReportLabel::Zoom() const {
  TCustomReport* report = OwnerReport();
  return report ? report->Zoom() : 100;
}

TAlignment TCustomReportLabel::EffectiveAlignment() const {
  if (!right_to_left_) return Alignment();
  switch (Alignment()) {
    case TAlignment::taLeftJustify: return TAlignment::taRightJustify;
    case TAlignment::taRightJustify: return TAlignment::taLeftJustify;
    default: return TAlignment::taCenter;
  }
}

int TCustomReportLabel::TextWidth(std::string_view text) const {
  TTextMetrics& metrics = Context().Metrics();
  return metrics.TextExtent(LogFontFor(Font(), metrics.PixelsPerInch()), text).width + 1;
}

int TCustomReportLabel::MeasureWidth(std::string_view text) const {
  const int width = TextWidth(text);
  return MeasuresByReport() ? MulDiv(width, Zoom(), 100) : width;
}

int TCustomReportLabel::LineHeight() const {
  TTextMetrics& metrics = Context().Metrics();
  return metrics.TextExtent(LogFontFor(Font(), metrics.PixelsPerInch()), "A").height;
}

void TCustomReportLabel::SplitPiece(std::string_view piece, std::vector<std::string>& lines,
                                    bool& finished) const {
  if (auto_size_) {
    lines.emplace_back(piece);
    return;
  }
  const int limit = Width();
  std::string line;
  std::size_t pos = 0;
  while (pos < piece.size()) {
    std::size_t end = piece.find_first_of(" -\r", pos);
    end = end == std::string_view::npos ? piece.size() : end + 1;
    std::string word(piece.substr(pos, end - pos));
    pos = end;
    if (MeasureWidth(line + word) > limit) {
      if (line.empty()) {
        // As much of the word as fits; the rest of it is lost.
        std::size_t i = 0;
        while (i < word.size()) {
          const std::size_t n = std::min(Utf8Length(static_cast<unsigned char>(word[i])), word.size() - i);
          if (MeasureWidth(line + word.substr(i, n)) >= limit) break;
          line += word.substr(i, n);
          i += n;
        }
        word.clear();
      }
      lines.push_back(line);
      line.clear();
      if (MeasureWidth(word) > limit) {
        if (limit == 0) {
          word.clear();
        } else {
          while (!word.empty() && MeasureWidth(word) > limit) {
            std::size_t last = word.size() - 1;
            while (last > 0 && (static_cast<unsigned char>(word[last]) & 0xC0) == 0x80) --last;
            word.erase(last);
          }
        }
        lines.push_back(word);
        word.clear();
      }
      if (!word_wrap_) {
        word.clear();
        finished = true;
      }
    }
    line += word;
  }
  if (!finished) lines.push_back(line);
}

void TCustomReportLabel::SplitText(const std::string& text, std::vector<std::string>& lines) const {
  std::string clean;
  clean.reserve(text.size());
  for (char c : text)
    if (c != '\n') clean += c;
  bool finished = false;
  if (clean.find('\r') == std::string::npos) {
    SplitPiece(clean, lines, finished);
    return;
  }
  std::size_t start = 0;
  while (true) {
    const std::size_t cr = clean.find('\r', start);
    SplitPiece(std::string_view(clean).substr(start, cr == std::string::npos ? std::string::npos : cr - start),
               lines, finished);
    if (cr == std::string::npos) break;
    start = cr + 1;
  }
}

void TCustomReportLabel::FormatText() {
  if (!Parent()) return;
  wrapped_lines_.clear();
  const bool byReport = MeasuresByReport();
  if (IsCaptionBased()) {
    SplitText(output_text_, wrapped_lines_);
    if (byReport && !auto_sizing_) {
      const int h = LineHeight() * Zoom() / 100 + 1;
      if (Height() < h) SetHeight(h);
    }
  }
  if (auto_size_ && !auto_sizing_ && byReport) {
    int m = 0;
    for (const std::string& line : wrapped_lines_) m = std::max(m, MeasureWidth(line));
    if (Frame().DrawLeft()) m += Frame().Width();
    if (Frame().DrawRight()) m += Frame().Width();
    auto_sizing_ = true;
    int left = Left();
    switch (EffectiveAlignment()) {
      case TAlignment::taRightJustify: left += Width() - m; break;
      case TAlignment::taCenter: left += (Width() - m) / 2; break;
      default: break;
    }
    const int h = LineHeight() * Zoom() / 100 + 1;
    SetBounds(left, Top(), m, std::max(Height(), h));
    auto_sizing_ = false;
  }
  format_valid_ = true;
}

void TCustomReportLabel::BeginPrinting(TGenerationRun& run) {
  TPrintable::BeginPrinting(run);
  next_line_index_ = 0;
  SetCaption(caption_);
}

void TCustomReportLabel::PrintAt(long double x, long double y) {
  if (!CountsAsEnabled() || !Printer()) return;
  TReportPrinter& p = *Printer();
  const TLogFont font = LogFontFor(Font(), p.CanvasMetrics().PixelsPerInch());
  // Lines are laid out in the reference metrics, in storage units, whatever
  // the device: a device's own line height, rounded to its pixels, would
  // break text, bands and pages elsewhere than the preview does.
  TTextMetrics& reference = Context().Metrics();
  const long double lh = reference.TextExtent(LogFontFor(Font(), reference.PixelsPerInch()), "W").height *
                         kStoredPerInch / reference.PixelsPerInch();
  if (DrawOutput()) {
    p.Canvas().SetFont(font);
    p.Canvas().SetTextColor(Font().Color());
  }
  DrawLines(AutoStretch(), lh, Size().Stored(TPrintableSize::kHeight), Size().Stored(TPrintableSize::kWidth),
            Size().Stored(TPrintableSize::kTop) + y, Size().Stored(TPrintableSize::kLeft) + x);
}

void TCustomReportLabel::DrawLines(bool mayStretch, long double lh, long double height, long double w0,
                                   long double top, long double left) {
  TReportPrinter& p = *Printer();
  std::string saved;
  bool replaced = false;
  if (!output_text_.empty() && OnPrint) {
    std::string value = output_text_;
    OnPrint(*this, value);
    if (value != output_text_) {
      saved = std::exchange(output_text_, value);
      replaced = true;
    }
  }
  FormatText();
  const long double w = Size().Stored(TPrintableSize::kWidth);
  const bool draw = DrawOutput();
  TCanvas* canvas = draw ? &p.Canvas() : nullptr;
  TCustomBand* band = Band();
  const TGenerationRun* run = Run();
  // Text stays on the paper and above the footers (a footer's above the
  // bottom margin): a line that does not fit there is carried on or, where
  // the band cannot break, cut; the clip keeps a device's taller glyphs and
  // the label's fill there too.
  const bool bounded = band && run;
  const long double limit = bounded ? run->TextBottom(*band) : 0;
  if (draw && bounded)
    canvas->IntersectClipRect({p.ToDeviceX(0), p.ToDeviceY(0), p.ToDeviceX(run->RunPageWidth()),
                               p.ToDeviceY(limit)});
  if (draw && !Transparent()) {
    canvas->SetBrush(TBrush{TBrushStyle::Solid, Color()});
    canvas->SetPen(TPen{TPenStyle::Solid, 0, Color()});
    canvas->FillRect({p.ToDeviceX(left), p.ToDeviceY(top), p.ToDeviceX(left + w), p.ToDeviceY(top + height)});
  }
  const long double frameOffset = RoundHalfEven(static_cast<long double>(Frame().Width()) / 72 * kStoredPerInch);
  if (Frame().DrawTop()) top += frameOffset;
  if (Frame().DrawLeft()) left += frameOffset;
  long double bottom = top + height + 1;
  long double lineY = top;

  long double x = left;
  const TAlignment alignment = EffectiveAlignment();
  if (AutoSize() && alignment == TAlignment::taRightJustify) x = left - (w - w0);
  if (AutoSize() && alignment == TAlignment::taCenter) x = left - (w - w0) / 2;
  TTextAlign align;
  if (alignment == TAlignment::taRightJustify) {
    align.horz = THorzTextAlign::Right;
    x += w;
  } else if (alignment == TAlignment::taCenter) {
    align.horz = THorzTextAlign::Center;
    x += w / 2;
  }
  align.rtlReading = right_to_left_;
  TTextOutOptions options;
  options.rtlReading = right_to_left_;
  if (draw) {
    canvas->SetBkMode(TBkMode::Transparent);
    canvas->SetTextAlign(align);
  }

  if (output_complete_) next_line_index_ = 0;
  grew_band_ = false;
  const TLogFont textFont = LogFontFor(Font(), p.CanvasMetrics().PixelsPerInch());
  auto fits = [&]() {
    if (bounded && lineY + lh > limit) return false;
    if (bottom >= lineY + lh) return true;
    if (!mayStretch || !bounded) return false;
    const long double grown = band->Size().StoredHeight() + band->StretchAmount();
    const long double room = RoundHalfEven(limit - run->CursorY());
    // The band grows while it stays above the limit; one that already
    // reaches past it (taller than the room it was given) costs no more
    // room by growing, and its lines stop at the limit all the same.
    if (room < RoundHalfEven(lh + grown) && room >= RoundHalfEven(grown)) return false;
    const long double before = band->StretchAmount();
    if (grew_band_ || before <= lh) band->SetStretchAmount(before + lh);
    grew_band_ = true;
    const long double oldBottom = bottom;
    bottom = top + height + 1 + band->StretchAmount();
    if (draw && !Transparent() && bottom > oldBottom) {
      canvas->SetBrush(TBrush{TBrushStyle::Solid, Color()});
      canvas->FillRect({p.ToDeviceX(left), p.ToDeviceY(oldBottom), p.ToDeviceX(left + w), p.ToDeviceY(bottom)});
    }
    return bottom >= lineY + lh;
  };
  while (next_line_index_ < static_cast<int>(wrapped_lines_.size()) && fits()) {
    const std::string& line = wrapped_lines_[next_line_index_];
    if (draw && !line.empty()) {
      // At the advances the text was measured with, as every device draws it.
      const std::vector<int> dx = p.CanvasMetrics().CharAdvances(textFont, line);
      canvas->TextOut(p.ToDeviceX(x), p.ToDeviceY(lineY), line, options, dx);
    }
    lineY += lh;
    ++next_line_index_;
    if (band) band->NoteLinePlaced();
  }
  const bool remain = next_line_index_ < static_cast<int>(wrapped_lines_.size());
  output_complete_ = !(remain && AutoStretch());
  if (draw) canvas->RemoveClip();
  if (draw && Frame().HasAnySide()) {
    const long double growth = grew_band_ && band ? band->StretchAmount() : 0;
    Frame().DrawSides(*canvas,
                      {p.ToDeviceX(left), p.ToDeviceY(top), p.ToDeviceX(left + w),
                       p.ToDeviceY(top + height + growth)},
                      p.ScaleX(), p.ScaleY());
  }
  if (replaced) output_text_ = std::move(saved);
}

// --- TSysData ------------------------------------------------------------------

namespace {
constexpr const char* kSysDataNames[] = {"Time", "Date", "Date/Time", "Page#", "Report title",
                                         "Detail count", "Detail no"};
}

TSysData::TSysData(TReportContext& context) : TCustomReportLabel(context) { UpdateDesignCaption(); }

void TSysData::SetData(TSysDataType data) {
  data_ = data;
  UpdateDesignCaption();
}

void TSysData::SetText(std::string text) {
  text_ = std::move(text);
  UpdateDesignCaption();
}

void TSysData::UpdateDesignCaption() {
  SetCaption(text_ + "(" + kSysDataNames[static_cast<int>(data_)] + ")");
}

std::string TSysData::Value() const {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  const TDateTimeFormats& f = Context().Dates();
  TCustomReport* report = OwnerReport();
  switch (data_) {
    case TSysDataType::sdTime:
      return f.ShortTime(tm.tm_hour, tm.tm_min, tm.tm_sec);
    case TSysDataType::sdDate:
      return f.ShortDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    case TSysDataType::sdDateTime: {
      std::string s = f.ShortDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
      if (tm.tm_hour || tm.tm_min || tm.tm_sec) s += " " + f.LongTime(tm.tm_hour, tm.tm_min, tm.tm_sec);
      return s;
    }
    case TSysDataType::sdPageNumber:
      return std::to_string(Run() ? Run()->PageCounter() : 0);
    case TSysDataType::sdReportTitle:
      return report ? report->ReportTitle() : std::string();
    case TSysDataType::sdDetailCount:
      return "1";  // no data set: one detail
    case TSysDataType::sdDetailNo:
      return std::to_string(Run() ? Run()->DetailNumber() : 0);
  }
  return {};
}

void TSysData::PrintAt(long double x, long double y) {
  SetCaption(text_ + Value());
  TCustomReportLabel::PrintAt(x, y);
}

void TCustomReportLabel::Paint(TCanvas& canvas, TPoint origin) {
  if (InPrintRun()) return;
  const int x0 = origin.x + Left(), y0 = origin.y + Top();
  const TRect r{x0, y0, x0 + Width(), y0 + Height()};
  PaintBase(canvas, r);
  TTextMetrics& metrics = Context().Metrics();
  TFont font = Font();
  font.SetSize(RoundHalfEvenToInt(static_cast<long double>(std::abs(Font().Size())) * ReportZoom() / 100));
  const TLogFont logFont = LogFontFor(font, metrics.PixelsPerInch());
  const int lineHeight = metrics.TextExtent(logFont, "W").height;
  const int frameOffset = Frame().Width() > 0
      ? RoundHalfEvenToInt(static_cast<long double>(ReportZoom()) * Frame().Width() / 72 * metrics.PixelsPerInch() / 100)
      : 0;
  int x = x0 + (Frame().DrawLeft() ? frameOffset : 0);
  int y = y0 + (Frame().DrawTop() ? frameOffset : 0);
  TTextAlign align;
  switch (EffectiveAlignment()) {
    case TAlignment::taRightJustify: align.horz = THorzTextAlign::Right; x = x0 + Width(); break;
    case TAlignment::taCenter: align.horz = THorzTextAlign::Center; x = x0 + Width() / 2; break;
    default: break;
  }
  align.rtlReading = right_to_left_;
  canvas.Save();
  canvas.IntersectClipRect(r);
  canvas.SetFont(logFont);
  canvas.SetTextColor(Font().Color());
  canvas.SetBkMode(TBkMode::Transparent);
  canvas.SetTextAlign(align);
  TTextOutOptions options;
  options.rtlReading = right_to_left_;
  for (const std::string& line : wrapped_lines_) {
    if (!line.empty()) canvas.TextOut(x, y, line, options);
    y += lineHeight;
  }
  canvas.Restore();
}
