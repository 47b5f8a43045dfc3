#!/usr/bin/env bash
# Installs what is missing, builds and runs every test:
#   build/asan  all tests under AddressSanitizer + UndefinedBehaviorSanitizer
#   build/tsan  the threaded areas under ThreadSanitizer
#   build/fuzz  every fuzz target for 30 s over its corpus (scripts/fuzz.sh)
# First it checks that the application's folders include one way.
# Extra arguments go to ctest (e.g. -L core.crypto).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

JOBS=${QUORIX_JOBS:-$(nproc)}
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/quorix-ccache}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp}
export QT_QPA_PLATFORM=offscreen

status=0

# The application's folders include one way (ARCHITECTURE.md, "Application layers").
scripts/check-layers.sh || status=1

cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DCMAKE_C_FLAGS_DEBUG="-g -O1" -DQUORIX_SANITIZE=address
cmake --build build/asan -j "$JOBS"
(cd build/asan && ctest --output-on-failure -j "$JOBS" "$@") || status=1

cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORIX_SANITIZE=thread \
  -DQUORIX_BUILD_APP=ON -DQUORIX_BUILD_BENCH=OFF
cmake --build build/tsan -j "$JOBS"
# ThreadSanitizer in this toolchain cannot cope with the kernel's largest
# address-space randomisation; run the suite with randomisation off.
(cd build/tsan && setarch "$(uname -m)" -R ctest --output-on-failure -j "$JOBS" "$@") || status=1

# Every fuzz target (build/fuzz, clang) for a short time over its corpus, in
# parallel; any crash, leak, sanitizer report or time-out fails the run.
# scripts/fuzz.sh runs them longer.
QUORIX_JOBS=$JOBS scripts/fuzz.sh -t "${QUORIX_FUZZ_SECONDS:-30}" -p "$JOBS" || status=1

exit $status
