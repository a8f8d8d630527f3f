#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "report/panel.h"
#include "definition/band_size.h"

class TCustomReport;
class TGenerationRun;

// Band types in their fixed order.
enum class TBandType {
  rbTitle, rbPageHeader, rbDetail, rbPageFooter, rbSummary, rbGroupHeader,
  rbGroupFooter, rbSubDetail, rbColumnHeader, rbOverlay, rbChild,
};
inline constexpr int kBandTypeCount = 11;
// "Title", "Page Header", ... "Child".
std::string_view BandTypeName(TBandType type);
// "TitleBand", "PageHeaderBand", ... "ChildBand": bases of new band names.
std::string_view BandNameBase(TBandType type);
// Bands that belong to the page rather than to the flow of data: a forced
// page or column break on one of them only checks for room.
bool IsPageLevel(TBandType type);
// Bands laid out across the page's whole width: those of the page, and the
// summary, printed once after every column. Where one needs room it moves
// on to the next page, never to the next column, which it would overrun.
bool SpansPage(TBandType type);

// A horizontal strip of a report, printed as a unit with the elements on
// it. A band is placed on a report with SetParent(report) (or on another
// band, which places it on that band's report); the report keeps its bands
// in one ordered list.
class TCustomBand : public TBasePanel {
 public:
  explicit TCustomBand(TReportContext& context);
  ~TCustomBand() override;

  // The band's own type; a child band reports rbChild.
  virtual TBandType BandType() const = 0;
  // The type that counts for printing: a child band takes the type of the
  // first non-child band up its ParentBand chain.
  TBandType EffectiveType() const;

  std::function<void(TCustomBand& sender, bool& printBand)> BeforePrint;
  std::function<void(TCustomBand& sender, bool bandPrinted)> AfterPrint;

  bool AlignToBottom() const { return align_to_bottom_; }
  void SetAlignToBottom(bool on) { align_to_bottom_ = on; }
  bool ForceNewColumn() const { return force_new_column_; }
  void SetForceNewColumn(bool on) { force_new_column_ = on; }
  bool ForceNewPage() const { return force_new_page_; }
  void SetForceNewPage(bool on) { force_new_page_ = on; }
  void SetEnabled(bool enabled) override;

  TBandSize& Size() { return size_; }
  const TBandSize& Size() const { return size_; }
  TUnitBase* SizeHolder() override { return &size_; }

  // True when the report holds a child band whose ParentBand is this band.
  bool HasChild() const;
  // True creates a child band (owned by this band's owner, or by this band
  // without one); false frees it, attaching a grandchild to this band.
  void SetHasChild(bool on);
  class TChildBand* ChildBand() const;

  // A band that must fit on the same page; a value that would close a
  // cycle of links is refused silently. Cleared when that band goes.
  TCustomBand* LinkBand() const { return link_band_; }
  void SetLinkBand(TCustomBand* band);

  // The report this band is placed on, or null.
  TCustomReport* Report() const { return report_; }

  // Height added by stretching elements while the band prints (0.1 mm).
  long double StretchAmount() const { return stretch_amount_; }
  void SetStretchAmount(long double amount) { stretch_amount_ = amount; }
  // The device rectangle the band was last printed into.
  const TRect& FrameRect() const { return frame_rect_; }
  // An element placed a line of text for the band: a pass that carries
  // text on and places none has met a column that cannot hold it.
  void NoteLinePlaced() { ++placed_lines_; }

  // Prints the band where the run stands; then its child band.
  void PrintOnPage(TGenerationRun& run);
  // Space the band needs on a page (0.1 mm): its height, plus a linked
  // band's needed space and height.
  long double NeededSpace() const;

  void SetParent(TControl* parent) override;
  void SetBounds(int left, int top, int width, int height) override;
  void Notification(TControl& component, TOperation operation) override;
  void Loaded() override;
  void PropagateZoom(int zoom) override;

  // True while the report lays this band out.
  bool InLayout() const { return in_layout_; }
  void SetInLayout(bool on) { in_layout_ = on; }
  bool Destroying() const { return destroying_; }

 protected:
  // For re-sorting after a type change.
  void ReportRearrange();
  void DetachFromReport();

 private:
  void PrintElements(TGenerationRun& run, long double x, long double y);
  void RestoreHeight(long double stored);

  TBandSize size_;
  TCustomReport* report_ = nullptr;
  TCustomBand* link_band_ = nullptr;
  long double stretch_amount_ = 0;
  TRect frame_rect_;
  bool align_to_bottom_ = false;
  bool force_new_column_ = false;
  bool force_new_page_ = false;
  bool in_layout_ = false;
  long long placed_lines_ = 0;
  bool destroying_ = false;
  int loaded_pixel_height_ = 40;
};

// A band of a chosen type.
class TBand : public TCustomBand {
 public:
  explicit TBand(TReportContext& context, TBandType type = TBandType::rbDetail)
      : TCustomBand(context), type_(type) {}
  TBandType BandType() const override { return type_; }
  // Stores the type and re-sorts and re-arranges the report's bands.
  void SetBandType(TBandType type);

 private:
  TBandType type_;
};

// A band printed right after its parent band, with the parent's type.
class TChildBand : public TCustomBand {
 public:
  explicit TChildBand(TReportContext& context) : TCustomBand(context) {}
  // A child band's own type reads rbChild, except while it prints as part
  // of a page footer.
  TBandType BandType() const override { return type_override_; }
  TCustomBand* ParentBand() const { return parent_band_; }
  // Refuses (silently) a parent that would close a cycle; a valid one
  // re-sorts and re-arranges the report's bands.
  void SetParentBand(TCustomBand* band);
  void SetTypeOverride(TBandType type) { type_override_ = type; }
  void Notification(TControl& component, TOperation operation) override;

 private:
  TCustomBand* parent_band_ = nullptr;
  TBandType type_override_ = TBandType::rbChild;
};
