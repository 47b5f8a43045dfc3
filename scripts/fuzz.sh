#!/usr/bin/env bash
# Builds the libFuzzer targets (build/fuzz, clang, ASan + UBSan) and runs each
# over its seed corpus (fuzz/corpus/<name>) and what earlier runs found
# (build/fuzz/corpus/<name>). A crash, leak, sanitizer report, time-out or
# memory excess of any target fails the run; the input that caused it is kept
# in build/fuzz/artifacts/.
#
#   scripts/fuzz.sh [-t SECONDS] [-p PARALLEL] [-o FOLDER] [--no-build] [NAME...]
#     -t  seconds each target runs (default 600)
#     -p  targets run at once (default 2)
#     -o  folder for the logs, findings and grown corpora (default build/fuzz)
#     NAME  targets to run, e.g. conf_recv (default: all)
#
# scripts/test.sh runs every target for 30 seconds (QUORIX_FUZZ_SECONDS).
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_EACH=600
PARALLEL=2
BUILD=1
OUT=build/fuzz
NAMES=()
while [ $# -gt 0 ]; do
  case "$1" in
    -t) SECONDS_EACH=$2; shift 2 ;;
    -p) PARALLEL=$2; shift 2 ;;
    -o) OUT=$2; shift 2 ;;
    --no-build) BUILD=0; shift ;;
    -h|--help) sed -n 2,15p "$0"; exit 0 ;;
    *) NAMES+=("$1"); shift ;;
  esac
done

export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/quorix-ccache}
BUILD_DIR=build/fuzz
if [ "$BUILD" = 1 ]; then
  CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DCMAKE_C_FLAGS_DEBUG="-g -O1" -DQUORIX_SANITIZE=address \
    -DQUORIX_BUILD_FUZZ=ON -DQUORIX_BUILD_APP=OFF -DQUORIX_BUILD_TESTS=OFF -DQUORIX_BUILD_BENCH=OFF \
    -DQUORIX_BUILD_TOOLS=OFF >/dev/null
  cmake --build "$BUILD_DIR" -j "${QUORIX_JOBS:-$(nproc)}" --target fuzz_all
fi

if [ ${#NAMES[@]} -eq 0 ]; then
  for f in "$BUILD_DIR"/fuzz/fuzz_*; do
    [ -x "$f" ] && [ -f "$f" ] && NAMES+=("$(basename "$f" | sed 's/^fuzz_//')")
  done
fi
if [ ${#NAMES[@]} -eq 0 ]; then
  echo "fuzz: no targets built" >&2
  exit 1
fi

mkdir -p "$OUT/artifacts" "$OUT/logs"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen

# One target: its result line goes to <log>.result.
run_one() {
  local name=$1
  local bin=$BUILD_DIR/fuzz/fuzz_$name
  local log=$OUT/logs/$name.log
  local found=$OUT/corpus/$name
  local seeds=fuzz/corpus/$name
  mkdir -p "$found" "$seeds"
  # Inputs up to 64 KiB, or up to the largest seed (a whole model file).
  local max_len=65536 largest
  largest=$(find "$seeds" -type f -printf '%s\n' | sort -n | tail -1)
  [ -n "$largest" ] && [ "$largest" -gt "$max_len" ] && max_len=$largest
  local rc=0
  "$bin" -max_total_time="$SECONDS_EACH" -timeout=25 -rss_limit_mb=2560 -max_len="$max_len" \
    -print_final_stats=1 -artifact_prefix="$OUT/artifacts/$name-" "$found" "$seeds" >"$log" 2>&1 || rc=$?
  local execs
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ "$rc" -eq 0 ]; then
    echo "fuzz_$name: passed, ${execs:-?} executions in ${SECONDS_EACH} s" >"$log.result"
  else
    local what
    what=$(grep -m1 -oE "ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer): [a-zA-Z-]+|runtime error: .*|deadly signal|timeout after [0-9]+ seconds|out-of-memory" "$log" || true)
    echo "fuzz_$name: FAILED (${what:-exit $rc}), see $log" >"$log.result"
  fi
}

status=0
running=0
for name in "${NAMES[@]}"; do
  if [ ! -x "$BUILD_DIR/fuzz/fuzz_$name" ]; then
    echo "fuzz_$name: FAILED (no such target)"
    status=1
    continue
  fi
  rm -f "$OUT/logs/$name.log.result"
  run_one "$name" &
  running=$((running + 1))
  if [ "$running" -ge "$PARALLEL" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait || true

for name in "${NAMES[@]}"; do
  result=$OUT/logs/$name.log.result
  [ -f "$result" ] || continue
  cat "$result"
  grep -q FAILED "$result" && status=1
done
exit $status
