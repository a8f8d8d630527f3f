#include "output/page_compressor.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "definition/report_error.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Compress(const Bytes& in) {
  Bytes out;
  TPageCompressor coder(out);
  coder.Encode(in.data(), in.size());
  coder.Finish();
  return out;
}

Bytes Expand(const Bytes& packed, std::size_t n) {
  Bytes out(n);
  TPageCompressor coder(packed.data(), packed.size());
  coder.Decode(out.data(), n);
  return out;
}

Bytes FromText(const std::string& s) { return Bytes(s.begin(), s.end()); }

// The coder written the plain way, one bit and one table at a time, as a
// reference for the tuned one.
Bytes ReferenceCompress(const Bytes& in) {
  std::uint16_t left[256], right[256];
  std::uint8_t parent[513];
  parent[0] = 0;
  for (int i = 1; i <= 512; ++i) parent[i] = static_cast<std::uint8_t>((i - 1) / 2);
  for (int i = 0; i < 256; ++i) {
    left[i] = static_cast<std::uint16_t>(2 * i + 1);
    right[i] = static_cast<std::uint16_t>(2 * i + 2);
  }
  Bytes out;
  int bit_pos = 0;
  std::uint8_t byte = 0;
  for (std::uint8_t c : in) {
    std::vector<int> bits;
    int a = c + 256;
    do {
      int p = parent[a];
      bits.push_back(a == right[p] ? 1 : 0);
      a = p;
    } while (a != 0);
    for (auto it = bits.rbegin(); it != bits.rend(); ++it) {
      if (*it) byte = static_cast<std::uint8_t>(byte | (1 << bit_pos));
      if (++bit_pos == 8) {
        out.push_back(byte);
        byte = 0;
        bit_pos = 0;
      }
    }
    a = c + 256;
    while (a != 0) {
      int p = parent[a];
      if (p == 0) break;
      int g = parent[p];
      int b;
      if (left[g] == p) {
        b = right[g];
        right[g] = static_cast<std::uint16_t>(a);
      } else {
        b = left[g];
        left[g] = static_cast<std::uint16_t>(a);
      }
      if (left[p] == a) left[p] = static_cast<std::uint16_t>(b);
      else right[p] = static_cast<std::uint16_t>(b);
      parent[a] = static_cast<std::uint8_t>(g);
      parent[b] = static_cast<std::uint8_t>(p);
      a = g;
    }
  }
  if (bit_pos != 0) out.push_back(byte);
  return out;
}

Bytes RandomBytes(std::size_t n, unsigned seed, int alphabet) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> d(0, alphabet - 1);
  Bytes b(n);
  for (auto& x : b) x = static_cast<std::uint8_t>(d(rng));
  return b;
}

}  // namespace

TEST(PageCompressor, KnownCodesFromTheInitialTree) {
  struct Case {
    Bytes in;
    Bytes out;
  } cases[] = {
      {{0x00}, {0x80}},                      // code 00000001, exactly one byte
      {FromText("abc"), {0x46, 0x3D, 0x01}},  // 19 bits, last byte padded
      {{0xFF}, {0x00, 0x00}},                // nine zero bits
      {{0xFE}, {0xFF}},                      // code 11111111
      {{}, {}},                              // nothing in, nothing out
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Compress(c.in), c.out);
    EXPECT_EQ(Expand(c.out, c.in.size()), c.in);
  }
}

TEST(PageCompressor, MatchesThePlainCoderBitForBit) {
  std::vector<Bytes> inputs = {
      RandomBytes(5000, 1, 256), RandomBytes(5000, 2, 4), RandomBytes(20000, 3, 40),
      Bytes(3000, 0xFF),         Bytes(3000, 0x00),
      FromText("The quick brown fox jumps over the lazy dog. Pack my box with five dozen jugs."),
  };
  Bytes all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(i));
  for (int i = 255; i >= 0; --i) all.push_back(static_cast<std::uint8_t>(i));
  inputs.push_back(all);
  for (const auto& in : inputs) {
    Bytes packed = Compress(in);
    EXPECT_EQ(packed, ReferenceCompress(in));
    EXPECT_EQ(Expand(packed, in.size()), in);
  }
}

TEST(PageCompressor, EveryCoderStartsFromTheInitialTree) {
  Bytes text = FromText("abcabcabc");
  EXPECT_EQ(Compress(text), Compress(text));
  // A second page coded by a new compressor begins as "abc" alone does.
  Bytes again = Compress(FromText("abc"));
  EXPECT_EQ(again, (Bytes{0x46, 0x3D, 0x01}));
}

TEST(PageCompressor, DestructionWritesThePartialByte) {
  Bytes out;
  {
    TPageCompressor coder(out);
    coder.EncodeByte('a');
  }
  EXPECT_EQ(out, Compress(FromText("a")));
  EXPECT_EQ(out.size(), 1u);
}

TEST(PageCompressor, ExpanderStopsWhenDataRunsOut) {
  Bytes packed = Compress(FromText("hello, world"));
  packed.pop_back();
  EXPECT_THROW(Expand(packed, 12), EReportError);
  EXPECT_THROW(Expand({}, 1), EReportError);
}

TEST(PageCompressor, ExpanderRejectsTheUnusedLeaf) {
  // Eight zero bits and then a one lead to node 512, which stands for no byte.
  EXPECT_THROW(Expand({0x00, 0x01}, 1), EReportError);
}

TEST(PageCompressor, MaxExpandedSizeBoundsEveryCode) {
  Bytes in(4096, 'x');  // the cheapest case: one byte repeated
  Bytes packed = Compress(in);
  EXPECT_LE(in.size(), TPageCompressor::MaxExpandedSize(packed.size()));
}
