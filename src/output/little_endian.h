#pragma once

// Little-endian integers in byte buffers: the byte order of enhanced
// metafiles and of saved reports. Readers are given pointers to at least 4
// (or 2) readable bytes; bounds are the caller's to check.

#include <cstdint>
#include <cstring>
#include <vector>

namespace le {

inline std::uint16_t Get16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }
inline std::uint32_t Get32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}
inline std::int32_t GetI32(const std::uint8_t* p) { return std::int32_t(Get32(p)); }
inline double GetF64(const std::uint8_t* p) {
  const std::uint64_t bits = std::uint64_t(Get32(p)) | std::uint64_t(Get32(p + 4)) << 32;
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

inline void Set16(std::uint8_t* p, std::uint16_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}
inline void Set32(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
  p[2] = std::uint8_t(v >> 16);
  p[3] = std::uint8_t(v >> 24);
}
inline void SetI32(std::uint8_t* p, std::int32_t v) { Set32(p, std::uint32_t(v)); }
inline void SetF64(std::uint8_t* p, double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  Set32(p, std::uint32_t(bits));
  Set32(p + 4, std::uint32_t(bits >> 32));
}

// Appending forms, for records built front to back.
inline void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  const std::uint8_t b[2] = {std::uint8_t(v), std::uint8_t(v >> 8)};
  out.insert(out.end(), b, b + 2);
}
inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  std::uint8_t b[4];
  Set32(b, v);
  out.insert(out.end(), b, b + 4);
}
inline void PutI32(std::vector<std::uint8_t>& out, std::int32_t v) { Put32(out, std::uint32_t(v)); }
inline void PutF32(std::vector<std::uint8_t>& out, float f) {
  std::uint32_t v;
  std::memcpy(&v, &f, 4);
  Put32(out, v);
}

}  // namespace le
