#pragma once

#include <cstddef>
#include <cstdint>

// Where a Seek offset counts from.
enum class TSeekOrigin { Begin, Current, End };

// A platform-neutral byte stream: the base of the page stream and of the
// file streams that saved reports are written through. Positions and sizes
// are in bytes.
class TStream {
 public:
  virtual ~TStream() = default;

  // Reads up to count bytes into buffer at the current position and advances
  // past them; returns how many were read (0 at the end).
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes count bytes at the current position, growing the stream as
  // needed; returns how many were written. Throws EReportError on failure.
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Moves the position; returns the new position from the start.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

  // The current position (bytes from the start).
  std::int64_t Position() { return Seek(0, TSeekOrigin::Current); }
  // The stream's length in bytes; keeps the position.
  virtual std::int64_t Size();

  // Reads exactly count bytes or returns false (the position is then
  // unspecified); never reads past the end.
  bool ReadExact(void* buffer, std::size_t count);
  // Writes all count bytes or throws EReportError.
  void WriteAll(const void* buffer, std::size_t count);
};
