#!/usr/bin/env bash
# `make bench`: the engine against the ffmpeg command line doing the same work
# (same x264 preset and bitrate, same output size, AAC 128k), runs alternated,
# on two generated sources kept between runs:
#   1080p30, 30 s at 17 Mbit/s, hard to compress (moving test pattern under
#     film grain), stereo: to 720P at 3000 kbit/s
#   2160p30, 10 s at 48 Mbit/s, the same kind of picture: to 1080P at 5000 kbit/s
# Prints the wall-time ratio (ours / ffmpeg; below 1 is faster), CPU time,
# peak memory, and for the 1080p case the PSNR of both outputs against the
# source (both scaled back up the same way).
#
# Environment: BENCH_RUNS (per tool and case, default 3), BENCH_MEDIA (where
# the sources live, default <build>/bench-media), BENCH_SECONDS_1080 and
# BENCH_SECONDS_2160 (source lengths, default 30 and 10; shorter for a smoke run).
set -euo pipefail

build_dir=${1:-build}
runs=${BENCH_RUNS:-3}
media=${BENCH_MEDIA:-$build_dir/bench-media}
seconds_1080=${BENCH_SECONDS_1080:-30}
seconds_2160=${BENCH_SECONDS_2160:-10}
engine=$build_dir/bench/transcode_bench
work=$(mktemp -d "${TMPDIR:-/tmp}/kivotra-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

for tool in ffmpeg /usr/bin/time "$engine"; do
  if ! command -v "$tool" >/dev/null; then
    echo "bench: $tool is missing" >&2
    exit 1
  fi
done
mkdir -p "$media"

# A moving test pattern under strong per-frame grain, as from a small sensor
# in dim light, at a phone camera's bitrate, with a stereo tone.
make_source() {
  local out=$1 size=$2 seconds=$3 mbps=$4
  [ -s "$out" ] && return 0
  echo "bench: generating $out ($size, $seconds s)" >&2
  ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "testsrc2=size=$size:rate=30,noise=alls=14:allf=t+u" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000" \
    -f lavfi -i "sine=frequency=660:sample_rate=48000" \
    -filter_complex "[1:a][2:a]amerge=inputs=2[a]" -map 0:v -map "[a]" -t "$seconds" \
    -c:v libx264 -preset veryfast -b:v "${mbps}M" -maxrate "$((mbps * 5 / 4))M" -bufsize "$((mbps * 2))M" -pix_fmt yuv420p -color_primaries bt709 -color_trc bt709 -colorspace bt709 \
    -c:a aac -b:a 192k "$out.part.mp4"
  mv "$out.part.mp4" "$out"
}

# Runs a command and prints "wall cpu peak_kb".
measure() {
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || {
    cat "$work/err" >&2
    return 1
  }
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$work/time"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# PSNR of the luma of an output against the source, the output scaled back
# to the source's size with the same filter for every tool.
psnr() {
  local out=$1 src=$2 size=$3
  ffmpeg -hide_banner -nostats -i "$out" -i "$src" \
    -lavfi "[0:v]scale=${size/x/:}:flags=lanczos[o];[o][1:v]psnr" -f null - 2>&1 |
    sed -n 's/.*PSNR y:\([0-9.]*\).*/\1/p' | tail -1
}

run_case() {
  local name=$1 src=$2 src_size=$3 short=$4 kbps=$5 out_size=$6 with_psnr=$7
  local ours_wall=() ff_wall=() ours_cpu=() ff_cpu=() ours_rss=() ff_rss=()
  local ours_out="$work/$name-ours.mp4" ff_out="$work/$name-ffmpeg.mp4"
  for ((i = 1; i <= runs; i++)); do
    # Alternate which tool goes first, so neither always meets a warmer cache.
    local order=(ours ffmpeg)
    ((i % 2 == 0)) && order=(ffmpeg ours)
    for tool in "${order[@]}"; do
      if [ "$tool" = ours ]; then
        # The engine's own figures leave out the probe, which the app does on adding a file.
        "$engine" "$src" "$ours_out" "$short" "$kbps" >"$work/ours" 2>"$work/err" || {
          cat "$work/err" >&2
          exit 1
        }
        read -r wall cpu rss _ < <(sed 's/[a-z_]*=//g' "$work/ours")
        ours_wall+=("$wall") ours_cpu+=("$cpu") ours_rss+=("$rss")
      else
        read -r wall cpu rss < <(measure ffmpeg -hide_banner -loglevel error -y -i "$src" \
          -vf "scale=${out_size/x/:}" -c:v libx264 -preset veryfast -profile:v high -b:v "${kbps}k" \
          -c:a aac -b:a 128k "$ff_out")
        ff_wall+=("$wall") ff_cpu+=("$cpu") ff_rss+=("$rss")
      fi
    done
  done
  local ow fw
  ow=$(printf '%s\n' "${ours_wall[@]}" | median)
  fw=$(printf '%s\n' "${ff_wall[@]}" | median)
  printf '%-26s ours %7.2f s  ffmpeg %7.2f s  ratio %.3f\n' "$name" "$ow" "$fw" "$(echo "$ow / $fw" | bc -l)"
  printf '%-26s cpu  ours %7.2f s  ffmpeg %7.2f s   peak memory ours %d MB  ffmpeg %d MB\n' "" \
    "$(printf '%s\n' "${ours_cpu[@]}" | median)" "$(printf '%s\n' "${ff_cpu[@]}" | median)" \
    "$(($(printf '%s\n' "${ours_rss[@]}" | sort -n | tail -1) / 1024))" \
    "$(($(printf '%s\n' "${ff_rss[@]}" | sort -n | tail -1) / 1024))"
  printf '%-26s walls ours %s  ffmpeg %s\n' "" "${ours_wall[*]}" "${ff_wall[*]}"
  if [ "$with_psnr" = yes ]; then
    local po pf
    po=$(psnr "$ours_out" "$src" "$src_size")
    pf=$(psnr "$ff_out" "$src" "$src_size")
    printf '%-26s PSNR-Y vs source: ours %.2f dB  ffmpeg %.2f dB  difference %+.2f dB\n' "" "$po" "$pf" \
      "$(echo "$po - $pf" | bc -l)"
  fi
}

src1080="$media/hard-1080p30-${seconds_1080}s.mp4"
src2160="$media/hard-2160p30-${seconds_2160}s.mp4"
make_source "$src1080" 1920x1080 "$seconds_1080" 17
make_source "$src2160" 3840x2160 "$seconds_2160" 48

echo "bench: $runs runs per tool and case, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
run_case "1080p30 to 720P 3000k" "$src1080" 1920x1080 720 3000 1280x720 yes
run_case "2160p30 to 1080P 5000k" "$src2160" 3840x2160 1080 5000 1920x1080 no
