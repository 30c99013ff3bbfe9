#!/usr/bin/env bash
# Starts the real window program under a virtual X display, hands a second
# file over from a second launch and quits it through its menu shortcut.
# usage: window_smoke.sh <kivotra binary> <screenshot folder>
set -euo pipefail

bin=$(readlink -f "$1")
shots=$(mkdir -p "$2" && readlink -f "$2")

if [ -z "${DISPLAY:-}" ] || [ "${KIVOTRA_SMOKE_XVFB:-}" != 1 ]; then
  export KIVOTRA_SMOKE_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x900x24" "$0" "$@"
fi

. "$(dirname "$0")/../support/private_session.sh"

ffmpeg -loglevel error -f lavfi -i "testsrc2=size=640x360:rate=30:duration=1" -c:v libx264 -preset ultrafast \
  -pix_fmt yuv420p "$work/横屏 landscape.mp4"

fail() { echo "window_smoke: $*" >&2; exit 1; }

"$bin" "$work/横屏 landscape.mp4" &
pid=$!

wid=
for _ in $(seq 1 100); do
  wid=$(xdotool search --onlyvisible --name '^KivotraMP4$' 2>/dev/null | head -1 || true)
  [ -n "$wid" ] && break
  kill -0 "$pid" 2>/dev/null || fail "the program ended before its window appeared"
  sleep 0.2
done
[ -n "$wid" ] || fail "no window titled KivotraMP4"

# What the running window receives is the shared-machine and shell tests' to check; here a
# second launch must end at once and leave the first window running.
timeout 10 "$bin" "$work/横屏 landscape.mp4" || fail "the second launch did not hand over and end"
kill -0 "$pid" 2>/dev/null || fail "the running window ended"
import -window root "$shots/smoke-window.png"

xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid"
xdotool key --clearmodifiers ctrl+q
for _ in $(seq 1 50); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
kill -0 "$pid" 2>/dev/null && fail "Ctrl+Q did not end the program"
wait "$pid" || fail "the program ended with status $?"
pid=
echo "window_smoke: ok"
