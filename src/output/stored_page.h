#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "graphics/canvas.h"
#include "output/emf_player.h"

// One generated page as the page store keeps it: the bytes of an enhanced
// metafile. The metafile's header states its length, so a reader of a
// stream of pages reads kLengthPrefixSize bytes, asks StatedLength how long
// the page is, and consumes exactly that many bytes.
class TStoredPage {
 public:
  // Enough leading bytes to learn a page's length (the oldest header form).
  static constexpr std::size_t kLengthPrefixSize = 88;
  // Pages longer than this are refused as corrupt rather than allocated.
  static constexpr std::size_t kMaxLength = 64u * 1024u * 1024u;

  // The whole length of the page whose first bytes are `prefix` (at least
  // kLengthPrefixSize of them). Throws EReportError "Metafile is not valid"
  // when the prefix is not a metafile header or states an implausible length.
  static std::size_t StatedLength(std::span<const std::uint8_t> prefix);

  // Takes a complete metafile, validating every record. `bytes` must be
  // exactly as long as its header states. Throws EReportError
  // "Metafile is not valid".
  static TStoredPage FromBytes(std::vector<std::uint8_t> bytes);

  // The metafile; its size is the length the header states.
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  std::size_t Size() const { return bytes_.size(); }
  const TEmfHeader& Header() const { return header_; }
  // The page's size in pixels of the reference context it was recorded on.
  int WidthPx() const { return header_.FrameWidthPx(); }
  int HeightPx() const { return header_.FrameHeightPx(); }

  // Draws the page onto `canvas`, stretched onto `dest` (device pixels).
  void Play(TCanvas& canvas, const TRect& dest) const;

 private:
  TStoredPage(std::vector<std::uint8_t> bytes, const TEmfHeader& header)
      : bytes_(std::move(bytes)), header_(header) {}
  std::vector<std::uint8_t> bytes_;
  TEmfHeader header_;
};
