#!/usr/bin/env bash
# Starts the real window program under a virtual X display, hands a second
# file over from a second launch, takes a screenshot and quits it through its
# menu shortcut.
# usage: window_smoke.sh <kivotra binary> <screenshot folder>
set -euo pipefail

bin=$(readlink -f "$1")
shots=$(mkdir -p "$2" && readlink -f "$2")

if [ -z "${DISPLAY:-}" ] || [ "${KIVOTRA_SMOKE_XVFB:-}" != 1 ]; then
  export KIVOTRA_SMOKE_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x900x24" "$0" "$@"
fi

. "$(dirname "$0")/../support/private_session.sh"

# Two short movies from one ffmpeg run: landscape with sound, and portrait (turned) without.
enc=(-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac)
ffmpeg -loglevel error -f lavfi -i "testsrc2=size=640x360:rate=30:duration=1" -f lavfi -i "sine=frequency=440:duration=1" \
  -filter_complex "[0:v]split=2[l][p];[p]transpose=1[pt]" -map "[l]" -map 1:a "${enc[@]}" "$work/横屏 landscape.mp4" \
  -map "[pt]" "${enc[@]}" "$work/portrait.mov"

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

# The hand-over itself is checked by the shell and shared-machine tests; here a second
# launch must end at once and leave the first window running.
timeout 10 "$bin" "$work/portrait.mov" || fail "the second launch did not hand over and end"
kill -0 "$pid" 2>/dev/null || fail "the running window ended"
sleep 1  # let the probes fill in the covers
import -window root "$shots/smoke-two-files.png"

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
