#include "output/page_compressor.h"

#include <cstring>

#include "definition/report_error.h"

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
  up_[0] = 0;
  // Odd nodes are left children, even ones right children.
  for (unsigned i = 1; i <= 512; ++i) {
    up_[i] = static_cast<std::uint16_t>((i - 1) / 2 | (i % 2 == 0 ? 0x100u : 0u));
  }
  for (unsigned i = 0; i < 256; ++i) {
    child_[i][0] = static_cast<std::uint16_t>(2 * i + 1);
    child_[i][1] = static_cast<std::uint16_t>(2 * i + 2);
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

void TPageCompressor::EncodeByte(std::uint8_t c) { Encode(&c, 1); }

// Coding and semi-splaying share one walk from the leaf to the root, two
// levels at a time: the bits of node a and of its parent p are taken, then a
// swaps places with p's sibling at the grandparent g, and the walk goes on
// from g. A splay step changes only the children of p and g and the
// parents of a and of the sibling, none of which the rest of the walk
// reads, so the code comes out as if the tree had been walked first.
void TPageCompressor::Encode(const std::uint8_t* data, std::size_t count) {
  auto& child = child_;
  auto& up = up_;
  for (std::size_t i = 0; i < count; ++i) {
    // The bit found last (next to the root) is sent first, and sent bits
    // fill from the low end, so shifting each new bit in at the bottom gives
    // the code in sending order. Codes longer than 32 bits keep their full
    // words, root end last.
    std::uint32_t words[9];
    unsigned nwords = 0;
    std::uint32_t code = 0;
    unsigned len = 0;
    unsigned a = data[i] + 256u;
    for (;;) {
      unsigned e1 = up[a];
      unsigned p = e1 & 0xFFu, s1 = e1 >> 8;
      code = (code << 1) | s1;
      if (++len == 32) {
        words[nwords++] = code;
        code = 0;
        len = 0;
      }
      if (p == 0) break;  // a hangs from the root: no splay step
      unsigned e2 = up[p];
      unsigned g = e2 & 0xFFu, s2 = e2 >> 8;
      code = (code << 1) | s2;
      if (++len == 32) {
        words[nwords++] = code;
        code = 0;
        len = 0;
      }
      // a takes the place of p's sibling b, which moves down into a's place.
      unsigned sg = s2 ^ 1u;
      unsigned b = child[g][sg];
      child[g][sg] = static_cast<std::uint16_t>(a);
      child[p][s1] = static_cast<std::uint16_t>(b);
      up[a] = static_cast<std::uint16_t>(g | sg << 8);
      up[b] = static_cast<std::uint16_t>(p | s1 << 8);
      a = g;
      if (a == 0) break;
    }
    if (len) PutBits(code, len);
    while (nwords) PutBits(words[--nwords], 32);
  }
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
  std::uint8_t c;
  Decode(&c, 1);
  return c;
}

// The walk down notes the path and the bits taken; the splay then works up
// that path as the compressor's does. An expander never walks upwards, so
// it leaves the parent table alone.
void TPageCompressor::Decode(std::uint8_t* out, std::size_t count) {
  auto& child = child_;
  std::uint16_t nodes[260];
  std::uint8_t went[260];
  nodes[0] = 0;
  // Bits in locals: stores through out may alias the members.
  std::uint64_t bits = in_bits_;
  unsigned nbits = in_count_;
  for (std::size_t i = 0; i < count; ++i) {
    unsigned a = 0;
    unsigned d = 0;
    do {
      if (nbits == 0) {
        Refill();
        bits = in_bits_;
        nbits = in_count_;
      }
      unsigned bit = static_cast<unsigned>(bits & 1u);
      bits >>= 1;
      --nbits;
      went[d] = static_cast<std::uint8_t>(bit);
      a = child[a][bit];
      nodes[++d] = static_cast<std::uint16_t>(a);
    } while (a < 256);
    // Leaf 512 stands for no byte; a compressor never sends its code, but
    // foreign data can lead there.
    if (a > 511) {
      in_bits_ = bits;
      in_count_ = nbits;
      throw EReportError("Compressed page data is not valid");
    }
    for (unsigned x = d; x >= 2; x -= 2) {
      unsigned node = nodes[x], p = nodes[x - 1], g = nodes[x - 2];
      unsigned sg = went[x - 2] ^ 1u;
      unsigned b = child[g][sg];
      child[g][sg] = static_cast<std::uint16_t>(node);
      child[p][went[x - 1]] = static_cast<std::uint16_t>(b);
    }
    out[i] = static_cast<std::uint8_t>(a - 256);
  }
  in_bits_ = bits;
  in_count_ = nbits;
}
