#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks that it carries the
# executables and declares the libraries and modules it needs at run time.
set -euo pipefail
build_dir=$(cd "$1" && pwd)
out=$(mktemp -d "${TMPDIR:-/tmp}/kivotra-deb-XXXXXX")
trap 'rm -rf "$out"' EXIT

(cd "$out" && cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/kivotra_*.deb)
fail() { echo "FAIL: $*" >&2; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for dep in libavcodec libavformat libqt6core6 libqt6quick6 libqt6svg6 qml6-module-qtquick-controls qml6-module-qtquick-dialogs fonts-noto-cjk; do
  grep -q "$dep" <<<"$depends" || fail "Depends lacks $dep"
done
contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/kivotra ./usr/bin/kivotra-cli ./usr/share/applications/com.example.kivotra.desktop \
            ./usr/share/icons/hicolor/scalable/apps/kivotra.svg; do
  grep -q " $path\$" <<<"$contents" || fail "package lacks $path"
done
echo "package is complete"
