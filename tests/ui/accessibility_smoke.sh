#!/usr/bin/env bash
# The real window program through the accessibility bus, as a screen reader sees it, under a
# virtual 1366 × 768 display at 125 % and a private session bus: controls are found by role and
# name, the start control is pressed through it, the file is compressed without a word on stderr,
# and Ctrl+Q quits.
# usage: accessibility_smoke.sh <kivotra binary>
set -euo pipefail

bin=$(readlink -f "$1")
here=$(dirname "$(readlink -f "$0")")

if [ "${KIVOTRA_A11Y_INNER:-}" != 1 ]; then
  export KIVOTRA_A11Y_INNER=1
  # A random first display number: other virtual displays may be starting beside this one.
  # No reset: the server would restart when its first client (the registry) lets go.
  exec xvfb-run -a -n $((100 + RANDOM % 500)) -s "-screen 0 1366x768x24 -noreset" dbus-run-session -- "$0" "$@"
fi

. "$(dirname "$0")/../support/private_session.sh"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_SCALE_FACTOR=1.25 NO_AT_BRIDGE=0

ffmpeg -loglevel error -f lavfi -i "testsrc2=size=320x240:rate=30:duration=1" -f lavfi -i "sine=duration=1" \
  -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest "$work/clip.mp4"

"$bin" "$work/clip.mp4" 2>"$work/stderr" &
pid=$!

# Debian's own interpreter: python3-pyatspi installs for it.
/usr/bin/python3 "$here/accessibility_smoke.py" "$work" || { cat "$work/stderr" >&2; exit 1; }

fail() { echo "accessibility_smoke: $*" >&2; exit 1; }
grep -E "x264|libx264|kb/s|\[(h264|aac|mov|libx264)" "$work/stderr" && fail "the window wrote FFmpeg's log"

wid=$(xdotool search --onlyvisible --name '^KivotraMP4$' 2>/dev/null | head -1 || true)
[ -n "$wid" ] || fail "no window titled KivotraMP4"
xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid"
xdotool key --clearmodifiers ctrl+q
for _ in $(seq 1 50); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
kill -0 "$pid" 2>/dev/null && fail "Ctrl+Q did not end the program"
wait "$pid" || fail "the program ended with status $?"
pid=
echo "accessibility_smoke: ok"
