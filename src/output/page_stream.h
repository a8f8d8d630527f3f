#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "output/saved_report.h"
#include "output/stream.h"

class TFileReplacement;
class TFileStream;

// The byte stream behind a page store: in memory while it is small, moved
// once (never back) to a temporary file when a write takes it past its
// memory limit. That file has no name (OpenUnnamedTempFile), so it goes
// with the stream, or with the process however the process ends: a long
// report killed midway leaves nothing behind. Every operation holds a
// re-entrant lock.
class TPageStream : public TStream {
 public:
  // Size of the saved-report header in bytes; the first page record starts
  // here.
  static constexpr std::int64_t HeaderSize = saved_report::kHeaderSize;
  // Size of the chunks that CopyTo moves, in bytes.
  static constexpr std::size_t CopyChunk = 10240;

  // An empty in-memory stream that moves to a temporary file once it holds
  // more than memory_limit bytes (saved_report::kMemoryLimit for every page
  // store here).
  explicit TPageStream(std::int32_t memory_limit);
  // A stream over an existing file, opened read-only with others still
  // allowed to read and write it. It never moves and leaves the file in
  // place when destroyed. Throws EReportError "Cannot open file %s".
  static std::unique_ptr<TPageStream> CreateFromFile(const std::string& file_name);
  // A read-only stream over bytes already in memory (a saved report read
  // some other way). It never moves.
  static std::unique_ptr<TPageStream> CreateFromBytes(std::vector<unsigned char> bytes);
  ~TPageStream() override;
  TPageStream(const TPageStream&) = delete;
  TPageStream& operator=(const TPageStream&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  // Writes at the current position. The write that would take an in-memory
  // stream past its limit first moves the content to a temporary file; if
  // that file cannot be made the write fails with EReportError "Cannot
  // create file %s" and the stream stays in memory, unchanged. A stream
  // from CreateFromFile or
  // CreateFromBytes is read-only: writing throws EReportError.
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;
  // Cuts the content to `size` bytes, e.g. to drop a partly written record.
  void Truncate(std::int64_t size);

  // Copies the whole content, from position 0, to target in chunks of
  // CopyChunk bytes. Leaves this stream positioned at its end.
  void CopyTo(TStream& target);
  void CopyTo(TFileReplacement& target);

  // Puts the temporary file this stream moved to in the place of target's
  // file by giving it a name there (TFileReplacement::CommitByLinking); the
  // stream keeps reading and writing that file, now the target. Returns
  // false, changing nothing, when the stream has no temporary file or it
  // cannot be named there (another file system). Throws EReportError
  // "Cannot write file %s" when that fails otherwise. For a finished stream
  // whose bytes are wanted under that name, this saves copying them.
  bool LinkTempFileTo(TFileReplacement& target);

  // Whether each write to the temporary file goes to the system at once
  // (the default), so that a full disk fails the write that met it, which
  // a page store can still undo. A writer that gives up on any failure and
  // flushes at its end (the page tools) may gather writes instead.
  void SetWriteThrough(bool on) { write_through_ = on; }
  bool WriteThrough() const { return write_through_; }
  // For a stream whose temporary file becomes a saved report that is synced
  // (RenameTempFileTo): the file goes to the disk as it grows
  // (TFileStream::SetWriteOutEarly), so the final sync is short.
  void SetWriteOutEarly(bool on);

  // True while the content lives in memory.
  bool InMemory() const { return in_memory_; }
  // The memory limit in bytes (0 for a stream over an existing file).
  std::int32_t MemoryLimit() const { return memory_limit_; }
  // The descriptor of the temporary file this stream moved to (a file
  // without a name), or -1.
  int TempFileDescriptor() const;
  // The stream's re-entrant lock, for callers that chain several operations.
  std::recursive_mutex& Lock() { return lock_; }

 private:
  // Positions at 0 and hands the whole content to `write` in chunks of `size`.
  void CopyChunks(std::size_t size, const std::function<void(const unsigned char*, std::size_t)>& write);
  TPageStream() = default;
  void MoveToFile();

  std::recursive_mutex lock_;
  std::vector<unsigned char> memory_;
  std::int64_t memory_pos_ = 0;
  std::unique_ptr<TFileStream> file_;
  bool temp_file_ = false;  // file_ is the temporary file this stream moved to
  bool in_memory_ = true;
  bool read_only_ = false;
  bool write_through_ = true;
  bool write_out_early_ = false;
  std::int32_t memory_limit_ = 0;
};
