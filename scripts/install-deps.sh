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
  # sound: the PulseAudio client library; the server runs the audio tests' null devices
  libpulse-dev pulseaudio pulseaudio-utils
  # tests of desktop notices: a private session bus of their own
  dbus-daemon
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#PACKAGES[@]} packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
