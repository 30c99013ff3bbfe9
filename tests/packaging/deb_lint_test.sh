#!/usr/bin/env bash
# Builds the Debian packages and checks what a desktop and Debian's own tools
# need: the executables, desktop entry and icon, the run-time dependencies,
# lintian with no errors or warnings on either package (stripped executables
# and man pages groff renders without complaint among them), the AppStream and
# desktop-entry validators, man pages that document every option, completion
# scripts that parse, and one version everywhere.
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
version=$(dpkg-deb -f "$deb" Version)

# It carries the executables and declares the libraries and the modules it loads at run time.
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libavcodec libavformat libqt6core6 libqt6quick6 libqt6svg6 qml6-module-qtquick-controls qml6-module-qtquick-dialogs fonts-noto-cjk; do
  grep -q "$dep" <<<"$depends" || fail "Depends lacks $dep"
done
contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/kivotra ./usr/bin/kivotra-cli ./usr/share/applications/com.example.kivotra.desktop \
            ./usr/share/icons/hicolor/scalable/apps/kivotra.svg; do
  grep -q " $path\$" <<<"$contents" || fail "package lacks $path"
done
! grep -q "kivotra-render-icon" <<<"$contents" || fail "the build-time icon renderer is packaged"

tags=$(lintian --allow-root "$deb" "$ddeb" 2>&1 | grep -E '^[EW]: ' || true)
[ -z "$tags" ] || fail "lintian:
$tags"

root="$out/root"
dpkg-deb -x "$deb" "$root"
share="$root/usr/share"

# AppStream and the desktop entry share one id.
metainfo=$(ls "$share"/metainfo/*.metainfo.xml)
id=$(basename "$metainfo" .metainfo.xml)
grep -q "<id>$id</id>" "$metainfo" || fail "metainfo id is not $id"
appstreamcli validate --no-net "$metainfo" >/dev/null || fail "appstreamcli: $(appstreamcli validate --no-net "$metainfo")"
desktop="$share/applications/$id.desktop"
for line in 'SingleMainWindow=true' 'Exec=kivotra %F' 'Icon=kivotra' 'MimeType=video/mp4;video/quicktime;video/x-m4v;'; do
  grep -qx "$line" "$desktop" || fail "desktop entry lacks $line"
done
grep -q '^Name\[zh_CN\]=' "$desktop" || fail "desktop entry has no Chinese name"
# desktop-file-utils before 0.27 does not know this key yet; anything else counts.
problems=$(desktop-file-validate "$desktop" | grep -v 'key "SingleMainWindow" in group "Desktop Entry", but keys extending' || true)
[ -z "$problems" ] || fail "desktop-file-validate: $problems"

# One version: the package, the changelog, the newest release, --version, the man pages.
[ "$(zcat "$share/doc/kivotra/changelog.gz" | head -1)" = "kivotra ($version) unstable; urgency=medium" ] ||
  fail "changelog does not start with $version"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"

export LC_ALL=C.UTF-8 MANWIDTH=80
for exe in kivotra kivotra-cli; do
  man -l "$share/man/man1/$exe.1.gz" 2>/dev/null | grep "kivotra $version" >/dev/null || fail "man $exe does not name version $version"
done
cli_page=$(man -l "$share/man/man1/kivotra-cli.1.gz" 2>/dev/null)
cli_options=$("$build_dir/bin/kivotra-cli" compress --help | grep -oE -- '--[a-z-]+' | sort -u)
for option in $cli_options --version; do
  grep -q -- "$option" <<<"$cli_page" || fail "kivotra-cli(1) does not document $option"
done

# Completions: where each shell looks, and parseable.
bash -n "$share/bash-completion/completions/kivotra-cli"
zsh -n "$share/zsh/vendor-completions/_kivotra-cli"
fish -n "$share/fish/vendor_completions.d/kivotra-cli.fish"
echo "packages are clean"
