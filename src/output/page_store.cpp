#include "output/page_store.h"

#include <cstring>
#include <limits>

#include "output/file_replacement.h"
#include "output/little_endian.h"
#include "output/page_compressor.h"
#include "output/stored_page.h"
#include "definition/report_error.h"

namespace {

using le::GetI32;
using le::SetI32;

EReportError Missing(std::int32_t n) {
  return EReportError("Page %1 is missing from the saved report", {std::to_string(n)});
}

EReportError NotAMetafile() { return EReportError("Metafile is not valid"); }

constexpr std::size_t kEmfHeaderProbe = TStoredPage::kLengthPrefixSize;

}  // namespace

TPageStore::~TPageStore() {
  std::lock_guard guard(lock_);
  stream_.reset();
}

void TPageStore::SetStream(std::unique_ptr<TPageStream> stream) {
  std::lock_guard guard(lock_);
  stream_ = std::move(stream);
}

void TPageStore::FreeStream() {
  std::lock_guard guard(lock_);
  stream_.reset();
}

void TPageStore::WriteHeader() {
  using namespace saved_report;
  std::uint8_t header[TPageStream::HeaderSize] = {};
  le::Set16(header + kFormatVersionOffset, kFormatVersion);
  le::Set16(header + kEngineVersionOffset, kEngineVersion);
  SetI32(header + kPageCountOffset, page_count_.load());
  le::SetF64(header + kTimeStampOffset, OleNow());
  header[kCompressionOffset] = compression_ ? 1 : 0;
  stream_->Seek(0, TSeekOrigin::Begin);
  stream_->WriteAll(header, sizeof header);
}

void TPageStore::AddPage(const TStoredPage& page) { AddPageData(page.Bytes()); }

std::unique_ptr<TStoredPage> TPageStore::GetPage(std::int32_t n) {
  auto bytes = GetPageData(n);
  if (!bytes) return nullptr;
  return std::make_unique<TStoredPage>(TStoredPage::FromBytes(std::move(*bytes)));
}

void TPageStore::AddPageData(std::span<const std::uint8_t> emf) {
  std::lock_guard guard(lock_);
  if (!stream_) throw EReportError("Page store has no stream");
  auto stated = saved_report::EmfStatedLength(emf.data(), emf.size());
  if (!stated || *stated != emf.size()) throw NotAMetafile();

  // A record is its page data between two offset fields. Compressed data
  // is made first, into the record's buffer, which keeps its capacity from
  // page to page. Uncompressed data is copied there only for a file that
  // takes every write through at once, so the record costs one system
  // call; a stream that gathers writes (in memory, or the page tools'
  // file) takes the caller's bytes as they are, saving a copy of the page.
  std::vector<std::uint8_t>& record = record_;
  if (compression_) {
    record.clear();
    record.reserve(8 + 4 + emf.size() / 2 + 64);
    record.resize(12);
    SetI32(record.data() + 8, static_cast<std::int32_t>(emf.size()));
    TPageCompressor coder(record);
    coder.Encode(emf.data(), emf.size());
    coder.Finish();
  }

  std::lock_guard stream_guard(stream_->Lock());
  const bool in_parts = !compression_ && (stream_->InMemory() || !stream_->WriteThrough());
  if (!compression_ && !in_parts) {
    record.clear();
    record.resize(8);
    record.insert(record.end(), emf.begin(), emf.end());
  }
  const std::size_t record_size = in_parts ? saved_report::kRecordOverhead + emf.size() : record.size() + 4;
  std::int32_t number = page_count_ + 1;
  const std::int64_t size_before = stream_->Size();
  page_count_ = number;
  try {
    if (number == 1) WriteHeader();
    // The record's end is known before it is written, so the next-record
    // offset goes out in place rather than as a placeholder patched later;
    // the bytes are the same.
    std::int64_t start = stream_->Seek(0, TSeekOrigin::End);
    std::int64_t end = start + static_cast<std::int64_t>(record_size);
    if (end > std::numeric_limits<std::int32_t>::max()) {
      throw EReportError("Saved report is too large");
    }
    if (in_parts) {
      std::uint8_t head[saved_report::kRecordDataOffset], tail[4];
      SetI32(head, number);
      SetI32(head + saved_report::kRecordNextOffset, static_cast<std::int32_t>(end));
      SetI32(tail, static_cast<std::int32_t>(start));
      // A failure in any of the three is undone below as a whole.
      stream_->WriteAll(head, sizeof head);
      stream_->WriteAll(emf.data(), emf.size());
      stream_->WriteAll(tail, sizeof tail);
    } else {
      record.resize(record_size);
      SetI32(record.data(), number);
      SetI32(record.data() + saved_report::kRecordNextOffset, static_cast<std::int32_t>(end));
      SetI32(record.data() + record.size() - 4, static_cast<std::int32_t>(start));
      stream_->WriteAll(record.data(), record.size());
    }
  } catch (...) {
    // A write can fail part-way (a full disk): cut what it left, so the
    // next record follows the last good one.
    page_count_ = number - 1;
    try {
      stream_->Truncate(size_before);
    } catch (const EReportError&) {
      // The original error is the one to report.
    }
    throw;
  }
}

// Finds the start of page n's record (1 < n <= PageCount, or n = 1),
// starting from the stream's position as the previous operation left it.
// Every step moves strictly forward or backward inside the stream, so a
// damaged chain ends the walk instead of looping.
std::int64_t TPageStore::LocatePage(std::int32_t n) {
  const std::int64_t size = stream_->Size();
  const std::int64_t first = TPageStream::HeaderSize;
  std::uint8_t buf[8];

  auto read_at = [&](std::int64_t pos, std::size_t count) {
    if (pos < 0 || pos + static_cast<std::int64_t>(count) > size) throw Missing(n);
    stream_->Seek(pos, TSeekOrigin::Begin);
    if (!stream_->ReadExact(buf, count)) throw Missing(n);
  };
  // A record start must leave room for the record's fixed fields.
  auto valid_start = [&](std::int64_t pos) {
    return pos >= first && pos + saved_report::kRecordOverhead <= size;
  };
  auto last_record = [&]() -> std::int64_t {
    read_at(size - 4, 4);
    std::int64_t pos = GetI32(buf);
    if (!valid_start(pos)) throw Missing(n);
    return pos;
  };
  auto number_at = [&](std::int64_t pos) {
    read_at(pos, 4);
    return GetI32(buf);
  };

  auto walk_forward = [&](std::int64_t pos) {
    std::int32_t k = number_at(pos);
    while (k < n) {
      read_at(pos + 4, 4);
      std::int64_t next = GetI32(buf);
      if (next < pos + saved_report::kRecordOverhead || !valid_start(next)) throw Missing(n);
      pos = next;
      k = number_at(pos);
    }
    return pos;
  };
  auto is_page = [&](std::int64_t pos) { return valid_start(pos) && number_at(pos) == n; };

  if (n > 1) {
    try {
      std::int64_t pos;
      if (n == page_count_) {
        pos = last_record();
      } else {
        pos = stream_->Position();
        if (!valid_start(pos)) pos = last_record();
        pos = walk_forward(pos);
        std::int32_t k = number_at(pos);
        while (k > n) {
          read_at(pos - 4, 4);
          std::int64_t previous = GetI32(buf);
          if (previous > pos - saved_report::kRecordOverhead || !valid_start(previous)) {
            throw Missing(n);
          }
          pos = previous;
          k = number_at(pos);
        }
      }
      if (is_page(pos)) return pos;
    } catch (const EReportError&) {
      // Only the way there failed, not necessarily the file: below.
    }
  }
  // The forward links alone reach every record, as a copy that reads the
  // pages in order follows them; so a wrong record-start field, which only
  // walks back and to the last page use, costs a walk from the first
  // record rather than the page.
  const std::int64_t pos = walk_forward(first);
  if (!is_page(pos)) throw Missing(n);
  return pos;
}

std::optional<std::vector<std::uint8_t>> TPageStore::GetPageData(std::int32_t n) {
  std::vector<std::uint8_t> page;
  if (!GetPageDataInto(n, page)) return std::nullopt;
  return page;
}

// Page n's record, located and with its next-record offset checked
// against the stream. Takes no lock; the callers hold both.
TPageStore::TRecordPlace TPageStore::CheckedRecord(std::int32_t n) {
  TRecordPlace place;
  place.start = LocatePage(n);
  std::uint8_t fields[saved_report::kRecordDataOffset];
  stream_->Seek(place.start, TSeekOrigin::Begin);
  if (!stream_->ReadExact(fields, sizeof fields)) throw Missing(n);
  place.next = GetI32(fields + saved_report::kRecordNextOffset);
  if (place.next < place.start + saved_report::kRecordOverhead || place.next > stream_->Size()) {
    throw Missing(n);
  }
  return place;
}

std::optional<TPageStore::TRecordPlace> TPageStore::LocateRecord(std::int32_t n) {
  if (n < 1 || n > page_count_) return std::nullopt;
  std::lock_guard guard(lock_);
  if (!stream_ || n > page_count_) return std::nullopt;
  std::lock_guard stream_guard(stream_->Lock());
  try {
    TRecordPlace place = CheckedRecord(n);
    stream_->Seek(place.next, TSeekOrigin::Begin);
    return place;
  } catch (...) {
    stream_->Seek(TPageStream::HeaderSize, TSeekOrigin::Begin);
    throw;
  }
}

bool TPageStore::GetPageDataInto(std::int32_t n, std::vector<std::uint8_t>& page) {
  if (n < 1 || n > page_count_) return false;
  std::lock_guard guard(lock_);
  if (!stream_ || n > page_count_) return false;
  std::lock_guard stream_guard(stream_->Lock());
  try {
    const TRecordPlace place = CheckedRecord(n);
    // Page data lies between the two offset fields; CheckedRecord left the
    // stream at its start.
    const std::int64_t data_size = place.DataSize();

    // The buffer only grows: a caller that passes the same one for page
    // after page pays for neither allocation nor clearing.
    auto fit = [&page](std::size_t n) {
      if (page.size() < n) page.resize(n);
    };
    if (compression_) {
      if (data_size < 4) throw Missing(n);
      std::vector<std::uint8_t> packed(static_cast<std::size_t>(data_size));
      if (!stream_->ReadExact(packed.data(), packed.size())) throw Missing(n);
      std::int32_t length = GetI32(packed.data());
      if (length < 0 ||
          static_cast<std::uint64_t>(length) > TPageCompressor::MaxExpandedSize(packed.size() - 4)) {
        throw EReportError("Compressed page data is not valid");
      }
      TPageCompressor expander(packed.data() + 4, packed.size() - 4);
      // Grow as data arrives rather than trusting the length up front.
      std::size_t done = 0;
      while (done < static_cast<std::size_t>(length)) {
        std::size_t step = std::min<std::size_t>(length - done, 1 << 16);
        fit(done + step);
        expander.Decode(page.data() + done, step);
        done += step;
      }
      auto stated = saved_report::EmfStatedLength(page.data(), static_cast<std::size_t>(length));
      if (!stated || *stated > static_cast<std::uint32_t>(length)) throw NotAMetafile();
      page.resize(*stated);
    } else {
      std::uint8_t probe[kEmfHeaderProbe];
      if (data_size < static_cast<std::int64_t>(sizeof probe) ||
          !stream_->ReadExact(probe, sizeof probe)) {
        throw NotAMetafile();
      }
      auto stated = saved_report::EmfStatedLength(probe, sizeof probe);
      if (!stated || *stated > data_size) throw NotAMetafile();
      fit(*stated);
      page.resize(*stated);
      std::memcpy(page.data(), probe, sizeof probe);
      if (!stream_->ReadExact(page.data() + sizeof probe, page.size() - sizeof probe)) {
        throw NotAMetafile();
      }
    }
    // Leave the stream at the next record, where the next fetch starts.
    stream_->Seek(place.next, TSeekOrigin::Begin);
    return true;
  } catch (...) {
    // A known place for the next walk.
    stream_->Seek(TPageStream::HeaderSize, TSeekOrigin::Begin);
    throw;
  }
}

void TPageStore::Finish() {
  std::lock_guard guard(lock_);
  if (!stream_) return;
  std::lock_guard stream_guard(stream_->Lock());
  WriteHeader();
}

void TPageStore::LoadFromFile(const std::string& file_name) {
  std::lock_guard guard(lock_);
  stream_.reset();
  page_count_ = 0;
  LoadFromStream(TPageStream::CreateFromFile(file_name), file_name);
}

void TPageStore::LoadFromStream(std::unique_ptr<TPageStream> stream, const std::string& name) {
  std::lock_guard guard(lock_);
  stream_.reset();
  page_count_ = 0;
  std::uint8_t header[TPageStream::HeaderSize];
  stream->Seek(0, TSeekOrigin::Begin);
  if (!stream->ReadExact(header, sizeof header)) {
    throw EReportError("Saved report %1 is damaged", {name});
  }
  std::int32_t count = GetI32(header + saved_report::kPageCountOffset);
  // Each record takes at least its 12 bytes of fixed fields, so a count
  // beyond what the rest of the file can hold cannot be right.
  std::int64_t room = (stream->Size() - TPageStream::HeaderSize) / saved_report::kRecordOverhead;
  if (count < 0 || count > room) throw EReportError("Saved report %1 is damaged", {name});
  stream->Seek(TPageStream::HeaderSize, TSeekOrigin::Begin);
  stream_ = std::move(stream);
  page_count_ = count;
}

void TPageStore::SaveToFile(const std::string& file_name) {
  std::lock_guard guard(lock_);
  if (!stream_) throw EReportError("Page store has no stream");
  TFileReplacement out(file_name);
  stream_->CopyTo(out);
  out.Commit();
}
