#include "output/emf_player.h"

#include <gtest/gtest.h>

#include <random>

#include "canvas_log.h"
#include "emf_test_util.h"
#include "output/emf_format.h"
#include "definition/report_error.h"

namespace {

// A page with every kind of record the recorder writes.
std::vector<std::uint8_t> SamplePage() {
  return RecordPage([](TCanvas& c) {
    c.SetPen({TPenStyle::Dash, 2, colors::Red});
    c.MoveTo(1, 2);
    c.LineTo(300, 2);
    c.SetBrush({TBrushStyle::Solid, colors::BtnFace});
    c.FillRect({5, 5, 50, 50});
    c.Rectangle({10, 10, 60, 60});
    c.Ellipse({20, 20, 80, 70});
    c.Save();
    c.IntersectClipRect({0, 0, 100, 100});
    TLogFont f;
    f.escapement = 2700;
    c.SetFont(f);
    c.SetBkMode(TBkMode::Transparent);
    c.SetTextAlign({THorzTextAlign::Right, TVertTextAlign::Baseline, false});
    c.TextOut(50, 60, "Hello", {false, true, false, {0, 0, 90, 90}});
    c.Restore();
    c.RemoveClip();
    c.TextOut(5, 200, "World");
  });
}

void ExpectInvalid(const std::vector<std::uint8_t>& bytes) {
  TCanvasLog log;
  try {
    TEmfPlayer::Play(bytes, log, {0, 0, 400, 300});
    ADD_FAILURE() << "accepted";
  } catch (const EReportError& e) {
    EXPECT_STREQ(e.what(), "Metafile is not valid");
  }
  EXPECT_TRUE(log.lines.empty()) << "drew before finding the fault";
}

struct TCorruption {
  const char* name;
  std::function<void(std::vector<std::uint8_t>&)> apply;
};

void PrintTo(const TCorruption& s, std::ostream* os) { *os << s.name; }


// The offset of the first record of `type` in b.
std::uint32_t Find(const std::vector<std::uint8_t>& b, std::uint32_t type) {
  const auto recs = Records(b);
  const TRec* r = FindRecord(recs, type);
  if (!r) throw std::logic_error("no such record");
  return r->offset;
}

const TCorruption kCorruptions[] = {
    {"not a header first", [](auto& b) { PutU32At(b, 0, 2); }},
    {"bad signature", [](auto& b) { b[40] = 'X'; }},
    {"header size too small", [](auto& b) { PutU32At(b, 4, 84); }},
    {"header size unaligned", [](auto& b) { PutU32At(b, 4, 110); }},
    {"header size beyond the file", [](auto& b) { PutU32At(b, 4, std::uint32_t(b.size() + 4)); }},
    {"stated length beyond the data", [](auto& b) { PutU32At(b, 48, std::uint32_t(b.size() + 4)); }},
    {"stated length short of EOF", [](auto& b) { PutU32At(b, 48, std::uint32_t(b.size() - 20)); }},
    {"record count too high", [](auto& b) { PutU32At(b, 52, U32At(b, 52) + 1); }},
    {"record count two too low", [](auto& b) { PutU32At(b, 52, U32At(b, 52) - 2); }},
    {"no handles", [](auto& b) { PutU32At(b, 56, 0); }},
    {"zero device size", [](auto& b) { PutU32At(b, 72, 0); }},
    {"negative millimetres", [](auto& b) { PutU32At(b, 84, std::uint32_t(-5)); }},
    {"inverted frame", [](auto& b) { PutU32At(b, 32, std::uint32_t(-100)); }},
    {"description outside the header", [](auto& b) { PutU32At(b, 60, 10); PutU32At(b, 64, 100); }},
    {"record size zero", [](auto& b) { PutU32At(b, 112, 0); }},
    {"record size unaligned", [](auto& b) { PutU32At(b, 112, 13); }},
    {"record size past the end", [](auto& b) { PutU32At(b, 112, 0x7FFFFFF0); }},
    {"record size wraps", [](auto& b) { PutU32At(b, 112, 0xFFFFFFFC); }},
    {"no EOF record", [](auto& b) { PutU32At(b, b.size() - 20, 70); }},
    {"second header", [](auto& b) { PutU32At(b, Find(b, emf::EMR_LINETO), 1); }},
    {"line record too short", [](auto& b) {
       const auto off = Find(b, emf::EMR_MOVETOEX);
       PutU32At(b, off + 4, 8);  // the freed 8 bytes become a bogus record
       PutU32At(b, off + 8, 70);
       PutU32At(b, off + 12, 8);
       PutU32At(b, 52, U32At(b, 52) + 1);
     }},
    {"pen index out of the table", [](auto& b) { PutU32At(b, Find(b, emf::EMR_CREATEPEN) + 8, 500); }},
    {"pen index zero", [](auto& b) { PutU32At(b, Find(b, emf::EMR_CREATEPEN) + 8, 0); }},
    {"delete index out of the table", [](auto& b) { PutU32At(b, Find(b, emf::EMR_DELETEOBJECT) + 8, 9999); }},
    {"font record shorter than a LOGFONT", [](auto& b) {
       const auto off = Find(b, emf::EMR_EXTCREATEFONTINDIRECTW);
       // Split the 368 bytes into a 100-byte font record and a skipped one.
       PutU32At(b, off + 4, 100);
       PutU32At(b, off + 100, 70);
       PutU32At(b, off + 104, 268);
       PutU32At(b, 52, U32At(b, 52) + 1);
     }},
    {"string offset past the record", [](auto& b) {
       const auto off = Find(b, emf::EMR_EXTTEXTOUTW);
       PutU32At(b, off + 48, U32At(b, off + 4) - 2);
     }},
    {"string offset inside the type field", [](auto& b) { PutU32At(b, Find(b, emf::EMR_EXTTEXTOUTW) + 48, 2); }},
    {"string longer than the record", [](auto& b) {
       PutU32At(b, Find(b, emf::EMR_EXTTEXTOUTW) + 44, 1000);
     }},
    {"character count overflows", [](auto& b) {
       PutU32At(b, Find(b, emf::EMR_EXTTEXTOUTW) + 44, 0x80000001u);
     }},
    {"Dx offset past the record", [](auto& b) {
       const auto off = Find(b, emf::EMR_EXTTEXTOUTW);
       PutU32At(b, off + 72, U32At(b, off + 4) - 8);
     }},
    {"Dx with y advances does not fit", [](auto& b) {
       const auto off = Find(b, emf::EMR_EXTTEXTOUTW);
       PutU32At(b, off + 52, U32At(b, off + 52) | emf::ETO_PDY);
     }},
    {"text record without its fields", [](auto& b) {
       const auto off = Find(b, emf::EMR_EXTTEXTOUTW);
       const auto size = U32At(b, off + 4);
       PutU32At(b, off + 4, 40);
       PutU32At(b, off + 40, 70);
       PutU32At(b, off + 44, size - 40);
       PutU32At(b, 52, U32At(b, 52) + 1);
     }},
    {"bitmap beyond its transfer record", [](auto& b) {
       const auto off = Find(b, emf::EMR_BITBLT);
       PutU32At(b, off + 84, 96);
       PutU32At(b, off + 88, 40);
     }},
    {"clip region data beyond its record", [](auto& b) {
       PutU32At(b, Find(b, emf::EMR_EXTSELECTCLIPRGN) + 8, 4);
     }},
    {"palette beyond the EOF record", [](auto& b) { PutU32At(b, b.size() - 12, 3); }},
};

// Windows plays these: a count that leaves out the header, and selections
// of objects that are not there, which select nothing new.
const TCorruption kTolerated[] = {
    {"record count one too low", [](auto& b) { PutU32At(b, 52, U32At(b, 52) - 1); }},
    {"selects an index never created", [](auto& b) {
       PutU32At(b, 56, 40);
       PutU32At(b, Find(b, emf::EMR_SELECTOBJECT) + 8, 33);
     }},
    {"selects a deleted object", [](auto& b) {
       // Turn the first selection into a deletion of the object just created.
       const auto create = Find(b, emf::EMR_CREATEPEN);
       const auto sel = Find(b, emf::EMR_SELECTOBJECT);
       PutU32At(b, create + 28 + 0, emf::EMR_DELETEOBJECT);  // record after CREATEPEN is the select
       PutU32At(b, create + 28 + 8, U32At(b, create + 8));
       (void)sel;
       // A later select of the same index now refers to nothing.
       const auto recs = Records(b);
       for (const TRec& r : recs) {
         if (r.type == emf::EMR_MOVETOEX) {
           PutU32At(b, r.offset, emf::EMR_SELECTOBJECT);
           PutU32At(b, r.offset + 4, 16);
           PutU32At(b, r.offset + 8, U32At(b, create + 8));
           break;
         }
       }
     }},
};

TEST(EmfPlayer, PlaysWhatWindowsPlays) {
  for (const TCorruption& c : kTolerated) {
    auto bytes = SamplePage();
    c.apply(bytes);
    TCanvasLog log;
    EXPECT_NO_THROW(TEmfPlayer::Play(bytes, log, {0, 0, 400, 300})) << c.name;
    EXPECT_FALSE(log.lines.empty()) << c.name;
  }
}

class Malformed : public testing::TestWithParam<TCorruption> {};

TEST_P(Malformed, FailsWithoutDrawing) {
  auto bytes = SamplePage();
  {
    TCanvasLog log;
    ASSERT_NO_THROW(TEmfPlayer::Play(bytes, log, {0, 0, 400, 300}));
  }
  GetParam().apply(bytes);
  ExpectInvalid(bytes);
}

INSTANTIATE_TEST_SUITE_P(Corruptions, Malformed, testing::ValuesIn(kCorruptions),
                         [](const auto& info) {
                           std::string n = info.param.name;
                           for (char& ch : n) {
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return n;
                         });

// Each saved level holds a copy of the drawing state, so saves nest only so
// deep; saves that are restored again may come any number of times.
TEST(EmfPlayer, SavesNestNoDeeperThanTheBound) {
  const struct {
    int nested, rounds;
    bool valid;
  } cases[] = {{kMaxSaveDepth, 1, true}, {kMaxSaveDepth + 1, 1, false}, {2, 2 * kMaxSaveDepth, true}};
  for (const auto& c : cases) {
    const auto bytes = RecordPage([&c](TCanvas& canvas) {
      for (int round = 0; round < c.rounds; ++round) {
        for (int i = 0; i < c.nested; ++i) canvas.Save();
        for (int i = 0; i < c.nested; ++i) canvas.Restore();
      }
      canvas.LineTo(5, 5);
    });
    SCOPED_TRACE(c.nested);
    if (c.valid) {
      TCanvasLog log;
      EXPECT_NO_THROW(TEmfPlayer::Play(bytes, log, {0, 0, 400, 300}));
    } else {
      EXPECT_THROW(TEmfPlayer::Validate(bytes), EReportError);
      ExpectInvalid(bytes);
    }
  }
}

TEST(EmfPlayer, EveryTruncationIsRefused) {
  const auto bytes = SamplePage();
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + n);
    EXPECT_THROW(TEmfPlayer::Validate(cut), EReportError) << n;
  }
}

TEST(EmfPlayer, ByteFlipsEitherPlayOrFailCleanly) {
  const auto page = SamplePage();
  std::mt19937 rng(42);
  int refused = 0;
  for (int round = 0; round < 3000; ++round) {
    auto bytes = page;
    const int flips = 1 + round % 4;
    for (int k = 0; k < flips; ++k) {
      bytes[rng() % bytes.size()] ^= std::uint8_t(1u << (rng() % 8));
    }
    TCanvasLog log;
    try {
      TEmfPlayer::Play(bytes, log, {0, 0, 400, 300});
    } catch (const EReportError&) {
      ++refused;
    }
  }
  EXPECT_GT(refused, 0);
}

TEST(EmfPlayer, SkipsUnknownRecordsAndTrailingBytes) {
  auto bytes = SamplePage();
  TCanvasLog expected;
  TEmfPlayer::Play(bytes, expected, {0, 0, 400, 300});
  // Insert an unknown 16-byte record and a GDI comment after the header.
  std::vector<std::uint8_t> extra(16 + 20, 0);
  PutU32At(extra, 0, 0x7777);
  PutU32At(extra, 4, 16);
  PutU32At(extra, 16, 70);  // EMR_GDICOMMENT
  PutU32At(extra, 20, 20);
  PutU32At(extra, 24, 8);
  bytes.insert(bytes.begin() + 108, extra.begin(), extra.end());
  PutU32At(bytes, 48, U32At(bytes, 48) + 36);
  PutU32At(bytes, 52, U32At(bytes, 52) + 2);
  // Bytes after the metafile (the next page of a stream) are not read.
  bytes.insert(bytes.end(), {1, 2, 3, 4, 5});
  TCanvasLog log;
  TEmfPlayer::Play(bytes, log, {0, 0, 400, 300});
  EXPECT_EQ(log.lines, expected.lines);
}

TEST(EmfPlayer, ReadsTheShortHeaderForms) {
  // An 88-byte header (no pixel-format or micrometre fields) reads alike.
  auto bytes = SamplePage();
  TCanvasLog expected;
  TEmfPlayer::Play(bytes, expected, {0, 0, 400, 300});
  bytes.erase(bytes.begin() + 88, bytes.begin() + 108);
  PutU32At(bytes, 4, 88);
  PutU32At(bytes, 48, U32At(bytes, 48) - 20);
  TCanvasLog log;
  TEmfPlayer::Play(bytes, log, {0, 0, 400, 300});
  ASSERT_EQ(log.lines.size(), expected.lines.size());
  // Millimetres alone give the same scale here: 9600 px per 2540 mm.
  EXPECT_EQ(log.lines, expected.lines);
}

TEST(EmfPlayer, TextWithoutRectangleOrAdvances) {
  // The optional rectangle (ETO_NO_RECT) moves offDx forward; offDx 0 means
  // the font's own advances.
  std::vector<std::uint8_t> b = RecordPage([](TCanvas&) {});
  const auto eof = b.size() - 20;
  std::vector<std::uint8_t> rec(64, 0);
  PutU32At(rec, 0, emf::EMR_EXTTEXTOUTW);
  PutU32At(rec, 4, 64);
  PutU32At(rec, 36, 7);
  PutU32At(rec, 40, 9);
  PutU32At(rec, 44, 2);
  PutU32At(rec, 48, 60);
  PutU32At(rec, 52, emf::ETO_NO_RECT);
  PutU32At(rec, 56, 0);
  rec[60] = 'o';
  rec[62] = 'k';
  b.insert(b.begin() + eof, rec.begin(), rec.end());
  PutU32At(b, 48, U32At(b, 48) + 64);
  PutU32At(b, 52, U32At(b, 52) + 1);
  TCanvasLog log;
  TEmfPlayer::Play(b, log, {0, 0, 400, 300});
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0].substr(0, 15), "Text(7,9,\"ok\") ");
  EXPECT_TRUE(log.dxs[0].empty());
}

// Records the shapes' rectangles as the player hands them over.
class TShapeLog : public TCanvasLog {
 public:
  std::vector<TRect> shapes;
  void Rectangle(const TRect& r) override { shapes.push_back(r); }
  void Ellipse(const TRect& r) override { shapes.push_back(r); }
  void FillRect(const TRect& r) override { shapes.push_back(r); }
};

struct TEdgeCase {
  const char* name;
  std::uint32_t type;   // the record to patch
  std::uint32_t field;  // offset in that record
  std::int32_t value;
  bool far_edge;        // the far (right or bottom) edge moves, not the near one
  bool across;          // x, else y
  std::uint32_t field2 = 0;  // a second field to patch, when not 0
  std::int32_t value2 = 0;
};

void PrintTo(const TEdgeCase& c, std::ostream* os) { *os << c.name; }

class ExtremeEdges : public testing::TestWithParam<TEdgeCase> {};

// Coordinates at the ends of the 32-bit range are clamped where they are
// drawn, never wrapped to the other end (an inclusive edge of 2147483647
// is widened by one).
TEST_P(ExtremeEdges, ClampTowardsTheirOwnEnd) {
  const TEdgeCase& c = GetParam();
  auto bytes = RecordPage([](TCanvas& cv) {
    cv.SetBrush({TBrushStyle::Solid, colors::Red});
    cv.FillRect({5, 5, 50, 50});
    cv.Rectangle({10, 10, 60, 60});
    cv.Ellipse({20, 20, 80, 70});
  });
  const std::uint32_t off = Find(bytes, c.type);
  PutU32At(bytes, off + c.field, std::uint32_t(c.value));
  if (c.field2 != 0) PutU32At(bytes, off + c.field2, std::uint32_t(c.value2));
  TShapeLog log;
  TEmfPlayer::Play(bytes, log, {0, 0, 400, 300});
  ASSERT_EQ(log.shapes.size(), 3u);
  const std::size_t index = c.type == emf::EMR_BITBLT ? 0 : c.type == emf::EMR_RECTANGLE ? 1 : 2;
  const TRect& r = log.shapes[index];
  const int edge = c.far_edge ? (c.across ? r.right : r.bottom) : (c.across ? r.left : r.top);
  if (c.value > 0) {
    EXPECT_GT(edge, 1000000) << "wrapped to " << edge;
  } else {
    EXPECT_LT(edge, -1000000) << "wrapped to " << edge;
  }
}

const TEdgeCase kEdgeCases[] = {
    {"rectangle_right_max", emf::EMR_RECTANGLE, 16, INT32_MAX, true, true},
    {"rectangle_bottom_max", emf::EMR_RECTANGLE, 20, INT32_MAX, true, false},
    {"ellipse_right_max", emf::EMR_ELLIPSE, 16, INT32_MAX, true, true},
    {"ellipse_bottom_max", emf::EMR_ELLIPSE, 20, INT32_MAX, true, false},
    // A fill whose extent runs back past the start of the range.
    {"fill_left_below_min", emf::EMR_BITBLT, 24, INT32_MIN, false, true, 32, -1},
    {"fill_top_below_min", emf::EMR_BITBLT, 28, INT32_MIN, false, false, 36, -1},
};

INSTANTIATE_TEST_SUITE_P(Overflow, ExtremeEdges, testing::ValuesIn(kEdgeCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
