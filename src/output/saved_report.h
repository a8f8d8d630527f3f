#pragma once

// The saved-report file layout: a 128-byte header, then one record per
// page, back to back. The page store writes and reads it; the page tools
// and rptool read it too. Integers are little-endian.

#include <cstddef>
#include <cstdint>
#include <optional>

namespace saved_report {

// The header; the first page record starts right after it.
inline constexpr std::int64_t kHeaderSize = 128;
// Header fields (offsets into the header).
inline constexpr int kFormatVersionOffset = 0;   // u16, written as 3
inline constexpr int kEngineVersionOffset = 2;   // u16, written as 350
inline constexpr int kPageCountOffset = 8;       // i32
inline constexpr int kTimeStampOffset = 16;      // f64, OLE Automation date
inline constexpr int kCompressionOffset = 25;    // u8, 1 compressed, 0 not
inline constexpr std::uint16_t kFormatVersion = 3;
inline constexpr std::uint16_t kEngineVersion = 350;

// A page record: page number i32, next-record offset i32, page data,
// record-start offset i32.
inline constexpr int kRecordNumberOffset = 0;
inline constexpr int kRecordNextOffset = 4;
inline constexpr int kRecordDataOffset = 8;
inline constexpr int kRecordOverhead = 12;

// Every page store here keeps at most this many bytes in memory before its
// stream moves to a temporary file.
inline constexpr std::int32_t kMemoryLimit = 100000;

// The length that an enhanced metafile's header states (its nBytes field),
// or nothing when data does not begin with a valid EMF header (see
// TStoredPage::StatedLength).
std::optional<std::uint32_t> EmfStatedLength(const std::uint8_t* data, std::size_t size);
// The current local date and time as an OLE Automation date (days since
// 30 December 1899, time of day as the fraction).
double OleNow();

}  // namespace saved_report
