#!/usr/bin/env bash
# Sets up, builds and starts broodlog.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DBROODLOG_TESTS=OFF -DBROODLOG_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target broodlog
exec build/src/app/broodlog "$@"
