#!/usr/bin/env bash
# What `make run` runs for the build in $1: the window when there is a display,
# otherwise a demonstration in the terminal.
set -euo pipefail
build_dir=${1:-build}
bin="$build_dir/bin"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/kivotra"
fi

echo "没有图形显示（DISPLAY 与 WAYLAND_DISPLAY 都未设置），改为在终端演示：生成 4 段演示视频并压缩为 720P。"
"$bin/kivotra" demogen demo/
# The demo folder belongs to the demo: earlier outputs go so the names stay plain.
rm -f demo/*_压缩_*.mp4
exec "$bin/kivotra-cli" compress --resolution 720P demo/*.mov
