#pragma once

#include <cstdint>
#include <span>

#include "graphics/canvas.h"

// The facts of an enhanced metafile's header record.
struct TEmfHeader {
  std::uint32_t headerSize = 0;  // bytes of the header record
  TRect bounds;                  // inclusive, device pixels
  TRect frame;                   // inclusive, 0.01 mm
  std::uint32_t bytes = 0;       // length of the whole metafile
  std::uint32_t records = 0;     // records, header and EOF included
  std::uint16_t handles = 0;     // object table size, index 0 reserved
  int deviceWidth = 0, deviceHeight = 0;  // reference device, pixels
  int millimetersWidth = 0, millimetersHeight = 0;
  std::int64_t micrometersWidth = 0, micrometersHeight = 0;  // 0 when absent

  // Reference-device pixels per 0.01 mm across and down.
  double PixelsPerHundredthMmX() const;
  double PixelsPerHundredthMmY() const;
  // The frame's width and length, 0.01 mm (the frame is inclusive).
  double FrameWidth() const { return double(frame.right) - frame.left + 1; }
  double FrameLength() const { return double(frame.bottom) - frame.top + 1; }
  // The frame's size in reference-device pixels, rounded to whole pixels.
  int FrameWidthPx() const;
  int FrameHeightPx() const;
};

// Reads and checks the header record at the start of `data` (at least the
// 88-byte oldest form). Checks type, size, signature and plausible sizes, but
// not that `data` holds all of `bytes`. Throws EReportError
// "Metafile is not valid".
TEmfHeader ReadEmfHeader(std::span<const std::uint8_t> data);

// The deepest nesting of saved drawing states (EMR_SAVEDC) a metafile may
// reach. Every level holds a copy of the canvas's state (about 1.2 KB on a
// QPainter), so an unbounded stack lets a page of nothing but saves take
// 150 times its size. Our recorder nests one level; GDI itself documents no
// limit, but other writers stay within a few levels too, so 1024 is far
// beyond any real page and costs at most about a megabyte.
inline constexpr int kMaxSaveDepth = 1024;

// Replays enhanced metafiles as the platform plays them: the GDI records of
// [MS-EMF] from any writer, with their mapping modes, world transforms,
// paths, clip regions, bitmaps and text, onto the canvas. Records and
// objects it does not draw (EMF+ comments, palettes, flood fills, glyph
// index text, compressed bitmaps) are skipped, and selecting such an object
// selects nothing new. Only damage to the structure (record sizes, offsets
// and counts that would read outside a record or the file, object indices
// outside the header's table) refuses the metafile: it is validated whole
// before anything is drawn, so a malformed one draws nothing and fails with
// EReportError "Metafile is not valid"; no byte outside `data` is ever read.
// Bitmaps, regions and point lists are checked against their record before
// anything is allocated for them, so time and memory stay bounded by the
// metafile's size whatever its records claim.
class TEmfPlayer {
 public:
  // Checks every record of the metafile that starts `data` (which may be
  // followed by other bytes): sizes, alignment, offsets and string lengths
  // inside their records, object indices within the header's table, the
  // header's totals (a record count that leaves out the header is taken),
  // saves nested at most kMaxSaveDepth deep and the final EMR_EOF. Returns
  // the header.
  static TEmfHeader Validate(std::span<const std::uint8_t> data);

  // Validates, then draws the metafile onto `canvas` with its frame
  // stretched onto `dest` (device pixels of the canvas). The canvas's state
  // is saved before and restored after.
  static void Play(std::span<const std::uint8_t> data, TCanvas& canvas, const TRect& dest);
};
