#!/usr/bin/env bash
# Starts the real window program under a virtual X display with two files,
# hands a third over from a second launch, takes screenshots and quits it
# through its menu shortcut.
# usage: window_smoke.sh <kivotra binary> <screenshot folder>
set -euo pipefail

bin=$(readlink -f "$1")
shots=$(mkdir -p "$2" && readlink -f "$2")

if [ -z "${DISPLAY:-}" ] || [ "${KIVOTRA_SMOKE_XVFB:-}" != 1 ]; then
  export KIVOTRA_SMOKE_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x900x24" "$0" "$@"
fi

. "$(dirname "$0")/../support/private_session.sh"

# Three short movies from one ffmpeg run: landscape, portrait (turned) and one without sound.
enc=(-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac)
ffmpeg -loglevel error -f lavfi -i "testsrc2=size=640x360:rate=30:duration=1" -f lavfi -i "sine=frequency=440:duration=1" \
  -filter_complex "[0:v]split=3[l][p][t];[p]transpose=1[pt]" -map "[l]" -map 1:a "${enc[@]}" "$work/横屏 landscape.mp4" \
  -map "[pt]" -map 1:a "${enc[@]}" "$work/portrait.mov" -map "[t]" "${enc[@]}" "$work/third.m4v"

fail() { echo "window_smoke: $*" >&2; exit 1; }

"$bin" "$work/横屏 landscape.mp4" "$work/portrait.mov" &
pid=$!

wid=
for _ in $(seq 1 100); do
  wid=$(xdotool search --onlyvisible --name '^KivotraMP4$' 2>/dev/null | head -1 || true)
  [ -n "$wid" ] && break
  kill -0 "$pid" 2>/dev/null || fail "the program ended before its window appeared"
  sleep 0.2
done
[ -n "$wid" ] || fail "no window titled KivotraMP4"

socket="$XDG_RUNTIME_DIR/kivotra/window.sock"
listed() {  # what the running window lists, as it answers a hand-over
  python3 - "$socket" <<'PY'
import json, socket, sys
s = socket.socket(socket.AF_UNIX)
s.connect(sys.argv[1])
s.sendall(b'{"open": []}\n')
data = b''
while not data.endswith(b'\n'):
    chunk = s.recv(4096)
    if not chunk: break
    data += chunk
print('\n'.join(json.loads(data)['files']))
PY
}

for _ in $(seq 1 50); do [ "$(listed 2>/dev/null | wc -l)" = 2 ] && break; sleep 0.1; done
[ "$(listed | wc -l)" = 2 ] || fail "the first launch's two files are not listed"
import -window root "$shots/smoke-first-launch.png"

timeout 10 "$bin" "$work/third.m4v" || fail "the second launch did not hand over and end"
kill -0 "$pid" 2>/dev/null || fail "the running window ended"
listed | grep -qx "$work/third.m4v" || fail "the second launch's file did not arrive"
[ "$(listed | wc -l)" = 3 ] || fail "expected three listed files"

sleep 0.5  # let the probes fill in the covers
import -window root "$shots/smoke-second-launch.png"

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
