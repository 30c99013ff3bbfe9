#!/usr/bin/env bash
# Installs the build into a private DESTDIR as a distribution would and checks
# what a desktop needs: both executables, a valid .desktop entry and the icons.
set -euo pipefail
build_dir=$1
root=$(mktemp -d "${TMPDIR:-/tmp}/kivotra-install-XXXXXX")
trap 'rm -rf "$root"' EXIT

DESTDIR="$root" cmake --install "$build_dir" --prefix /usr >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
for exe in kivotra kivotra-cli; do
  [ -x "$root/usr/bin/$exe" ] || fail "$exe not installed in /usr/bin"
done
[ ! -e "$root/usr/bin/kivotra-render-icon" ] || fail "the build-time icon renderer must not be installed"

desktop="$root/usr/share/applications/com.example.kivotra.desktop"
[ -f "$desktop" ] || fail "no .desktop file"
# desktop-file-validate runs in deb_lint_test.sh (it needs a filter for older validators).
grep -qx 'Exec=kivotra %F' "$desktop" || fail "Exec line"
grep -qx 'MimeType=video/mp4;video/quicktime;video/x-m4v;' "$desktop" || fail "MimeType line"
grep -q '^Name\[zh_CN\]=' "$desktop" || fail "no Chinese name"
grep -qx 'Icon=kivotra' "$desktop" || fail "Icon line"

icons="$root/usr/share/icons/hicolor"
[ -s "$icons/scalable/apps/kivotra.svg" ] || fail "no scalable icon"
for size in 16 24 32 48 64 128 256; do
  png="$icons/${size}x${size}/apps/kivotra.png"
  [ -s "$png" ] || fail "no ${size}px icon"
  # PNG signature, then the IHDR width and height as big-endian 32-bit numbers.
  header=$(od -An -tx1 -N24 "$png" | tr -d ' \n')
  [ "${header:0:16}" = "89504e470d0a1a0a" ] || fail "$png is not a PNG"
  [ $((16#${header:32:8})) -eq "$size" ] && [ $((16#${header:40:8})) -eq "$size" ] || fail "$png is not ${size}x${size}"
done
echo "installed tree is complete"
