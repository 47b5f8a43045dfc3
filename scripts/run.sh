#!/usr/bin/env bash
# Builds Quorix (optimised) and starts it:
#   scripts/run.sh              starts the demo room (tools/demo-room: a loopback
#                               stand-in for a conference service, with scripted
#                               participants) and opens the client in it; the room
#                               stops when the client exits
#   scripts/run.sh LINK         opens the client with a launch link
#                               ('quorix://launch?p=...') instead
#   scripts/run.sh --demo-only  runs the demo room alone: it prints its link and
#                               waits until Ctrl-C
# scripts/install-desktop-entry.sh makes the desktop open quorix:// links with the program.
# QUORIX_BUILD_DIR=<configured build tree> builds and runs the program from that
# tree instead (the test of the conference window under Xvfb uses its own).
# QUORIX_DEMO_LOG=<file> keeps the demo room's log (its participants' lines
# too) in that file instead of a temporary one.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/quorix-ccache}
# QUORIX_BUILD_DIR names a build tree that is already configured (the tests'
# own): only the program and the demo room are built there.
build=${QUORIX_BUILD_DIR:-}
if [ -n "$build" ]; then
  cmake --build "$build" -j "$(nproc)" --target quorix quorix_demo_room quorix_demo_participant
else
  build=build/release
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUORIX_BUILD_TESTS=OFF -DQUORIX_BUILD_BENCH=OFF >/dev/null
  cmake --build "$build" -j "$(nproc)"
fi

client=$build/app/quorix
room=$build/tools/demo-room/quorix_demo_room

if [ "${1:-}" = "--demo-only" ]; then
  exec "$room"
fi
if [ ! -x "$client" ]; then
  echo "run.sh: the desktop program has no entry point yet (the core and the application's" >&2
  echo "services are built; scripts/test.sh runs their tests; 'scripts/run.sh --demo-only'" >&2
  echo "runs the demo room alone and prints its launch link)" >&2
  exit 1
fi
if [ $# -gt 0 ]; then
  exec "$client" "$@"
fi

# One client runs per user: a second one hands its link to it and ends. A new
# demo room would then take the running client out of its meeting and stop
# with this script at once, so the running client is only brought forward.
# (A client of this user with the same runtime folder, where its
# single-instance socket lives.)
running_client() {
  local p env
  for p in /proc/[0-9]*; do
    [ "$(cat "$p/comm" 2>/dev/null)" = quorix ] && [ -O "$p" ] || continue
    env=$(tr '\0' '\n' <"$p/environ" 2>/dev/null | grep '^XDG_RUNTIME_DIR=' || true)
    [ "$env" = "${XDG_RUNTIME_DIR:+XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR}" ] && return 0
  done
  return 1
}
if running_client; then
  echo "run.sh: Quorix is already running; its window is brought forward and its meeting goes on." >&2
  echo "run.sh: leave that meeting (or quit Quorix) to open the demo room again." >&2
  "$client" || true
  exit 0
fi

# The demo room in the background; its link opens the client.
log=${QUORIX_DEMO_LOG:-$(mktemp)}
"$room" >"$log" 2>&1 &
room_pid=$!
stop_room() {
  kill -TERM "$room_pid" 2>/dev/null || true
  wait "$room_pid" 2>/dev/null || true
  [ -n "${QUORIX_DEMO_LOG:-}" ] || rm -f "$log"
}
trap stop_room EXIT
link=""
for _ in $(seq 300); do
  link=$(grep -m1 '^quorix://' "$log" || true)
  [ -n "$link" ] && break
  if ! kill -0 "$room_pid" 2>/dev/null; then
    echo "run.sh: the demo room did not start:" >&2
    cat "$log" >&2
    exit 1
  fi
  sleep 0.1
done
if [ -z "$link" ]; then
  echo "run.sh: the demo room wrote no link within 30 s:" >&2
  cat "$log" >&2
  exit 1
fi
grep '^demo-room:' "$log" || true
"$client" "$link"
