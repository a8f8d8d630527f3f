#pragma once

// Helpers for tests that look inside recorded metafiles.

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "graphics/text_metrics.h"
#include "output/emf_recorder.h"
#include "output/little_endian.h"

struct TRec {
  std::uint32_t type, offset, size;
};

// The engine's own little-endian access, by offset into a page.
inline std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t off) { return le::Get32(b.data() + off); }
inline void PutU32At(std::vector<std::uint8_t>& b, std::size_t off, std::uint32_t v) { le::Set32(b.data() + off, v); }

// Walks a well-formed metafile's records (the test's own reading, not the
// player's).
inline std::vector<TRec> Records(const std::vector<std::uint8_t>& b) {
  std::vector<TRec> out;
  for (std::uint32_t off = 0; off + 8 <= b.size();) {
    const std::uint32_t size = U32At(b, off + 4);
    out.push_back({U32At(b, off), off, size});
    if (size == 0) break;
    off += size;
  }
  return out;
}

inline const TRec* FindRecord(const std::vector<TRec>& recs, std::uint32_t type) {
  for (const TRec& r : recs) {
    if (r.type == type) return &r;
  }
  return nullptr;
}

// Records a page of 400 x 300 pixels with `draw` using fixed-pitch metrics.
inline std::vector<std::uint8_t> RecordPage(const std::function<void(TCanvas&)>& draw, int w = 400,
                                            int h = 300) {
  TFixedPitchTextMetrics metrics(96);
  TEmfRecorder rec(metrics, w, h);
  draw(rec);
  return rec.Finish();
}
