#!/usr/bin/env bash
# Builds the benchmarks optimised and runs them all (or those named); the
# application-half benchmarks paint offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/quorix-ccache}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench -j "$(nproc)"
for b in build/bench/bench/bench_*; do
  name=$(basename "$b")
  if [ $# -gt 0 ] && [[ ! " $* " == *" ${name#bench_} "* ]]; then continue; fi
  echo "== $name"; "$b"
done
