#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output/stream.h"

// A stream over a file descriptor, with its own position, a read-ahead
// buffer so that the many small reads of a page walk cost few system calls,
// and a write-behind buffer that gathers writes that follow one another
// (page records appended one by one). Written bytes are flushed before any
// read, seek elsewhere, close or rename, so reads always see them.
class TFileStream : public TStream {
 public:
  enum class TMode {
    Create,    // create or truncate, read and write; never through a symbolic link
    ReadOnly,  // an existing file; others may still read and write it
  };

  // Opens name; throws EReportError "Cannot create file %s" (Create) or
  // "Cannot open file %s" (ReadOnly) when that fails. ReadOnly takes
  // regular files only, and never blocks on anything else (a named pipe).
  TFileStream(const std::string& name, TMode mode);
  // Takes ownership of an open descriptor (used for exclusive temporary
  // files); writable tells whether Write is allowed.
  TFileStream(int fd, std::string name, bool writable);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  // Throws EReportError "Cannot write file %s" on a read-only stream or when
  // the system refuses the write (disk full).
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return size_; }

  // The file's name as given.
  const std::string& FileName() const { return name_; }
  // The open descriptor (the stream's; never close it), or -1.
  int Descriptor() const { return fd_; }
  // Writes out any gathered bytes; throws EReportError "Cannot write file
  // %s" when the system refuses them.
  void Flush();
  // For a file that will be synced once complete: the system starts
  // writing each flushed batch to the disk at once, without waiting for it,
  // so that the sync finds little left to write.
  void SetWriteOutEarly(bool on) { write_out_early_ = on; }
  // Cuts the file to `size` bytes (pending writes are flushed first or, if
  // that fails, dropped); the position stays within the file.
  void Truncate(std::int64_t size);
  // Closes the descriptor; throws EReportError "Cannot write file %s" when
  // the system reports a failed close. Further use is an error.
  void Close();

 private:
  int fd_ = -1;
  std::string name_;
  bool writable_ = false;
  bool write_out_early_ = false;
  std::int64_t pos_ = 0;
  std::int64_t size_ = 0;
  // Read-ahead window: bytes [cache_start_, cache_start_ + cache_.size()).
  std::vector<unsigned char> cache_;
  std::int64_t cache_start_ = 0;
  // Write-behind: bytes for [pending_start_, pending_start_ + size).
  std::vector<unsigned char> pending_;
  std::int64_t pending_start_ = 0;
};
