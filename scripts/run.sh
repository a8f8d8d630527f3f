#!/usr/bin/env bash
# Sets up, builds and starts broodlog.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Only the program is built; the folder's other settings (the tests, once
# scripts/test.sh turned them on) are left as they are.
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)" --target broodlog
exec build/src/app/broodlog "$@"
