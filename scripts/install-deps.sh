#!/usr/bin/env bash
# Installs every Debian package Quorix needs to build, test and run.
# Idempotent: packages already present are left alone.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build ccache pkg-config git
  # tests and benchmarks (OpenSSL only serves as an independent oracle in tests)
  googletest libgtest-dev libgmock-dev libbenchmark-dev libssl-dev
  # core: JSON texts, audio and video codecs, JPEG rectangles
  libjson-c-dev libopus-dev libgsm1-dev libspeexdsp-dev
  libavcodec-dev libavutil-dev libswresample-dev libavformat-dev libswscale-dev
  libx264-dev libjpeg62-turbo-dev libturbojpeg0-dev
  # application: Qt Widgets, HTTP, system proxies (with the PAC runner), XML
  qt6-base-dev libcurl4-openssl-dev libproxy-dev libproxy1-plugin-webkit libxml2-dev
  # tests of desktop notices: a private session bus of their own
  dbus-daemon
  # fuzzing: clang with libFuzzer and the sanitizer runtimes
  clang libclang-rt-dev
  # the WebSocket client's tests run against a Node.js server (npm package below)
  nodejs
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#PACKAGES[@]} packages present"
else
  echo "install-deps: installing ${missing[*]}"
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# npm comes with some Node.js builds; Debian's own nodejs needs its npm package.
if ! command -v npm >/dev/null; then
  echo "install-deps: installing npm"
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends npm
fi

# The npm package "ws" (a WebSocket server the client is tested against), in
# a folder outside the work tree; tests find it there (or in QUORIX_NODE_PREFIX).
NODE_PREFIX=${QUORIX_NODE_PREFIX:-$HOME/.cache/quorix-node}
if [ ! -f "$NODE_PREFIX/node_modules/ws/package.json" ]; then
  echo "install-deps: installing the npm package ws into $NODE_PREFIX"
  mkdir -p "$NODE_PREFIX"
  npm install --prefix "$NODE_PREFIX" --no-audit --no-fund --loglevel=error ws@8
fi
