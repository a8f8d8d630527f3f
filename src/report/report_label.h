#pragma once

#include <functional>
#include <string>
#include <vector>

#include "report/printable.h"

// Text elements: a caption formatted into lines (word wrap, auto-size),
// measured on the report's reference context.
class TCustomReportLabel : public TPrintable {
 public:
  explicit TCustomReportLabel(TReportContext& context) : TPrintable(context) {}

  const std::string& Caption() const { return caption_; }
  // Stores the caption and the output text, and formats anew.
  void SetCaption(std::string caption);
  const std::string& OutputText() const { return output_text_; }
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool on);
  bool AutoStretch() const { return auto_stretch_; }
  void SetAutoStretch(bool on) { auto_stretch_ = on; }
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool on);
  // Right-to-left reading: mirrors the alignment and lays text out from the
  // right.
  bool RightToLeft() const { return right_to_left_; }
  void SetRightToLeft(bool on);
  // The persisted point size; a positive value read back becomes the
  // font's size after loading.
  int FontSize() const { return font_size_; }
  void SetFontSize(int points) { font_size_ = points; }

  const std::vector<std::string>& WrappedLines() const { return wrapped_lines_; }
  int NextLineIndex() const { return next_line_index_; }

  // Called before printing with the output text; a different value is
  // printed this once.
  std::function<void(TCustomReportLabel& sender, std::string& value)> OnPrint;

  virtual bool IsCaptionBased() const { return true; }
  // Splits the output text into WrappedLines and, with AutoSize, sizes the
  // control to the widest line.
  virtual void FormatText();

  // Width of a text in the element's font on the report's reference context
  // (its extent + 1, times zoom / 100), and the line height (extent height
  // of "A").
  int MeasureWidth(std::string_view text) const;
  int LineHeight() const;

  void BeginPrinting(TGenerationRun& run) override;
  void PrintAt(long double x, long double y) override;
  void Paint(TCanvas& canvas, TPoint origin) override;
  void SetParent(TControl* parent) override;
  void Loaded() override;

 protected:
  void FontChanged() override;
  // The drawing step shared by labels and system data.
  void DrawLines(bool mayStretch, long double lineHeight, long double height, long double width,
                 long double top, long double left);
  void SplitText(const std::string& text, std::vector<std::string>& lines) const;

 private:
  void SplitPiece(std::string_view piece, std::vector<std::string>& lines, bool& finished) const;
  int TextWidth(std::string_view text) const;
  bool MeasuresByReport() const;
  int Zoom() const;
  TAlignment EffectiveAlignment() const;

  std::string caption_;
  std::string output_text_;
  std::vector<std::string> wrapped_lines_;
  int next_line_index_ = 0;
  bool auto_size_ = true;
  bool auto_stretch_ = false;
  bool word_wrap_ = true;
  bool right_to_left_ = false;
  bool format_valid_ = false;
  bool auto_sizing_ = false;
  bool grew_band_ = false;
  int font_size_ = 0;
};

// Static text.
class TReportLabel : public TCustomReportLabel {
 public:
  using TCustomReportLabel::TCustomReportLabel;
};

enum class TSysDataType { sdTime, sdDate, sdDateTime, sdPageNumber, sdReportTitle, sdDetailCount, sdDetailNo };

// The date, time, page number and other values of the run, after a prefix.
class TSysData : public TCustomReportLabel {
 public:
  explicit TSysData(TReportContext& context);
  TSysDataType Data() const { return data_; }
  void SetData(TSysDataType data);
  const std::string& Text() const { return text_; }
  void SetText(std::string text);
  // The value printed for Data() now.
  std::string Value() const;
  void PrintAt(long double x, long double y) override;

 private:
  void UpdateDesignCaption();
  TSysDataType data_ = TSysDataType::sdTime;
  std::string text_;
};
