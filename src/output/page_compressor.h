#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The optional coder for page data: an adaptive prefix code over bytes held
// in a semi-splaying tree of 257 leaves (256 byte values and one unused
// leaf). Every byte coded moves its leaf nearer the root, so compressor and
// expander stay in step as long as both start from the initial tree; a new
// coder is made for every page. Code bits fill bytes from the least
// significant bit upwards; the stream has no end marker, so the expander
// must be told how many bytes to produce.
class TPageCompressor {
 public:
  // A compressor that appends compressed bytes to sink (not owned, must
  // outlive the coder).
  explicit TPageCompressor(std::vector<std::uint8_t>& sink);
  // An expander that reads compressed bytes from [data, data + size) (not
  // owned, must outlive the coder). It never reads beyond size bytes.
  TPageCompressor(const std::uint8_t* data, std::size_t size);
  // A compressor writes its partly filled last byte (see Finish).
  ~TPageCompressor();
  TPageCompressor(const TPageCompressor&) = delete;
  TPageCompressor& operator=(const TPageCompressor&) = delete;

  // Writes the code of byte c and adapts the tree (compressor only).
  void EncodeByte(std::uint8_t c);
  // Encodes count bytes in order; the same as calling EncodeByte for each.
  void Encode(const std::uint8_t* data, std::size_t count);
  // Reads one code, adapts the tree and returns its byte (expander only;
  // a coder either compresses or expands).
  // Throws EReportError when the compressed data runs out first.
  std::uint8_t DecodeByte();
  // Decodes count bytes into out; the same as calling DecodeByte for each.
  void Decode(std::uint8_t* out, std::size_t count);
  // Compressor: writes the last byte if it holds any code bits, its unused
  // high bits zero. Later calls write nothing more. Expander: no effect.
  void Finish();
  // Expander: the number of compressed bytes read so far.
  std::size_t BytesConsumed() const { return in_pos_; }

  // Largest number of bytes that size compressed bytes can decode to (every
  // code takes at least one bit); a reader uses it to reject absurd lengths.
  static std::uint64_t MaxExpandedSize(std::uint64_t size) { return size * 8; }

 private:
  void InitTree();
  void PutBits(std::uint32_t bits, unsigned count);
  void FlushOut();
  void Refill();

  // child_[n][0] is the left and child_[n][1] the right child of internal
  // node n; nodes 256 + c are the leaves of bytes c; node 512 is unused.
  // up_[n] holds n's parent in its low byte and 1 in bit 8 when n is its
  // parent's right child; the compressor keeps it, the expander needs none.
  std::uint16_t child_[256][2];
  std::uint16_t up_[513];
  bool compressing_;

  // Compressor: pending code bits (low bits first), flushed a word at a time.
  std::vector<std::uint8_t>* sink_ = nullptr;
  std::uint64_t out_bits_ = 0;
  unsigned out_count_ = 0;
  std::uint8_t out_buf_[4096];
  std::size_t out_len_ = 0;
  bool finished_ = false;

  // Expander: unread bits of the bytes taken so far.
  const std::uint8_t* in_ = nullptr;
  std::size_t in_size_ = 0;
  std::size_t in_pos_ = 0;
  std::uint64_t in_bits_ = 0;
  unsigned in_count_ = 0;
};
