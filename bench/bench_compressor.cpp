// Throughput of the page compressor and expander on English text and on
// EMF page data (bytes/s counts uncompressed bytes both ways).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "bench_data.h"
#include "output/page_compressor.h"

namespace {

using bench_data::Bytes;

const Bytes& Input(int which) {
  static const Bytes text = bench_data::EnglishText(1 << 20);
  static const Bytes emf = bench_data::EmfData(1 << 20);
  return which == 0 ? text : emf;
}

Bytes Compress(const Bytes& in) {
  Bytes out;
  out.reserve(in.size());
  TPageCompressor coder(out);
  coder.Encode(in.data(), in.size());
  coder.Finish();
  return out;
}

void BM_Encode(benchmark::State& state) {
  const Bytes& in = Input(static_cast<int>(state.range(0)));
  std::size_t packed = 0;
  for (auto _ : state) {
    Bytes out = Compress(in);
    packed = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  state.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(in.size());
  state.SetLabel(state.range(0) == 0 ? "english text 1 MiB" : "emf pages 1 MiB");
}

void BM_Decode(benchmark::State& state) {
  const Bytes& in = Input(static_cast<int>(state.range(0)));
  const Bytes packed = Compress(in);
  Bytes out(in.size());
  for (auto _ : state) {
    TPageCompressor coder(packed.data(), packed.size());
    coder.Decode(out.data(), out.size());
    benchmark::DoNotOptimize(out.data());
  }
  if (out != in) {
    std::fprintf(stderr, "round trip failed\n");
    std::abort();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  state.SetLabel(state.range(0) == 0 ? "english text 1 MiB" : "emf pages 1 MiB");
}

}  // namespace

BENCHMARK(BM_Encode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
