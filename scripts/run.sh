#!/usr/bin/env bash
# Builds Quorix (optimised) and starts it; arguments go to the program,
# e.g. a launch link: scripts/run.sh 'quorix://launch?p=...'
# (scripts/install-desktop-entry.sh makes the desktop open quorix:// links with it)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/quorix-ccache}
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQUORIX_BUILD_TESTS=OFF -DQUORIX_BUILD_BENCH=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
if [ ! -x build/release/app/quorix ]; then
  echo "run.sh: the desktop program has no entry point yet (the core and the application's" >&2
  echo "services are built; scripts/test.sh runs their tests)" >&2
  exit 1
fi
exec build/release/app/quorix "$@"
