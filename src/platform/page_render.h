#pragma once

#include <QImage>
#include <QSizeF>
#include <QString>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "definition/report_error.h"

class QPainter;
class TCanvas;
struct TEmfHeader;

// Renders a stored page (an enhanced metafile) through the EMF player and the
// QPainter canvas, at the size of the metafile's frame. Both throw
// EReportError "Metafile is not valid" for a malformed page.

// The page's frame in millimetres, across and down.
QSizeF PageSizeMm(const TEmfHeader& page);

// An image of the page at `dpi` pixels per inch, white background.
QImage RenderPageImage(std::span<const std::uint8_t> page, int dpi = 96);

// The most pixels a PNG written here may have: an A4 page at 4800 dpi, the
// most rptool draws, with room to spare. Beyond that a page (a damaged
// frame, most likely) would take hours to draw.
inline constexpr double kMaxPngPixels = 4e9;
// The longest side such a PNG may have, in pixels: over five metres at
// 4800 dpi, far beyond any paper.
inline constexpr int kMaxPngSide = 1 << 20;

// Writes a PNG of width x height pixels marked with `dpi`, on white, that
// `draw` paints in the canvas's device pixels. The picture is drawn band by
// band, `draw` once per band of rows onto a canvas shifted to it, and each
// band is compressed before the next is drawn: memory stays near 32 MB
// whatever the size, where a whole A4 raster at 4800 dpi would take 9 GB.
// Throws EReportError "The page is too large to draw at %d dpi" beyond
// kMaxPngPixels, NotEnoughMemory(dpi) when a band cannot be had, and
// "Cannot write file %s".
void WriteBandedPng(const QString& fileName, int width, int height, int dpi,
                    const std::function<void(TCanvas&)>& draw);
// The same with `paint` given the band's painter, shifted to the band, to
// set a transformation of its own before it draws.
void WriteBandedPngPainted(const QString& fileName, int width, int height, int dpi,
                           const std::function<void(QPainter&)>& paint);

// What a picture whose memory cannot be had fails with: "Not enough memory
// to draw the picture at %d dpi".
EReportError NotEnoughMemory(int dpi);

// The page as a PNG at `dpi` pixels per inch, drawn as WriteBandedPng does.
void WritePagePng(std::span<const std::uint8_t> page, const QString& fileName, int dpi = 96);

// A one-page PDF of the page's frame size; text stays text. `dpi` is the
// resolution the page is drawn at inside the PDF. Written as TPdfFile
// writes; throws its errors.
void WritePagePdf(std::span<const std::uint8_t> page, const QString& fileName, int dpi = 1200);
