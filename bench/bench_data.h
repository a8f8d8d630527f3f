#pragma once

// Deterministic input for the output benchmarks: English-like text and
// EMF-like page data, the same on every run.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace bench_data {

using Bytes = std::vector<std::uint8_t>;

// About size bytes of English prose: common words with English frequencies,
// sentences and paragraphs, from a fixed seed.
inline Bytes EnglishText(std::size_t size) {
  static const char* const kWords[] = {
      "the", "of", "and", "to", "a", "in", "is", "it", "that", "was", "he", "for", "on", "are",
      "with", "as", "his", "they", "at", "be", "this", "from", "have", "or", "by", "one", "had",
      "not", "but", "what", "all", "were", "when", "we", "there", "can", "an", "your", "which",
      "their", "said", "if", "do", "will", "each", "about", "how", "up", "out", "them", "then",
      "she", "many", "some", "so", "these", "would", "other", "into", "has", "more", "her", "two",
      "like", "him", "see", "time", "could", "no", "make", "than", "first", "been", "its", "who",
      "now", "people", "my", "made", "over", "did", "down", "only", "way", "find", "use", "may",
      "water", "long", "little", "very", "after", "words", "called", "just", "where", "most",
      "know", "hive", "queen", "brood", "frame", "honey", "colony", "swarm", "bees", "apiary",
      "inspection", "weather", "flowers", "summer", "winter", "comb", "wax", "drone", "worker"};
  constexpr int kCount = sizeof kWords / sizeof kWords[0];
  std::mt19937 rng(1234);
  // Zipf-like: low indices are much more frequent.
  std::vector<double> weights(kCount);
  for (int i = 0; i < kCount; ++i) weights[i] = 1.0 / (i + 1);
  std::discrete_distribution<int> word(weights.begin(), weights.end());
  std::uniform_int_distribution<int> sentence_len(5, 22), para_len(3, 8);
  std::string out;
  out.reserve(size + 256);
  while (out.size() < size) {
    int sentences = para_len(rng);
    for (int s = 0; s < sentences && out.size() < size; ++s) {
      int n = sentence_len(rng);
      for (int w = 0; w < n; ++w) {
        std::string t = kWords[word(rng)];
        if (w == 0) t[0] = static_cast<char>(t[0] - 'a' + 'A');
        out += t;
        if (w + 1 < n) out += (rng() % 11 == 0) ? ", " : " ";
      }
      out += ". ";
    }
    out += "\n\n";
  }
  out.resize(size);
  return Bytes(out.begin(), out.end());
}

inline void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A report page as an enhanced metafile: header, pen and font objects, a
// grid of ruled lines and lines of UTF-16 text with advance arrays, much as
// a generated record sheet records them. tag varies the text.
inline Bytes EmfPage(std::uint32_t tag, int text_lines = 12) {
  Bytes b;
  auto rec = [&](std::uint32_t type, std::initializer_list<std::uint32_t> words) {
    Put32(b, type);
    Put32(b, static_cast<std::uint32_t>(8 + 4 * words.size()));
    for (auto w : words) Put32(b, w);
  };
  // Header; nBytes and nRecords patched at the end.
  rec(1, {0, 0, 1122, 793, 0, 0, 29700, 21000, 0x464D4520u, 0x00010000u, 0, 0, 3, 0, 0, 0, 1122,
          793, 297, 210, 0, 0, 0, 297000, 210000});
  std::uint32_t records = 1;
  rec(17, {1});  // map mode
  rec(18, {1});  // transparent
  rec(38, {1, 0, 1, 0, 0});  // pen
  rec(37, {1});
  records += 4;
  for (int i = 0; i < 31; ++i) {  // horizontal rules
    rec(27, {40, static_cast<std::uint32_t>(120 + i * 21)});
    rec(54, {1082, static_cast<std::uint32_t>(120 + i * 21)});
    records += 2;
  }
  for (int i = 0; i < 21; ++i) {  // vertical rules
    rec(27, {static_cast<std::uint32_t>(40 + i * 50), 60});
    rec(54, {static_cast<std::uint32_t>(40 + i * 50), 771});
    records += 2;
  }
  Bytes words = EnglishText(4000);
  std::size_t at = (tag * 97) % 3000;
  for (int line = 0; line < text_lines; ++line) {
    std::u16string text;
    std::string number = "Page " + std::to_string(tag) + " ";
    for (char c : number) text.push_back(static_cast<char16_t>(c));
    for (int i = 0; i < 40; ++i) text.push_back(static_cast<char16_t>(words[(at++) % words.size()]));
    std::uint32_t chars = static_cast<std::uint32_t>(text.size());
    std::uint32_t string_bytes = (chars * 2 + 3) / 4 * 4;
    std::uint32_t size = 76 + string_bytes + chars * 4;
    Put32(b, 84);
    Put32(b, size);
    for (std::uint32_t w : {0u, 0u, 0xFFFFFFFFu, 0xFFFFFFFFu, 1u, 0u, 0u}) Put32(b, w);
    Put32(b, 60);
    Put32(b, static_cast<std::uint32_t>(100 + line * 21));
    Put32(b, chars);
    Put32(b, 76);
    Put32(b, 0);
    for (std::uint32_t w : {0u, 0u, 0u, 0u}) Put32(b, w);
    Put32(b, 76 + string_bytes);
    std::size_t start = b.size();
    for (char16_t c : text) {
      b.push_back(static_cast<std::uint8_t>(c));
      b.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    while (b.size() - start < string_bytes) b.push_back(0);
    for (char16_t c : text) Put32(b, c == ' ' ? 4 : 7 + (c % 3));
    ++records;
  }
  rec(14, {0, 16, 20});
  ++records;
  auto patch = [&](std::size_t off, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[off + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  patch(48, static_cast<std::uint32_t>(b.size()));
  patch(52, records);
  return b;
}

// Pages concatenated up to about size bytes.
inline Bytes EmfData(std::size_t size) {
  Bytes out;
  for (std::uint32_t tag = 1; out.size() < size; ++tag) {
    Bytes p = EmfPage(tag);
    out.insert(out.end(), p.begin(), p.end());
  }
  out.resize(size);
  return out;
}

}  // namespace bench_data
