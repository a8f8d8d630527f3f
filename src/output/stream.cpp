#include "output/stream.h"

#include "definition/report_error.h"

std::int64_t TStream::Size() {
  std::int64_t here = Position();
  std::int64_t end = Seek(0, TSeekOrigin::End);
  Seek(here, TSeekOrigin::Begin);
  return end;
}

bool TStream::ReadExact(void* buffer, std::size_t count) {
  auto* out = static_cast<unsigned char*>(buffer);
  while (count > 0) {
    std::size_t got = Read(out, count);
    if (got == 0) return false;
    out += got;
    count -= got;
  }
  return true;
}

void TStream::WriteAll(const void* buffer, std::size_t count) {
  if (Write(buffer, count) != count) throw EReportError("Stream write error");
}
