#pragma once

// Record types, constants and little-endian helpers of the enhanced-metafile
// subset that stored pages use. Shared by the recorder and the player.

#include <cstdint>

#include "output/little_endian.h"

namespace emf {

enum RecordType : std::uint32_t {
  EMR_HEADER = 1,
  EMR_EOF = 14,
  EMR_SETMAPMODE = 17,
  EMR_SETBKMODE = 18,
  EMR_SETTEXTALIGN = 22,
  EMR_SETTEXTCOLOR = 24,
  EMR_SETBKCOLOR = 25,
  EMR_MOVETOEX = 27,
  EMR_INTERSECTCLIPRECT = 30,
  EMR_SAVEDC = 33,
  EMR_RESTOREDC = 34,
  EMR_SELECTOBJECT = 37,
  EMR_CREATEPEN = 38,
  EMR_CREATEBRUSHINDIRECT = 39,
  EMR_DELETEOBJECT = 40,
  EMR_ELLIPSE = 42,
  EMR_RECTANGLE = 43,
  EMR_LINETO = 54,
  EMR_EXTSELECTCLIPRGN = 75,
  EMR_BITBLT = 76,
  EMR_EXTCREATEFONTINDIRECTW = 82,
  EMR_EXTTEXTOUTW = 84,
};

inline constexpr std::uint32_t kSignature = 0x464D4520;  // " EMF"
inline constexpr std::uint32_t kVersion = 0x00010000;
inline constexpr std::uint32_t kHeaderSize = 108;     // the form we write
inline constexpr std::uint32_t kMinHeaderSize = 88;   // the oldest form readers meet
inline constexpr std::uint32_t kStockObject = 0x80000000u;
inline constexpr std::uint32_t kMapModeText = 1;
inline constexpr std::uint32_t kRgnCopy = 5;
inline constexpr std::uint32_t kPatCopy = 0x00F00021;

// Text alignment bits (EMR_SETTEXTALIGN).
inline constexpr std::uint32_t TA_UPDATECP = 1;
inline constexpr std::uint32_t TA_RIGHT = 2;
inline constexpr std::uint32_t TA_CENTER = 6;
inline constexpr std::uint32_t TA_BOTTOM = 8;
inline constexpr std::uint32_t TA_BASELINE = 0x18;
inline constexpr std::uint32_t TA_RTLREADING = 0x100;

// EMR_EXTTEXTOUTW options.
inline constexpr std::uint32_t ETO_OPAQUE = 2;
inline constexpr std::uint32_t ETO_CLIPPED = 4;
inline constexpr std::uint32_t ETO_RTLREADING = 0x80;
inline constexpr std::uint32_t ETO_NO_RECT = 0x100;
inline constexpr std::uint32_t ETO_PDY = 0x2000;

// Fixed sizes of the records we write.
inline constexpr std::uint32_t kFontRecordSize = 368;
inline constexpr std::uint32_t kTextRecordFixedSize = 76;
inline constexpr std::uint32_t kBitBltSize = 100;

// The record code reads and writes through the shared little-endian helpers.
using le::Get16;
using le::Get32;
using le::GetI32;
using le::Put16;
using le::Put32;
using le::PutF32;
using le::PutI32;
using le::Set32;

}  // namespace emf
