#include "definition/paper.h"

#include <array>
#include <cctype>

namespace {

// Portrait width and length in millimetres, from Letter (ordinal 1) to
// ESheet (ordinal 26).
constexpr std::array<std::pair<long double, long double>, 26> kPaperTable = {{
    {215.9L, 279.4L},  // Letter
    {215.9L, 279.4L},  // LetterSmall
    {279.4L, 431.8L},  // Tabloid
    {431.8L, 279.4L},  // Ledger: wider than long
    {215.9L, 355.6L},  // Legal
    {139.7L, 215.9L},  // Statement
    {190.5L, 254.0L},  // Executive
    {297.0L, 420.0L},  // A3
    {210.0L, 297.0L},  // A4
    {210.0L, 297.0L},  // A4Small
    {148.0L, 210.0L},  // A5
    {250.0L, 354.0L},  // B4
    {182.0L, 257.0L},  // B5
    {215.9L, 330.2L},  // Folio
    {215.0L, 275.0L},  // Quarto
    {254.0L, 355.6L},  // Paper10X14
    {279.4L, 431.8L},  // Paper11X17
    {215.9L, 279.0L},  // Note: 279.0, not 279.4
    {98.43L, 225.4L},  // Env9
    {104.8L, 241.3L},  // Env10
    {114.3L, 263.5L},  // Env11
    {101.6L, 279.4L},  // Env12
    {127.0L, 292.1L},  // Env14
    {100.0L, 100.0L},  // CSheet
    {100.0L, 100.0L},  // DSheet
    {100.0L, 100.0L},  // ESheet
}};

constexpr std::array<const char*, kPaperSizeCount> kPaperNames = {
    "Default", "letter", "LetterSmall", "Tabloid", "Ledger", "Legal",  "Statement", "Executive",
    "A3",      "A4",     "A4Small",     "A5",      "B4",     "B5",     "Folio",     "Quarto",
    "10X14",   "11X17",  "Note",        "Env9",    "Env10",  "Env11",  "Env12",     "Env14",
    "CSheet",  "DSheet", "ESheet",      "Custom"};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}
}  // namespace

const char* PaperSizeName(TPaperSize size) {
  const int ordinal = static_cast<int>(size);
  return ordinal >= 0 && ordinal < kPaperSizeCount ? kPaperNames[std::size_t(ordinal)] : "";
}

std::optional<TPaperSize> PaperSizeFromName(std::string_view name) {
  for (int i = 0; i < kPaperSizeCount; ++i)
    if (SameIgnoringCase(kPaperNames[std::size_t(i)], name)) return static_cast<TPaperSize>(i);
  return std::nullopt;
}

std::optional<TPaperSize> PaperSizeFromOrdinal(int ordinal) {
  if (ordinal < 0 || ordinal >= kPaperSizeCount) return std::nullopt;
  return static_cast<TPaperSize>(ordinal);
}

std::optional<std::pair<long double, long double>> PaperDimensionsMM(TPaperSize size) {
  const int ordinal = static_cast<int>(size);
  if (ordinal < static_cast<int>(TPaperSize::Letter) || ordinal > static_cast<int>(TPaperSize::ESheet))
    return std::nullopt;
  return kPaperTable[ordinal - 1];
}

TPaperSize DefaultPaperSize(TMeasurementSystem system) {
  return system == TMeasurementSystem::UnitedStates ? TPaperSize::Letter : TPaperSize::A4;
}
