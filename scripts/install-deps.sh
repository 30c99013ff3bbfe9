#!/usr/bin/env bash
# Installs the Debian packages Kivotra needs to build, test and run.
# Idempotent: when everything is present it installs nothing and prints nothing.
# Extra package names may be given as arguments (`make bench` adds its tools).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libavcodec-dev libavformat-dev libavfilter-dev libswscale-dev libswresample-dev libavutil-dev
  ffmpeg time bc
  qt6-base-dev qt6-declarative-dev qt6-svg-dev qt6-tools-dev qt6-l10n-tools
  qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
  qml6-module-qtquick-dialogs qml6-module-qtquick-window qml6-module-qtquick-templates
  qml6-module-qtqml-workerscript qml6-module-qtquick-shapes qml6-module-qt5compat-graphicaleffects
  qml6-module-qttest qml6-module-qtqml-models qml6-module-qt-labs-platform
  qml6-module-qt-labs-folderlistmodel
  libgtest-dev
  xvfb xauth x11-utils xdotool imagemagick
  dbus-daemon at-spi2-core python3-pyatspi qt6-translations-l10n
  qt6-xdgdesktopportal-platformtheme qt6-gtk-platformtheme
  fonts-noto-cjk
  locales
  desktop-file-utils dbus-daemon
  lintian appstream man-db zsh fish python3
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A locale with a comma decimal separator, so the tests can prove that formatting ignores it.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if [ -f /etc/locale.gen ] && ! grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'de_DE.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${sudo_cmd[@]}" locale-gen >/dev/null 2>&1 || true
fi
