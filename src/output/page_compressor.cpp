#include "output/page_compressor.h"

#include <cstring>

#include "report/report_error.h"

TPageCompressor::TPageCompressor(std::vector<std::uint8_t>& sink)
    : compressing_(true), sink_(&sink) {
  InitTree();
}

TPageCompressor::TPageCompressor(const std::uint8_t* data, std::size_t size)
    : compressing_(false), in_(data), in_size_(size) {
  InitTree();
}

TPageCompressor::~TPageCompressor() {
  if (compressing_ && !finished_) {
    try {
      Finish();
    } catch (...) {
      // Out of memory while appending: nothing sensible to do here.
    }
  }
}

void TPageCompressor::InitTree() {
  // Node i has children 2i + 1 and 2i + 2, so byte c (leaf 256 + c) starts
  // with the 8-bit code c + 1, and byte 255 with nine zero bits.
  parent_[0] = 0;
  for (unsigned i = 1; i <= 512; ++i) parent_[i] = static_cast<std::uint8_t>((i - 1) / 2);
  for (unsigned i = 0; i < 256; ++i) {
    child_[i][0] = static_cast<std::uint16_t>(2 * i + 1);
    child_[i][1] = static_cast<std::uint16_t>(2 * i + 2);
  }
}

void TPageCompressor::Splay(unsigned c) {
  unsigned a = c + 256;
  while (a != 0) {
    unsigned p = parent_[a];
    if (p == 0) break;
    unsigned g = parent_[p];
    // Swap a with p's sibling b: a moves up to g, b moves down to p.
    unsigned side_g = child_[g][0] == p ? 1 : 0;
    unsigned b = child_[g][side_g];
    child_[g][side_g] = static_cast<std::uint16_t>(a);
    unsigned side_p = child_[p][0] == a ? 0 : 1;
    child_[p][side_p] = static_cast<std::uint16_t>(b);
    parent_[a] = static_cast<std::uint8_t>(g);
    parent_[b] = static_cast<std::uint8_t>(p);
    a = g;
  }
}

void TPageCompressor::FlushOut() {
  sink_->insert(sink_->end(), out_buf_, out_buf_ + out_len_);
  out_len_ = 0;
}

inline void TPageCompressor::PutBits(std::uint32_t bits, unsigned count) {
  out_bits_ |= static_cast<std::uint64_t>(bits) << out_count_;
  out_count_ += count;
  if (out_count_ >= 32) {
    if (out_len_ + 4 > sizeof out_buf_) FlushOut();
    std::uint32_t word = static_cast<std::uint32_t>(out_bits_);
    out_buf_[out_len_] = static_cast<std::uint8_t>(word);
    out_buf_[out_len_ + 1] = static_cast<std::uint8_t>(word >> 8);
    out_buf_[out_len_ + 2] = static_cast<std::uint8_t>(word >> 16);
    out_buf_[out_len_ + 3] = static_cast<std::uint8_t>(word >> 24);
    out_len_ += 4;
    out_bits_ >>= 32;
    out_count_ -= 32;
  }
}

void TPageCompressor::EncodeByte(std::uint8_t c) {
  // Walk from the leaf to the root. The bit found last (next to the root) is
  // sent first, and sent bits fill from the low end, so shifting each new
  // bit in at the bottom yields the code in sending order. Codes can be
  // longer than a word; full words are kept, the root end last.
  std::uint32_t words[16];
  unsigned nwords = 0;
  std::uint32_t code = 0;
  unsigned len = 0;
  unsigned a = c + 256u;
  do {
    unsigned p = parent_[a];
    code = (code << 1) | (child_[p][1] == a ? 1u : 0u);
    a = p;
    if (++len == 32) {
      words[nwords++] = code;
      code = 0;
      len = 0;
    }
  } while (a != 0);
  if (len) PutBits(code, len);
  while (nwords) PutBits(words[--nwords], 32);
  Splay(c);
}

void TPageCompressor::Encode(const std::uint8_t* data, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) EncodeByte(data[i]);
}

void TPageCompressor::Finish() {
  if (!compressing_ || finished_) return;
  finished_ = true;
  while (out_count_ > 0) {
    if (out_len_ == sizeof out_buf_) FlushOut();
    out_buf_[out_len_++] = static_cast<std::uint8_t>(out_bits_);
    out_bits_ >>= 8;
    out_count_ = out_count_ > 8 ? out_count_ - 8 : 0;
  }
  FlushOut();
}

void TPageCompressor::Refill() {
  std::size_t left = in_size_ - in_pos_;
  if (left >= 8) {
    std::uint64_t v = 0;
    for (unsigned i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(in_[in_pos_ + i]) << (8 * i);
    in_bits_ = v;
    in_count_ = 64;
    in_pos_ += 8;
  } else if (left > 0) {
    in_bits_ = in_[in_pos_++];
    in_count_ = 8;
  } else {
    throw EReportError("Compressed page data ends early");
  }
}

std::uint8_t TPageCompressor::DecodeByte() {
  unsigned a = 0;
  do {
    if (in_count_ == 0) Refill();
    a = child_[a][in_bits_ & 1u];
    in_bits_ >>= 1;
    --in_count_;
  } while (a < 256);
  unsigned c = a - 256;
  // Leaf 512 stands for no byte; a compressor never sends its code, but
  // foreign data can lead there.
  if (c > 255) throw EReportError("Compressed page data is not valid");
  Splay(c);
  return static_cast<std::uint8_t>(c);
}

void TPageCompressor::Decode(std::uint8_t* out, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) out[i] = DecodeByte();
}
