#include "platform/plain_png.h"

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

uint32_t BigEndian32(const unsigned char* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// The predictor of the Paeth filter: whichever neighbour is nearest to
// left + up - upper left.
int Paeth(int left, int up, int upper_left) {
  const int p = left + up - upper_left;
  const int pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upper_left);
  if (pa <= pb && pa <= pc) return left;
  return pb <= pc ? up : upper_left;
}

// Undoes the filter of one row in place; `up` is the row above, already
// undone (zeros for the first). False for an unknown filter.
bool Unfilter(int filter, unsigned char* row, const unsigned char* up, size_t length, size_t pixel_bytes) {
  const auto add = [](unsigned char& to, int predicted) { to = static_cast<unsigned char>(to + predicted); };
  switch (filter) {
    case 0:
      return true;
    case 1:
      for (size_t i = pixel_bytes; i < length; ++i) add(row[i], row[i - pixel_bytes]);
      return true;
    case 2:
      for (size_t i = 0; i < length; ++i) add(row[i], up[i]);
      return true;
    case 3:
      for (size_t i = 0; i < length; ++i) add(row[i], ((i >= pixel_bytes ? row[i - pixel_bytes] : 0) + up[i]) / 2);
      return true;
    case 4:
      for (size_t i = 0; i < pixel_bytes && i < length; ++i) add(row[i], up[i]);  // Paeth with nothing left
      for (size_t i = pixel_bytes; i < length; ++i)
        add(row[i], Paeth(row[i - pixel_bytes], up[i], up[i - pixel_bytes]));
      return true;
    default:
      return false;
  }
}

}  // namespace

QImage ReadPlainPng(const QByteArray& file) {
  static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  const auto* data = reinterpret_cast<const unsigned char*>(file.constData());
  const size_t size = size_t(file.size());
  if (size < 8 || std::memcmp(data, kSignature, 8) != 0) return {};
  uint32_t width = 0, height = 0;
  size_t pixel_bytes = 0;
  std::vector<unsigned char> compressed;
  bool ended = false;
  for (size_t at = 8; !ended;) {
    if (size - at < 12) return {};
    const uint32_t length = BigEndian32(data + at);
    if (length > size - at - 12) return {};
    const unsigned char* type = data + at + 4;
    const unsigned char* body = type + 4;
    if (uint32_t(crc32(0, type, length + 4)) != BigEndian32(body + length)) return {};
    if (std::memcmp(type, "IHDR", 4) == 0) {
      if (length != 13) return {};
      width = BigEndian32(body);
      height = BigEndian32(body + 4);
      const int depth = body[8], colour = body[9];
      if (depth != 8 || (colour != 2 && colour != 6) || body[10] != 0 || body[11] != 0 || body[12] != 0) return {};
      pixel_bytes = colour == 6 ? 4 : 3;
      // Our pictures are icons; a bound keeps the sums below small.
      if (width == 0 || height == 0 || width > 4096 || height > 4096) return {};
    } else if (std::memcmp(type, "IDAT", 4) == 0) {
      if (pixel_bytes == 0) return {};
      compressed.insert(compressed.end(), body, body + length);
    } else if (std::memcmp(type, "IEND", 4) == 0) {
      ended = true;
    } else if ((type[0] & 0x20) == 0) {
      return {};  // a critical chunk we do not know (a palette, say)
    }
    at += size_t(length) + 12;
  }
  if (pixel_bytes == 0) return {};
  const size_t stride = size_t(width) * size_t(pixel_bytes);
  std::vector<unsigned char> rows((stride + 1) * height);
  uLongf unpacked = uLongf(rows.size());
  if (uncompress(rows.data(), &unpacked, compressed.data(), uLong(compressed.size())) != Z_OK ||
      unpacked != rows.size())
    return {};
  QImage image(int(width), int(height), pixel_bytes == 4 ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
  if (image.isNull()) return {};
  const std::vector<unsigned char> zeros(stride, 0);
  const unsigned char* up = zeros.data();
  for (uint32_t y = 0; y < height; ++y) {
    unsigned char* row = rows.data() + y * (stride + 1);
    if (!Unfilter(row[0], row + 1, up, stride, pixel_bytes)) return {};
    std::memcpy(image.scanLine(int(y)), row + 1, stride);
    up = row + 1;
  }
  return image;
}
