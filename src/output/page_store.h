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
#include "output/saved_report.h"

class TStoredPage;


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
  // Gives the store a stream (normally a fresh
  // TPageStream(saved_report::kMemoryLimit)) before
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
  // The same over a stream that already holds a saved report (from
  // TPageStream::CreateFromFile or CreateFromBytes); name is the report's
  // name for messages. The store takes the stream only when its header
  // passes.
  void LoadFromStream(std::unique_ptr<TPageStream> stream, const std::string& name);

  // Where page n's record lies in the stream, as GetPage finds it.
  struct TRecordPlace {
    std::int64_t start = 0;  // the record's first byte
    std::int64_t next = 0;   // just past its end
    std::int64_t DataSize() const { return next - start - saved_report::kRecordOverhead; }
  };
  // The place of page n's record, or nothing unless 1 <= n <= PageCount.
  // Throws "Page %d is missing from the saved report" as GetPageData does.
  std::optional<TRecordPlace> LocateRecord(std::int32_t n);
  // Writes the whole stream to file_name as TFileReplacement does (through
  // links, never over what is not a regular file, keeping mode and owner),
  // so a failure leaves any earlier file intact. Throws EReportError
  // "Cannot create file %s" or "Cannot write file %s"; the store is
  // unchanged either way.
  void SaveToFile(const std::string& file_name);

  // The store's re-entrant lock.
  std::recursive_mutex& Lock() { return lock_; }

 private:
  void WriteHeader();
  std::int64_t LocatePage(std::int32_t n);
  TRecordPlace CheckedRecord(std::int32_t n);

  std::recursive_mutex lock_;
  bool compression_ = false;
  std::atomic<std::int32_t> page_count_{0};
  std::unique_ptr<TPageStream> stream_;
  std::vector<std::uint8_t> record_;  // AddPageData's record, when built whole
};
