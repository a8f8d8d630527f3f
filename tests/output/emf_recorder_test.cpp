#include "output/emf_recorder.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "canvas_log.h"
#include "emf_test_util.h"
#include "graphics/utf16.h"
#include "output/emf_format.h"
#include "output/emf_player.h"
#include "definition/report_error.h"

namespace {

struct TScript {
  const char* name;
  std::function<void(TCanvas&)> draw;
};

void PrintTo(const TScript& s, std::ostream* os) { *os << s.name; }


const TScript kScripts[] = {
    {"lines and pens",
     [](TCanvas& c) {
       c.MoveTo(10, 10);
       c.LineTo(390, 10);
       c.SetPen({TPenStyle::Dash, 1, colors::Red});
       c.LineTo(390, 290);
       c.SetPen({TPenStyle::Solid, 3, TColor::Rgb(1, 2, 3)});
       c.MoveTo(0, 0);
       c.LineTo(5, 7);
       c.SetPen({TPenStyle::Clear, 1, colors::Black});
       c.LineTo(9, 9);
       c.SetPen({TPenStyle::InsideFrame, 0, colors::Navy});
       c.LineTo(20, 9);
     }},
    {"figures and brushes",
     [](TCanvas& c) {
       c.Rectangle({10, 20, 110, 70});
       c.SetBrush({TBrushStyle::Clear, colors::Red});
       c.Ellipse({50, 50, 150, 90});
       c.SetBrush({TBrushStyle::Solid, TColor::Rgb(200, 100, 50)});
       c.FillRect({0, 0, 40, 30});
       c.SetPen({TPenStyle::DashDotDot, 2, colors::Blue});
       c.Rectangle({5, 5, 6, 6});
       c.Ellipse({-10, -10, 500, 400});
     }},
    {"system colours are resolved",
     [](TCanvas& c) {
       c.SetBrush({TBrushStyle::Solid, colors::BtnFace});
       c.SetPen({TPenStyle::Solid, 1, colors::BtnShadow});
       c.Rectangle({1, 1, 20, 20});
       c.SetTextColor(colors::WindowText);
       c.TextOut(3, 3, "x");
     }},
    {"text in every alignment and direction",
     [](TCanvas& c) {
       TLogFont f;
       f.name = "Arial";
       f.height = 16;
       c.SetFont(f);
       c.SetBkMode(TBkMode::Transparent);
       c.TextOut(10, 10, "Apiary :");
       c.SetTextAlign({THorzTextAlign::Right, TVertTextAlign::Baseline, false});
       c.TextOut(390, 40, "Date :");
       c.SetTextAlign({THorzTextAlign::Center, TVertTextAlign::Bottom, true});
       c.TextOut(200, 80, "Ruche", {false, false, true, {}});
       f.escapement = 2700;
       f.height = 11;
       f.weight = 700;
       f.italic = f.underline = f.strikeOut = true;
       f.charSet = 0;
       c.SetFont(f);
       c.SetTextAlign({});
       c.SetTextColor(colors::Navy);
       c.TextOut(100, 100, "Reine vue");
       f.escapement = 900;
       f.name = "Liberation Serif";
       c.SetFont(f);
       c.TextOut(120, 200, "");
       c.TextOut(120, 200, "Bräu €𝄞");
     }},
    {"opaque and clipped text",
     [](TCanvas& c) {
       c.SetBkColor(TColor::Rgb(250, 240, 0));
       c.TextOut(10, 10, "opaque mode");
       c.SetBkMode(TBkMode::Transparent);
       c.TextOut(10, 30, "boxed", {true, true, false, {8, 28, 60, 44}});
       c.TextOut(10, 50, "clipped only", {false, true, false, {8, 48, 30, 60}});
     }},
    {"save, restore and clipping",
     [](TCanvas& c) {
       c.SetPen({TPenStyle::Solid, 2, colors::Red});
       c.Save();
       c.IntersectClipRect({10, 10, 200, 200});
       c.SetPen({TPenStyle::Solid, 1, colors::Blue});
       c.SetBrush({TBrushStyle::Clear, colors::White});
       c.Rectangle({0, 0, 50, 50});
       c.Save();
       c.IntersectClipRect({20, 0, 100, 150});
       c.SetPen({TPenStyle::Dot, 1, colors::Black});
       c.Ellipse({0, 0, 50, 50});
       c.Restore();
       c.Rectangle({1, 1, 50, 50});
       c.Restore();
       c.Rectangle({2, 2, 50, 50});
       c.Restore();  // unmatched: no effect
       c.IntersectClipRect({5, 5, 300, 300});
       c.LineTo(40, 40);
       c.RemoveClip();
       c.LineTo(50, 40);
       c.Save();  // left open at the end
       c.SetPen({TPenStyle::Dash, 1, colors::Red});
       c.LineTo(60, 40);
     }},
    {"paths, pens, brushes, bitmaps, raster operations and clip paths",
     [](TCanvas& c) {
       TPath p;
       p.MoveTo({10, 10});
       p.LineTo({100, 20});
       p.CurveTo({120, 40}, {80, 90}, {30, 60});
       p.Close();
       p.MoveTo({200, 200});
       p.LineTo({250, 220});
       c.SetPen({TPenStyle::Solid, 6, colors::Red, TLineCap::Round, TLineJoin::Bevel, {}});
       c.DrawPath(p, true, false);
       p.winding = true;
       c.SetBrush({TBrushStyle::Hatched, colors::Blue, THatch::DiagCross, {}});
       c.DrawPath(p, false, true);
       c.SetPen({TPenStyle::Solid, 4, colors::Black, TLineCap::Square, TLineJoin::Miter, {12, 4, 2, 4}});
       auto tile = std::make_shared<TImage>(TImage{2, 2, {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFF000000u}});
       c.SetBrush({TBrushStyle::Pattern, colors::White, THatch::Horizontal, tile});
       c.DrawPath(p, true, true);
       c.DrawImage(*tile, {50, 60}, {150, 60}, {50, 110});
       c.SetRop2(TRop2::XorPen);
       c.Rectangle({5, 5, 60, 60});
       c.Save();
       c.ClipPath(p, TClipMode::Diff);
       c.OffsetClip(7, -3);
       c.SetRop2(TRop2::Not);
       c.Ellipse({0, 0, 30, 30});
       c.Restore();
       c.LineTo(80, 80);
     }},
};

class RoundTrip : public testing::TestWithParam<TScript> {};

TEST_P(RoundTrip, PlayingTheRecordingMakesTheSameCalls) {
  const TScript& s = GetParam();
  TCanvasLog direct;
  s.draw(direct);
  ASSERT_FALSE(direct.lines.empty());
  const auto bytes = RecordPage(s.draw);
  TCanvasLog played;
  TEmfPlayer::Play(bytes, played, {0, 0, 400, 300});
  EXPECT_EQ(played.lines, direct.lines);
  EXPECT_EQ(played.saves, played.restores);
  // Every played text comes with its advances, one per UTF-16 unit.
  ASSERT_EQ(played.dxs.size(), direct.dxs.size());
}

INSTANTIATE_TEST_SUITE_P(Scripts, RoundTrip, testing::ValuesIn(kScripts),
                         [](const auto& info) {
                           std::string n = info.param.name;
                           for (char& ch : n) {
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return n;
                         });

TEST(EmfRecorder, HeaderStatesTotalsFrameAndReferenceDevice) {
  const auto bytes = RecordPage([](TCanvas& c) {
    c.Rectangle({10, 20, 110, 70});
    c.MoveTo(5, 290);
    c.LineTo(395, 290);
  }, 1123, 794);
  const auto recs = Records(bytes);
  ASSERT_GE(recs.size(), 3u);
  EXPECT_EQ(recs.front().type, 1u);
  EXPECT_EQ(recs.front().size, 108u);
  EXPECT_EQ(U32At(bytes, 40), 0x464D4520u);
  EXPECT_EQ(U32At(bytes, 44), 0x00010000u);
  EXPECT_EQ(U32At(bytes, 48), bytes.size());
  EXPECT_EQ(U32At(bytes, 52), recs.size());
  EXPECT_EQ(recs.back().type, 14u);
  EXPECT_EQ(recs.back().offset + recs.back().size, bytes.size());
  EXPECT_EQ(U32At(bytes, bytes.size() - 4), 20u);
  // Bounds: inclusive, around what was drawn.
  EXPECT_EQ(std::int32_t(U32At(bytes, 8)), 5);
  EXPECT_EQ(std::int32_t(U32At(bytes, 12)), 20);
  EXPECT_EQ(std::int32_t(U32At(bytes, 16)), 395);
  EXPECT_EQ(std::int32_t(U32At(bytes, 20)), 290);
  // Frame: 1123 x 794 pixels at 96 dpi in 0.01 mm, inclusive.
  EXPECT_EQ(U32At(bytes, 24), 0u);
  EXPECT_EQ(U32At(bytes, 32), 29713u - 1);  // 1123 * 2540 / 96 = 29712.7
  EXPECT_EQ(U32At(bytes, 36), 21008u - 1);
  // Reference device: pixels per millimetre exactly 96 / 25.4.
  EXPECT_EQ(U32At(bytes, 72), 9600u);
  EXPECT_EQ(U32At(bytes, 80), 2540u);
  EXPECT_EQ(U32At(bytes, 100), 2540000u);
  const TEmfHeader h = TEmfPlayer::Validate(bytes);
  EXPECT_EQ(h.FrameWidthPx(), 1123);
  EXPECT_EQ(h.FrameHeightPx(), 794);
}

TEST(EmfRecorder, EmptyPageIsAValidMetafileWithEmptyBounds) {
  const auto bytes = RecordPage([](TCanvas&) {});
  EXPECT_EQ(std::int32_t(U32At(bytes, 16)), -1);
  EXPECT_EQ(std::int32_t(U32At(bytes, 20)), -1);
  TCanvasLog log;
  TEmfPlayer::Play(bytes, log, {0, 0, 400, 300});
  EXPECT_TRUE(log.lines.empty());
}

// Follows object creation, selection and deletion as a reader's handle
// table would, failing on anything a reader must reject.
void CheckObjectLifetimes(const std::vector<std::uint8_t>& bytes) {
  const auto recs = Records(bytes);
  const std::uint32_t nHandles = U32At(bytes, 56) & 0xFFFF;
  std::set<std::uint32_t> live;
  std::map<std::uint32_t, std::uint32_t> selected;  // kind -> index
  std::uint32_t highest = 0;
  for (const TRec& r : recs) {
    const std::uint32_t arg = r.size >= 12 ? U32At(bytes, r.offset + 8) : 0;
    switch (r.type) {
      case emf::EMR_CREATEPEN:
      case emf::EMR_CREATEBRUSHINDIRECT:
      case emf::EMR_EXTCREATEFONTINDIRECTW:
        ASSERT_GE(arg, 1u);
        ASSERT_LT(arg, nHandles);
        ASSERT_FALSE(live.count(arg)) << "index " << arg << " created while in use";
        live.insert(arg);
        highest = std::max(highest, arg);
        break;
      case emf::EMR_SELECTOBJECT:
        if (!(arg & emf::kStockObject)) {
          ASSERT_TRUE(live.count(arg)) << "selects deleted " << arg;
        }
        break;
      case emf::EMR_DELETEOBJECT:
        ASSERT_TRUE(live.count(arg)) << "deletes unknown " << arg;
        live.erase(arg);
        break;
      default: break;
    }
  }
  EXPECT_TRUE(live.empty()) << "objects left undeleted at the end";
  EXPECT_EQ(nHandles, highest + 1);
}

TEST(EmfRecorder, HandleTableReusesFreedIndices) {
  const auto bytes = RecordPage([](TCanvas& c) {
    for (int i = 0; i < 200; ++i) {
      c.SetPen({TPenStyle::Solid, 1 + i % 3, TColor::Rgb(std::uint8_t(i), 0, 0)});
      c.SetBrush({TBrushStyle::Solid, TColor::Rgb(0, std::uint8_t(i), 0)});
      TLogFont f;
      f.height = 8 + i % 5;
      c.SetFont(f);
      c.Rectangle({i, i, i + 10, i + 10});
      c.TextOut(i, i, "x");
    }
  });
  CheckObjectLifetimes(bytes);
  EXPECT_LE(U32At(bytes, 56) & 0xFFFF, 7u);
}

TEST(EmfRecorder, SavedStatesKeepTheirObjectsAlive) {
  const auto bytes = RecordPage([](TCanvas& c) {
    c.SetPen({TPenStyle::Solid, 2, colors::Red});
    c.LineTo(1, 1);
    c.Save();
    c.SetPen({TPenStyle::Solid, 3, colors::Blue});
    c.LineTo(2, 2);
    c.Save();
    c.SetPen({TPenStyle::Solid, 4, colors::Blue});
    c.LineTo(3, 3);
    c.Restore();
    c.Restore();
    c.LineTo(4, 4);  // the red pen again, without a new object
    c.Save();
    c.SetFont(TLogFont{});
    c.TextOut(0, 0, "a");
  });
  CheckObjectLifetimes(bytes);
  int pens = 0;
  for (const TRec& r : Records(bytes)) pens += r.type == emf::EMR_CREATEPEN;
  EXPECT_EQ(pens, 3);
}

// What readers other than GDI need of the drawing records. One that starts
// with no pen and no brush (Inkscape's) draws only with objects the page
// created and selected; the stock defaults a device context starts with,
// and gets back by restoring, are never drawn with. It builds a line from
// a move and the lines right after it, so a pen is selected before the
// move and a line always follows a move or a line. And it outlines fills
// with the selected pen, which GDI never does: fills go with the null pen.
TEST(EmfRecorder, DrawingRecordsCarryTheStateEveryReaderNeeds) {
  const TScript draws[] = {
      {"a line with the default pen", [](TCanvas& c) { c.MoveTo(1, 1), c.LineTo(5, 5); }},
      {"figures with the default pen and brush", [](TCanvas& c) { c.Rectangle({1, 1, 9, 9}), c.Ellipse({2, 2, 8, 8}); }},
      {"a fill with the default brush", [](TCanvas& c) { c.FillRect({0, 0, 4, 4}); }},
      {"a line after restoring the default state",
       [](TCanvas& c) {
         c.Save();
         c.SetPen({TPenStyle::Solid, 2, colors::Red});
         c.LineTo(2, 2);
         c.Restore();
         c.LineTo(3, 3);
       }},
      {"a pen changed between the move and the line",
       [](TCanvas& c) {
         c.MoveTo(1, 1);
         c.SetPen({TPenStyle::Dash, 1, colors::Blue});
         c.LineTo(5, 5);
         c.IntersectClipRect({0, 0, 9, 9});
         c.LineTo(7, 1);
       }},
      {"lines, figures and fills in turn",
       [](TCanvas& c) {
         c.MoveTo(0, 3);
         c.LineTo(9, 3);
         c.FillRect({1, 1, 5, 5});
         c.MoveTo(0, 6);
         c.LineTo(9, 6);
         c.Rectangle({2, 2, 8, 8});
         c.Save();
         c.FillRect({3, 3, 4, 4});
         c.Restore();
         c.LineTo(0, 0);
       }},
  };
  constexpr std::uint32_t kStock = 0x80000000u, kNullPen = kStock | 8;
  for (const TScript& d : draws) {
    const auto bytes = RecordPage(d.draw);
    std::map<std::uint32_t, std::uint32_t> kind;  // created handle -> its record type
    struct TSelected { std::uint32_t pen = kStock | 7, brush = kStock | 0; };
    std::vector<TSelected> stack(1);
    std::uint32_t previous = 0;
    int drawn = 0;
    for (const TRec& r : Records(bytes)) {
      const std::uint32_t arg = r.size >= 12 ? U32At(bytes, r.offset + 8) : 0;
      TSelected& now = stack.back();
      if (r.type == emf::EMR_CREATEPEN || r.type == emf::EMR_CREATEBRUSHINDIRECT) kind[arg] = r.type;
      if (r.type == emf::EMR_SELECTOBJECT) {
        const bool stockPen = (arg & kStock) && (arg & ~kStock) >= 6 && (arg & ~kStock) <= 8;
        if (stockPen || kind[arg] == emf::EMR_CREATEPEN) now.pen = arg;
        if (kind[arg] == emf::EMR_CREATEBRUSHINDIRECT) now.brush = arg;
      }
      if (r.type == emf::EMR_SAVEDC) stack.push_back(now);
      if (r.type == emf::EMR_RESTOREDC) stack.pop_back();
      const bool pen = r.type == emf::EMR_MOVETOEX || r.type == emf::EMR_LINETO || r.type == emf::EMR_RECTANGLE ||
                       r.type == emf::EMR_ELLIPSE;
      const bool brush = r.type == emf::EMR_BITBLT || r.type == emf::EMR_RECTANGLE || r.type == emf::EMR_ELLIPSE;
      if (pen) {
        EXPECT_EQ(stack.back().pen & kStock, 0u) << d.name << ": record " << r.type << " at " << r.offset;
      }
      if (brush) {
        EXPECT_EQ(stack.back().brush & kStock, 0u) << d.name << ": record " << r.type << " at " << r.offset;
      }
      if (r.type == emf::EMR_BITBLT) {
        EXPECT_EQ(stack.back().pen, kNullPen) << d.name << ": a fill outlined, at " << r.offset;
      }
      if (r.type == emf::EMR_LINETO) {
        EXPECT_TRUE(previous == emf::EMR_MOVETOEX || previous == emf::EMR_LINETO)
            << d.name << ": a line after record " << previous << ", at " << r.offset;
      }
      drawn += pen || brush;
      previous = r.type;
    }
    EXPECT_GT(drawn, 0) << d.name;
  }
}

TEST(EmfRecorder, UnchangedStateIsNotWrittenAgain) {
  const auto bytes = RecordPage([](TCanvas& c) {
    for (int i = 0; i < 10; ++i) {
      c.SetPen({TPenStyle::Solid, 1, colors::Red});
      c.SetTextColor(colors::Blue);
      c.SetFont(TLogFont{});
      c.MoveTo(0, i);
      c.LineTo(10, i);
      c.TextOut(0, i, "t");
    }
  });
  std::map<std::uint32_t, int> count;
  for (const TRec& r : Records(bytes)) ++count[r.type];
  EXPECT_EQ(count[emf::EMR_CREATEPEN], 1);
  EXPECT_EQ(count[emf::EMR_EXTCREATEFONTINDIRECTW], 1);
  EXPECT_EQ(count[emf::EMR_SETTEXTCOLOR], 1);
  EXPECT_EQ(count[emf::EMR_LINETO], 10);
  EXPECT_EQ(count[emf::EMR_EXTTEXTOUTW], 10);
}

TEST(EmfRecorder, TextRecordLayoutAndAdvancesFromMetrics) {
  TLogFont font;
  font.height = 20;
  font.escapement = 2700;
  const auto bytes = RecordPage([&](TCanvas& c) {
    c.SetFont(font);
    c.TextOut(30, 40, "Abc", {false, true, false, {1, 2, 3, 4}});
  });
  const auto recs = Records(bytes);
  const TRec* text = FindRecord(recs, emf::EMR_EXTTEXTOUTW);
  ASSERT_NE(text, nullptr);
  const auto at = [&](std::uint32_t off) { return U32At(bytes, text->offset + off); };
  EXPECT_EQ(text->size % 4, 0u);
  EXPECT_EQ(at(36), 30u);
  EXPECT_EQ(at(40), 40u);
  EXPECT_EQ(at(44), 3u);
  EXPECT_EQ(at(48), 76u);
  EXPECT_EQ(at(52), emf::ETO_CLIPPED);
  EXPECT_EQ(at(56), 1u);
  EXPECT_EQ(at(68), 4u);
  const std::uint32_t offDx = at(72);
  EXPECT_EQ(offDx, 84u);  // 3 UTF-16 units padded to 8 bytes
  EXPECT_EQ(text->size, offDx + 12);
  EXPECT_EQ(std::memcmp(bytes.data() + text->offset + 76, u"Abc", 6), 0);
  TFixedPitchTextMetrics metrics(96);
  const auto advances = metrics.CharAdvances(font, "Abc");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(std::int32_t(at(offDx + 4 * i)), advances[i]);

  // The font record: 368 bytes, negative height, escapement and orientation.
  const TRec* fr = FindRecord(recs, emf::EMR_EXTCREATEFONTINDIRECTW);
  ASSERT_NE(fr, nullptr);
  EXPECT_EQ(fr->size, 368u);
  EXPECT_EQ(std::int32_t(U32At(bytes, fr->offset + 12)), -20);
  EXPECT_EQ(U32At(bytes, fr->offset + 20), 2700u);
  EXPECT_EQ(U32At(bytes, fr->offset + 24), 2700u);
  EXPECT_EQ(bytes[fr->offset + 36], 7);
  EXPECT_EQ(std::memcmp(bytes.data() + fr->offset + 40, u"Arial", 12), 0);
  EXPECT_EQ(U32At(bytes, fr->offset + 360), 0x08007664u);

  // The played text carries the same advances.
  TCanvasLog log;
  TEmfPlayer::Play(bytes, log, {0, 0, 400, 300});
  ASSERT_EQ(log.dxs.size(), 1u);
  EXPECT_EQ(log.dxs[0], advances);
}

TEST(EmfRecorder, GivenAdvancesAreKeptAndSurrogatePairsCountTwice) {
  const int dx[] = {7, 8, 0, 9};
  const auto bytes = RecordPage([&](TCanvas& c) { c.TextOut(0, 0, "a𝄞b", {}, dx); });
  TCanvasLog log;
  TEmfPlayer::Play(bytes, log, {0, 0, 400, 300});
  ASSERT_EQ(log.dxs.size(), 1u);
  EXPECT_EQ(log.dxs[0], (std::vector<int>{7, 8, 0, 9}));
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_NE(log.lines[0].find("\"a𝄞b\""), std::string::npos);
}

TEST(EmfRecorder, CallsAfterFinishThrow) {
  TFixedPitchTextMetrics metrics;
  TEmfRecorder rec(metrics, 10, 10);
  rec.Finish();
  EXPECT_THROW(rec.LineTo(1, 1), EReportError);
  EXPECT_THROW(rec.Finish(), EReportError);
}

TEST(EmfPlayer, StretchesTheFrameOntoTheDestination) {
  const auto bytes = RecordPage([](TCanvas& c) {
    c.SetPen({TPenStyle::Solid, 3, colors::Black});
    c.MoveTo(0, 0);
    c.LineTo(400, 300);
    TLogFont f;
    f.height = 10;
    c.SetFont(f);
    c.TextOut(100, 50, "ab", {}, std::vector<int>{6, 5});
  });
  TCanvasLog log;
  TEmfPlayer::Play(bytes, log, {10, 20, 810, 620});
  ASSERT_EQ(log.lines.size(), 2u);
  EXPECT_EQ(log.lines[0], "Line(10,20->810,620) pen=0/6/000000");
  EXPECT_NE(log.lines[1].find("Text(210,120,\"ab\") font=Arial/20/"), std::string::npos) << log.lines[1];
  EXPECT_EQ(log.dxs[0], (std::vector<int>{12, 10}));
}

}  // namespace

namespace {

TEST(EmfPlayer, StretchesEachAxisOnItsOwnAndHonoursTheFrameOrigin) {
  struct TCase {
    const char* name;
    TRect dest;
    std::int32_t frameLeft, frameTop;  // 0.01 mm
    const char* line;                  // the played line from (100,50) to (300,250)
    std::vector<int> downDx;           // advances of text running downward
  };
  const TCase cases[] = {
      {"identity", {0, 0, 400, 300}, 0, 0, "Line(100,50->300,250) pen=0/1/000000", {10, 10}},
      {"twice as wide", {0, 0, 800, 300}, 0, 0, "Line(200,50->600,250) pen=0/1/000000", {10, 10}},
      {"twice as tall", {0, 0, 400, 600}, 0, 0, "Line(100,100->300,500) pen=0/1/000000", {20, 20}},
      // A frame starting 100 pixels (2646 hundredths of a millimetre) in:
      // its left edge lands on the destination's left edge.
      {"frame origin", {0, 0, 400, 300}, 2646, 1323, "Line(0,0->200,200) pen=0/1/000000", {10, 10}},
  };
  for (const TCase& c : cases) {
    auto bytes = RecordPage([](TCanvas& can) {
      can.MoveTo(100, 50);
      can.LineTo(300, 250);
      TLogFont f;
      f.escapement = 2700;
      can.SetFont(f);
      can.TextOut(0, 0, "ab", {}, std::vector<int>{10, 10});
    });
    // Move the frame, keeping its size.
    const std::int32_t w = std::int32_t(U32At(bytes, 32)), h = std::int32_t(U32At(bytes, 36));
    PutU32At(bytes, 24, std::uint32_t(c.frameLeft));
    PutU32At(bytes, 28, std::uint32_t(c.frameTop));
    PutU32At(bytes, 32, std::uint32_t(w + c.frameLeft));
    PutU32At(bytes, 36, std::uint32_t(h + c.frameTop));
    TCanvasLog log;
    TEmfPlayer::Play(bytes, log, c.dest);
    ASSERT_EQ(log.lines.size(), 2u) << c.name;
    EXPECT_EQ(log.lines[0], c.line) << c.name;
    EXPECT_EQ(log.dxs[0], c.downDx) << c.name;
  }
}

}  // namespace
