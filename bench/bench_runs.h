#pragma once

// What the benchmarks that run real programs share: a scratch folder and
// the median of their timings.

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace bench_runs {

// A folder of the benchmark's own, removed when it ends.
inline const std::string& Dir() {
  static const std::string dir = [] {
    std::string tmpl = (std::filesystem::temp_directory_path() / "broodlogbenchXXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    std::atexit([] { std::filesystem::remove_all(Dir()); });
    return tmpl;
  }();
  return dir;
}

// The median, so that a moment of load elsewhere does not decide a figure.
inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : (v[(v.size() - 1) / 2] + v[v.size() / 2]) / 2;
}

}  // namespace bench_runs
