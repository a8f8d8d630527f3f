#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "output/page_stream.h"

class TStoredPage;

// The saved-report byte format, shared by the page store and the tools that
// inspect saved reports. Integers are little-endian.
namespace saved_report {
// Header fields (offsets into the 128-byte header).
inline constexpr int kFormatVersionOffset = 0;   // u16, written as 3
inline constexpr int kEngineVersionOffset = 2;   // u16, written as 350
inline constexpr int kPageCountOffset = 8;       // i32
inline constexpr int kTimeStampOffset = 16;      // f64, OLE Automation date
inline constexpr int kCompressionOffset = 25;    // u8, 1 compressed, 0 not
inline constexpr std::uint16_t kFormatVersion = 3;
inline constexpr std::uint16_t kEngineVersion = 350;
// A page record: page number i32, next-record offset i32, page data,
// record-start offset i32.
inline constexpr int kRecordOverhead = 12;

// The length that an enhanced metafile's header states (its nBytes field),
// or nothing when data does not begin with a valid EMF header (see
// TStoredPage::StatedLength).
std::optional<std::uint32_t> EmfStatedLength(const std::uint8_t* data, std::size_t size);
// The current local date and time as an OLE Automation date (days since
// 30 December 1899, time of day as the fraction).
double OleNow();
}  // namespace saved_report

// The page store: appends pages to a TPageStream as chained records after a
// 128-byte header, fetches page n again, and saves or loads the whole
// stream as a saved-report file (the stream's bytes are the file's bytes).
// Pages go in and out as TStoredPage drawings; the *Data members move the
// same pages as their serialised enhanced-metafile bytes.
//
// A store reads page data with its own Compression setting, not the
// header's flag. Pages may be read while later pages are added: a reader
// sees PageCount pages. Every AddPage and GetPage holds the store's
// re-entrant lock, then the stream's.
class TPageStore {
 public:
  TPageStore() = default;
  // Frees the stream if the store still holds one.
  ~TPageStore();
  TPageStore(const TPageStore&) = delete;
  TPageStore& operator=(const TPageStore&) = delete;

  // Whether page data is written and read compressed (default false).
  bool Compression() const { return compression_; }
  void SetCompression(bool on) { compression_ = on; }
  // Number of pages in the stream.
  std::int32_t PageCount() const { return page_count_.load(); }

  // The stream the pages go to, or null. The store owns it.
  TPageStream* Stream() const { return stream_.get(); }
  // Gives the store a stream (normally a fresh TPageStream(100000)) before
  // the first page is added; frees any previous one.
  void SetStream(std::unique_ptr<TPageStream> stream);
  // Frees the stream and leaves the store without one.
  void FreeStream();

  // Appends one page record for page; the caller keeps the page. Throws
  // as AddPageData does.
  void AddPage(const TStoredPage& page);
  // A new drawing for page n, owned by the caller, or null unless
  // 1 <= n <= PageCount. Throws as GetPageData does, and EReportError
  // "Metafile is not valid" when any record of the page is not valid.
  std::unique_ptr<TStoredPage> GetPage(std::int32_t n);

  // Appends one page record holding emf, a serialised enhanced metafile
  // whose header states exactly its size; the first page also writes the
  // header. Throws EReportError "Metafile is not valid" for other bytes,
  // and when the store has no stream or its stream cannot take the record
  // (a loaded, read-only file; a temporary file that cannot be created).
  void AddPageData(std::span<const std::uint8_t> emf);
  // The metafile bytes of page n (counted from 1), or nothing unless
  // 1 <= n <= PageCount (or when there is no stream). Throws EReportError
  // when the stream does not hold page n as a readable record: "Page %d is
  // missing from the saved report" for a record chain that ends, loops or
  // points outside the stream, "Metafile is not valid" for page data that
  // is not a metafile, and a compressed-data error for data that runs out.
  std::optional<std::vector<std::uint8_t>> GetPageData(std::int32_t n);
  // The same into page (resized to the page's bytes; its capacity is
  // reused, which saves an allocation per page when copying many pages).
  // Returns false where GetPageData returns nothing.
  bool GetPageDataInto(std::int32_t n, std::vector<std::uint8_t>& page);
  // Rewrites the header with the current page count and time.
  void Finish();
  // Sets PageCount to 0; the stream keeps its bytes.
  void Clear() { page_count_ = 0; }
  // Frees the current stream, opens file_name read-only and takes the page
  // count from its header. Throws EReportError "Cannot open file %s" when
  // it cannot be opened, and "Saved report %s is damaged" when its header
  // is incomplete or its page count negative or larger than the file can
  // hold; then the store holds no stream and no pages.
  void LoadFromFile(const std::string& file_name);
  // Writes the whole stream to file_name through a temporary file in the
  // same directory that is renamed over it, so a failure leaves any
  // earlier file intact. Throws EReportError "Cannot create file %s" or
  // "Cannot write file %s"; the store is unchanged either way.
  void SaveToFile(const std::string& file_name);

  // The store's re-entrant lock.
  std::recursive_mutex& Lock() { return lock_; }

 private:
  void WriteHeader();
  std::int64_t LocatePage(std::int32_t n);

  std::recursive_mutex lock_;
  bool compression_ = false;
  std::atomic<std::int32_t> page_count_{0};
  std::unique_ptr<TPageStream> stream_;
  std::vector<std::uint8_t> record_;  // AddPage's scratch record
};
