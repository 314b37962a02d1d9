#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing and running Ovisu needs.
# Idempotent: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  # build
  build-essential cmake pkg-config ccache git
  # Qt 6 (TextToSpeech's CMake package needs qt6-declarative-dev; Qt's X11 pieces want xkbcommon)
  qt6-base-dev qt6-base-dev-tools qt6-speech-dev qt6-declarative-dev qt6-speech-speechd-plugin
  libqt6texttospeech6 libxkbcommon-dev libgl-dev qt6-qpa-plugins
  # recognition, capture, language guess, packaging
  libtesseract-dev tesseract-ocr-jpn tesseract-ocr-jpn-vert tesseract-ocr-eng
  libxcb1-dev libxcb-composite0-dev libxcb-shm0-dev libx11-xcb-dev
  libcld2-dev libzip-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev libcpp-httplib-dev
  xvfb openbox x11-utils xauth xdotool libxcb-xtest0-dev
  # fonts so Japanese and Chinese text renders; the Japanese ones also vary the recognition bench
  fonts-noto-cjk fonts-ipaexfont-gothic fonts-ipaexfont-mincho fonts-vlgothic
  # run-time helpers the program starts
  curl tar unzip
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
