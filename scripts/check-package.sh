#!/usr/bin/env bash
# Checks the Debian package `make package` built: its fields, its files, its dependencies, and
# that the program inside runs from an unpacked copy (not from the build tree).
#   scripts/check-package.sh [PACKAGE.deb]   (default: the newest build/ovisu_*.deb)
set -euo pipefail
cd "$(dirname "$0")/.."

deb=${1:-$(ls -t build/ovisu_*_amd64.deb 2>/dev/null | head -n 1 || true)}
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
  echo "check-package: no package found; run 'make package' first" >&2
  exit 1
fi

failures=0
checks=0
fail() { echo "check-package: FAIL: $*" >&2; failures=$((failures + 1)); }
check() { checks=$((checks + 1)); }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

echo "== $deb"
dpkg-deb --info "$deb" | tee "$scratch/info"
dpkg-deb --contents "$deb" > "$scratch/contents"

field() { dpkg-deb --field "$deb" "$1"; }
check; [ "$(field Package)" = ovisu ] || fail "Package is '$(field Package)'"
check; [ "$(field Architecture)" = amd64 ] || fail "Architecture is '$(field Architecture)'"
check; [ -n "$(field Maintainer)" ] || fail "no Maintainer"
check; [ -n "$(field Section)" ] || fail "no Section"

# Every dependency name, without versions or alternatives' bars.
depends=$(field Depends | tr ',|' '\n\n' | sed 's/(.*)//; s/^ *//; s/ *$//' | sed '/^$/d')
for needed in libqt6widgets6 libqt6network6 libtesseract5 qt6-qpa-plugins tesseract-ocr-jpn fonts-noto-cjk curl tar unzip; do
  check; grep -qx "$needed" <<<"$depends" || fail "Depends lacks $needed: $(field Depends)"
done

for path in usr/bin/ovisu usr/share/applications/ovisu.desktop \
            usr/share/icons/hicolor/scalable/apps/ovisu.svg usr/share/icons/hicolor/256x256/apps/ovisu.png \
            usr/share/man/man1/ovisu.1.gz usr/share/ovisu/models/text-detector.onnx \
            usr/share/ovisu/tessdata-best/jpn.traineddata; do
  check; grep -q " \./$path\$" "$scratch/contents" || fail "the package lacks /$path"
done
# Nothing from the build tree or the tests rides along.
check; ! grep -Eq '/(tests|bench)/|_tests$|ovisu-fake|ovisu-test-game' "$scratch/contents" || fail "test programs in the package"

root="$scratch/root"
dpkg-deb -x "$deb" "$root"

if command -v desktop-file-validate >/dev/null 2>&1; then
  check; desktop-file-validate "$root/usr/share/applications/ovisu.desktop" || fail "desktop-file-validate"
else
  echo "check-package: desktop-file-validate not installed, entry not validated"
fi
check; grep -qx 'Exec=ovisu' "$root/usr/share/applications/ovisu.desktop" || fail "the entry does not start ovisu"
check; [ "$(head -c 8 "$root/usr/share/icons/hicolor/256x256/apps/ovisu.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] &&
  [ "$(od -An -j16 -N8 -tu1 "$root/usr/share/icons/hicolor/256x256/apps/ovisu.png" | tr -s ' ')" = " 0 0 1 0 0 0 1 0" ] ||
  fail "the bitmap icon is not a 256 x 256 PNG"
check; zcat "$root/usr/share/man/man1/ovisu.1.gz" | grep -q '^\.SS providers' || fail "the man page lacks the commands"

# The unpacked program, in a home of its own, answers as the one built.
home="$scratch/home"
mkdir -p "$home"
version=$(OVISU_HOME="$home" "$root/usr/bin/ovisu" --version) || version="(ovisu --version failed)"
check; [[ "$version" == "Ovisu $(field Version) "* ]] || fail "ovisu --version says '$version', the package $(field Version)"
OVISU_HOME="$home" "$root/usr/bin/ovisu" providers > "$scratch/providers" || fail "ovisu providers failed"
check; [ "$(grep -c . "$scratch/providers")" -eq 27 ] || fail "ovisu providers listed $(grep -c . "$scratch/providers") lines, not a header and 26 sources"
check; grep -q 'google-free' "$scratch/providers" || fail "ovisu providers lacks the Google source"

if [ "$failures" -ne 0 ]; then
  echo "check-package: $failures of $checks checks failed" >&2
  exit 1
fi
echo "check-package: all $checks checks passed"
