#pragma once

// Record types, constants and little-endian helpers of the enhanced-metafile
// subset that stored pages use. Shared by the recorder and the player.

#include <cstdint>

#include "output/little_endian.h"

namespace emf {

enum RecordType : std::uint32_t {
  EMR_HEADER = 1,
  EMR_POLYBEZIER = 2,
  EMR_POLYGON = 3,
  EMR_POLYLINE = 4,
  EMR_POLYBEZIERTO = 5,
  EMR_POLYLINETO = 6,
  EMR_POLYPOLYLINE = 7,
  EMR_POLYPOLYGON = 8,
  EMR_SETWINDOWEXTEX = 9,
  EMR_SETWINDOWORGEX = 10,
  EMR_SETVIEWPORTEXTEX = 11,
  EMR_SETVIEWPORTORGEX = 12,
  EMR_EOF = 14,
  EMR_SETPIXELV = 15,
  EMR_SETMAPMODE = 17,
  EMR_SETBKMODE = 18,
  EMR_SETPOLYFILLMODE = 19,
  EMR_SETROP2 = 20,
  EMR_SETTEXTALIGN = 22,
  EMR_SETTEXTCOLOR = 24,
  EMR_SETBKCOLOR = 25,
  EMR_OFFSETCLIPRGN = 26,
  EMR_MOVETOEX = 27,
  EMR_EXCLUDECLIPRECT = 29,
  EMR_INTERSECTCLIPRECT = 30,
  EMR_SCALEVIEWPORTEXTEX = 31,
  EMR_SCALEWINDOWEXTEX = 32,
  EMR_SAVEDC = 33,
  EMR_RESTOREDC = 34,
  EMR_SETWORLDTRANSFORM = 35,
  EMR_MODIFYWORLDTRANSFORM = 36,
  EMR_SELECTOBJECT = 37,
  EMR_CREATEPEN = 38,
  EMR_CREATEBRUSHINDIRECT = 39,
  EMR_DELETEOBJECT = 40,
  EMR_ANGLEARC = 41,
  EMR_ELLIPSE = 42,
  EMR_RECTANGLE = 43,
  EMR_ROUNDRECT = 44,
  EMR_ARC = 45,
  EMR_CHORD = 46,
  EMR_PIE = 47,
  EMR_SELECTPALETTE = 48,
  EMR_CREATEPALETTE = 49,
  EMR_LINETO = 54,
  EMR_ARCTO = 55,
  EMR_POLYDRAW = 56,
  EMR_SETARCDIRECTION = 57,
  EMR_SETMITERLIMIT = 58,
  EMR_BEGINPATH = 59,
  EMR_ENDPATH = 60,
  EMR_CLOSEFIGURE = 61,
  EMR_FILLPATH = 62,
  EMR_STROKEANDFILLPATH = 63,
  EMR_STROKEPATH = 64,
  EMR_FLATTENPATH = 65,
  EMR_WIDENPATH = 66,
  EMR_SELECTCLIPPATH = 67,
  EMR_ABORTPATH = 68,
  EMR_GDICOMMENT = 70,
  EMR_FILLRGN = 71,
  EMR_FRAMERGN = 72,
  EMR_INVERTRGN = 73,
  EMR_PAINTRGN = 74,
  EMR_EXTSELECTCLIPRGN = 75,
  EMR_BITBLT = 76,
  EMR_STRETCHBLT = 77,
  EMR_MASKBLT = 78,
  EMR_PLGBLT = 79,
  EMR_SETDIBITSTODEVICE = 80,
  EMR_STRETCHDIBITS = 81,
  EMR_EXTCREATEFONTINDIRECTW = 82,
  EMR_EXTTEXTOUTA = 83,
  EMR_EXTTEXTOUTW = 84,
  EMR_POLYBEZIER16 = 85,
  EMR_POLYGON16 = 86,
  EMR_POLYLINE16 = 87,
  EMR_POLYBEZIERTO16 = 88,
  EMR_POLYLINETO16 = 89,
  EMR_POLYPOLYLINE16 = 90,
  EMR_POLYPOLYGON16 = 91,
  EMR_POLYDRAW16 = 92,
  EMR_CREATEMONOBRUSH = 93,
  EMR_CREATEDIBPATTERNBRUSHPT = 94,
  EMR_EXTCREATEPEN = 95,
  EMR_POLYTEXTOUTA = 96,
  EMR_POLYTEXTOUTW = 97,
  EMR_CREATECOLORSPACE = 99,
  EMR_SMALLTEXTOUT = 108,
  EMR_ALPHABLEND = 114,
  EMR_TRANSPARENTBLT = 116,
  EMR_GRADIENTFILL = 118,
  EMR_CREATECOLORSPACEW = 122,
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
