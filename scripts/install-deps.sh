#!/usr/bin/env bash
# Installs every Debian package Quorix needs to build, test and run.
# Idempotent: packages already present are left alone.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build ccache pkg-config git
  # tests and benchmarks (OpenSSL only serves as an independent oracle in the tests
  # and their loopback peers, which the demo room under tools/ uses too)
  googletest libgtest-dev libgmock-dev libbenchmark-dev libssl-dev
  # core: JSON texts, audio and video codecs, JPEG rectangles
  libjson-c-dev libopus-dev libgsm1-dev libspeexdsp-dev
  libavcodec-dev libavutil-dev libswresample-dev libavformat-dev libswscale-dev
  libx264-dev libjpeg62-turbo-dev libturbojpeg0-dev
  # application: Qt Widgets, HTTP, system proxies (with the PAC runner), XML
  qt6-base-dev libcurl4-openssl-dev libproxy-dev libproxy1-plugin-webkit libxml2-dev
  # sound: the PulseAudio client library; the server runs the audio tests' null devices
  libpulse-dev pulseaudio pulseaudio-utils
  # camera capture (libv4l2 converts camera formats)
  libv4l-dev
  # benchmarks: libyuv is the yardstick of the picture conversions
  libyuv-dev
  # tests of desktop notices: a private session bus of their own
  dbus-daemon
  # tests: a real HTTP proxy for the login through a proxy
  tinyproxy
  # the help documents (PDF) shown in the help window
  libpoppler-qt6-dev
  # shared web pages of document sharing
  qt6-webengine-dev
  # document sharing: saved page pictures (Qt's TIFF and other image writers, giflib
  # for GIF); the tests count printed pages with pdfinfo
  qt6-image-formats-plugins libgif-dev poppler-utils
  # fuzzing: clang with libFuzzer and the sanitizer runtimes
  clang libclang-rt-dev
  # the WebSocket client's tests run against a Node.js server (npm package below)
  nodejs
  # tests: the conference window on a virtual X display, as a user starts it
  # (the test reads the screen through libxcb)
  xvfb libxcb1-dev
  # remote input of application sharing: events posted through XTest, keys found
  # in the keyboard layout with xkbcommon, keysyms from the X11 keysym definitions;
  # the tests switch the virtual display's layout with setxkbmap
  libxkbcommon-dev libxkbcommon-x11-dev libxcb-xtest0-dev libxcb-xkb-dev x11proto-dev x11-xkb-utils
  # taking control back: the user's own keys told from posted ones (XInput 2)
  libxcb-xinput-dev
  # sharing: screen capture (shared memory, cursor, primary output), the window
  # manager's window list and the running applications on X11; the tests run
  # openbox with helper windows and copy text with xclip
  libxcb-shm0-dev libxcb-xfixes0-dev libxcb-randr0-dev libxcb-ewmh-dev libxcb-icccm4-dev libxcb-res0-dev
  openbox x11-apps xclip
  # tests: a popup window's size hints are read back with xprop
  x11-utils
  # tests: recordings are read back with ffprobe
  ffmpeg
  # tests: the chat windows drawn with Japanese lines
  fonts-ipafont-gothic
  # document sharing: office documents turned into PDF by LibreOffice without a
  # display before they are uploaded; the tests read the PDF with pdfinfo
  libreoffice-writer-nogui libreoffice-calc-nogui libreoffice-impress-nogui poppler-utils
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

# The person-segmentation model (selfie segmentation, Apache-2.0) from the npm
# registry, into the cache folder where the application and the tests look for
# it. npm comes from Debian unless an installed Node.js brings its own.
MODEL_DIR="${XDG_CACHE_HOME:-$HOME/.cache}/quorix/models"
MODEL="$MODEL_DIR/selfie_segmentation.tflite"
MODEL_SHA256=8d13b7fae74af625c641226813616a2117bd6bca19eb3b75574621fc08557f27
if ! echo "$MODEL_SHA256  $MODEL" | sha256sum -c --status 2>/dev/null; then
  if ! command -v npm >/dev/null; then
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends npm
  fi
  tmp=$(mktemp -d)
  if (cd "$tmp" && npm pack --silent @mediapipe/selfie_segmentation@0.1.1675465747 >/dev/null &&
    tar -xzf mediapipe-selfie_segmentation-0.1.1675465747.tgz package/selfie_segmentation.tflite) &&
    echo "$MODEL_SHA256  $tmp/package/selfie_segmentation.tflite" | sha256sum -c --status; then
    mkdir -p "$MODEL_DIR"
    cp "$tmp/package/selfie_segmentation.tflite" "$MODEL"
    chmod 644 "$MODEL"
    echo "install-deps: segmentation model in $MODEL_DIR"
  else
    echo "install-deps: could not fetch the segmentation model (or it did not match its checksum)" >&2
  fi
  rm -rf "$tmp"
fi

# A photograph of a person in front of a plain backdrop for the segmentation
# tests: the astronaut picture of Debian's scikit-image package, taken out of
# the package file (nothing of it is installed).
PHOTO="${XDG_CACHE_HOME:-$HOME/.cache}/quorix/testdata/astronaut.png"
if [ ! -s "$PHOTO" ]; then
  tmp=$(mktemp -d)
  chmod 777 "$tmp"
  if (cd "$tmp" && apt-get download -qq python3-skimage >/dev/null 2>&1 &&
    dpkg-deb --fsys-tarfile python3-skimage_*.deb |
      tar -x ./usr/lib/python3/dist-packages/skimage/data/astronaut.png); then
    mkdir -p "$(dirname "$PHOTO")"
    cp "$tmp/usr/lib/python3/dist-packages/skimage/data/astronaut.png" "$PHOTO"
    echo "install-deps: test photograph in $(dirname "$PHOTO")"
  else
    echo "install-deps: could not fetch the test photograph" >&2
  fi
  rm -rf "$tmp"
fi
