#pragma once

#include <optional>
#include <string_view>
#include <utility>

#include "definition/report_unit.h"

// Paper sizes in the order the printer dialog lists them and hands back.
enum class TPaperSize {
  Default = 0, Letter, LetterSmall, Tabloid, Ledger, Legal, Statement, Executive,
  A3, A4, A4Small, A5, B4, B5, Folio, Quarto, Paper10X14, Paper11X17, Note,
  Env9, Env10, Env11, Env12, Env14, CSheet, DSheet, ESheet, Custom,
};
inline constexpr int kPaperSizeCount = 28;

// The paper size with this ordinal, or nothing outside 0 to 27.
std::optional<TPaperSize> PaperSizeFromOrdinal(int ordinal);

// The size's name as the printer dialog lists it ("Default", "letter",
// "LetterSmall", ... "10X14", ... "Custom"), and back, in any letter case.
const char* PaperSizeName(TPaperSize size);
std::optional<TPaperSize> PaperSizeFromName(std::string_view name);

// Portrait width and length in millimetres of a named size; nothing for
// Default and Custom, whose dimensions are never applied.
std::optional<std::pair<long double, long double>> PaperDimensionsMM(TPaperSize size);

// The paper a new page starts on, and the one taken where a printer tells
// of none: Letter for the U.S. measurement system, else A4.
TPaperSize DefaultPaperSize(TMeasurementSystem system);

// The printer's orientation.
enum class TPrinterOrientation { poPortrait = 0, poLandscape = 1 };
