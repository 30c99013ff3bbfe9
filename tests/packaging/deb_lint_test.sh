#!/usr/bin/env bash
# Builds the Debian packages: lintian finds no errors or warnings on either, and
# the package carries both programs and what a desktop needs to show the window
# program (its desktop entry and icon).
set -euo pipefail
build_dir=$(cd "$1" && pwd)
out=$(mktemp -d "${TMPDIR:-/tmp}/kivotra-lint-XXXXXX")
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The debug package is tens of megabytes of DWARF: dpkg-deb's fastest gzip
# level halves the build's time and changes nothing the checks look at.
export DPKG_DEB_COMPRESSOR_LEVEL=1
(cd "$out" && cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$out" >/dev/null 2>&1) || fail "cpack failed"
deb=$(ls "$out"/kivotra_*.deb)
ddeb=$(ls "$out"/kivotra-dbgsym_*.ddeb)

contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/kivotra ./usr/bin/kivotra-cli ./usr/share/applications/com.example.kivotra.desktop \
            ./usr/share/icons/hicolor/scalable/apps/kivotra.svg; do
  grep -q " $path\$" <<<"$contents" || fail "package lacks $path"
done

tags=$(lintian --allow-root "$deb" "$ddeb" 2>&1 | grep -E '^[EW]: ' || true)
[ -z "$tags" ] || fail "lintian:
$tags"
echo "packages are clean"
