#pragma once

#include <QString>

class TCustomReport;

// Writes the designer's picture of a report (bands, rulers, outlines,
// elements) to a PNG or, for a name ending in ".pdf", a PDF, scaled from
// the reference context's resolution to `dpi`. Written as TPdfFile and
// WriteBandedPng write (a PNG band by band, in bounded memory); throws
// their errors.
void WriteDesignPicture(TCustomReport& report, const QString& fileName, int dpi);
