#pragma once

#include <QImage>
#include <QSizeF>
#include <QString>
#include <cstdint>
#include <span>

// Renders a stored page (an enhanced metafile) through the EMF player and the
// QPainter canvas, at the size of the metafile's frame. Both throw
// EReportError "Metafile is not valid" for a malformed page.

// The page's frame in millimetres, across and down.
QSizeF PageSizeMm(std::span<const std::uint8_t> page);

// An image of the page at `dpi` pixels per inch, white background.
QImage RenderPageImage(std::span<const std::uint8_t> page, int dpi = 96);

// A one-page PDF of the page's frame size; text stays text. `dpi` is the
// resolution the page is drawn at inside the PDF. Written as TPdfFile
// writes; throws its errors.
void WritePagePdf(std::span<const std::uint8_t> page, const QString& fileName, int dpi = 1200);
