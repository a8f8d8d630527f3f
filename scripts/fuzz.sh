#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each briefly from its seeds.
#   FUZZ_SECONDS=N  time per target (default: 40 s for the EMF player, whose
#                   input is the richest, and for report definitions, each of
#                   which generates a whole report; 20 s for the others; CI
#                   must stay within its half hour)
set -euo pipefail
cd "$(dirname "$0")/.."
shopt -s nullglob
targets=(fuzz/fuzz_*.cpp)
if [ ${#targets[@]} -eq 0 ]; then echo "no fuzz targets"; exit 0; fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DBROODLOG_FUZZ=ON -DBROODLOG_ENGINE_ONLY=ON \
  -DBROODLOG_TESTS=OFF -DBROODLOG_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)"
for src in "${targets[@]}"; do
  name=$(basename "$src" .cpp)
  corpus=$(mktemp -d)
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$corpus/"
  # The player also starts from the EMF corpus: pages from other programs.
  if [ "$name" = fuzz_emf_player ]; then
    for f in tests/data/emf-corpus/*/*.emf; do cp "$f" "$corpus/$(basename "$(dirname "$f")")-$(basename "$f")"; done
  fi
  echo "-- $name"
  seconds=20; options=()
  case "$name" in
    fuzz_emf_player) seconds=40; options=(-max_len=32768) ;;  # whole pages of the sheet and the demo
    fuzz_page_store) options=(-max_len=32768) ;;              # saved reports of a page or two
    fuzz_report_definition) seconds=40 ;;
  esac
  log=$(mktemp)
  if ! "build-fuzz/fuzz/$name" -max_total_time="${FUZZ_SECONDS:-$seconds}" -print_final_stats=1 "${options[@]}" \
       -artifact_prefix="build-fuzz/$name-" "$corpus" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$name found a fault; the input is in build-fuzz/"
    exit 1
  fi
  tail -n 4 "$log"
  rm -rf "$corpus" "$log"
done
