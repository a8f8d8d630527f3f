#include "output/stored_page.h"

#include "definition/report_error.h"

std::size_t TStoredPage::StatedLength(std::span<const std::uint8_t> prefix) {
  const TEmfHeader h = ReadEmfHeader(prefix);
  if (h.bytes > kMaxLength) throw EReportError("Metafile is not valid");
  return h.bytes;
}

TStoredPage TStoredPage::FromBytes(std::vector<std::uint8_t> bytes) {
  if (StatedLength(bytes) != bytes.size()) throw EReportError("Metafile is not valid");
  const TEmfHeader header = TEmfPlayer::Validate(bytes);
  return TStoredPage(std::move(bytes), header);
}

void TStoredPage::Play(TCanvas& canvas, const TRect& dest) const {
  TEmfPlayer::Play(bytes_, canvas, dest);
}
