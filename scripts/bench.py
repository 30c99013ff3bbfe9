#!/usr/bin/env python3
"""`make bench`: Kivotra's engine against the ffmpeg and HandBrakeCLI command
lines doing the same work, and a sweep of x264 presets for our engine.

Sources are generated here (nothing is committed) and kept between runs in
BENCH_MEDIA. Every case runs once per tool per round; the cases alternate
(A B C D, A B C D, ...) and the tool order rotates each round, so no tool
always meets a warmer cache. Medians are reported. Quality (SSIM, PSNR) is
measured once per tool and case, on the first round's output, against the
source scaled to the output size with lanczos (or, for HDR, against a
reference tone-mapped with zscale + tonemap), frames aligned by timestamp.

Writes docs/benchmarks.md with two pictures beside it. Environment:
  BENCH_ROUNDS  rounds per case (default 3)
  BENCH_QUEUE_ROUNDS  rounds of the queue case G, when fewer than BENCH_ROUNDS
  BENCH_MEDIA   where the sources live (default <build>/bench-media)
  BENCH_QUICK=1 short sources, one round, report into <build>/bench-quick/
                (a smoke run of the harness, not a measurement)
  BENCH_ONLY    "sources" (generate and stop), "sweep" (the preset sweep only),
                "stop" (the stop latencies only, printed, no report), "phone" (the
                phone-footage cases of bench_phone.py only, into benchmarks-phone.md) or
                "queue" (case G only, printed; BENCH_BASELINE=another kivotra-cli runs too)
"""

import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
from dataclasses import dataclass, field
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BUILD = Path(sys.argv[1] if len(sys.argv) > 1 else "build").resolve()
QUICK = os.environ.get("BENCH_QUICK") == "1"
ONLY = os.environ.get("BENCH_ONLY", "")  # sources | sweep | stop | phone | queue: only that step
STOP_RUNS = 5
STOP_TARGET = 0.5  # seconds from the stop request until the engine has returned
ROUNDS = 1 if QUICK else int(os.environ.get("BENCH_ROUNDS", "3"))
MEDIA = Path(os.environ.get("BENCH_MEDIA", BUILD / ("bench-media-quick" if QUICK else "bench-media")))
OUT_DIR = BUILD / "bench-quick" if QUICK else ROOT / "docs"
CLI = BUILD / "bin" / "kivotra-cli"
ENGINE = BUILD / "bench" / "transcode_bench"
PRESETS = ["ultrafast", "superfast", "veryfast", "faster", "fast", "medium"]

# HLG to SDR: linear light at 100 nits, BT.709 primaries, mobius curve, back to BT.709.
TONEMAP = ("zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=mobius:desat=0,"
           "zscale=t=bt709:m=bt709:r=tv,format=yuv420p")
LEGAL_RANGE = "limiter=min=16:max=235:planes=1,limiter=min=16:max=240:planes=6"


def run(cmd, **kw):
    done = subprocess.run(cmd, text=True, capture_output=True, **kw)
    if done.returncode != 0:
        sys.exit(f"bench: failed ({done.returncode}): {' '.join(cmd)}\n{done.stderr[-3000:]}")
    return done


def log(msg):
    print(f"bench: {msg}", file=sys.stderr, flush=True)


# ---------------------------------------------------------------- sources

@dataclass
class Source:
    key: str
    what: str
    size: str
    seconds: float
    mbps: int
    audio: str = "stereo"  # stereo | mono
    rotate: int = 0
    hdr: str = ""  # "" | hlg | hlg-as-sdr (the same 10-bit HEVC, tagged BT.709)
    rate: int = 30
    params: str = ""  # more x265 or x264 parameters
    frames: int = 0
    decode_cpu: float = 0.0

    @property
    def path(self):
        return MEDIA / f"{self.key}-{self.size}-{self.seconds:g}s.mp4"


def make_source(s: Source):
    if not s.path.exists():
        log(f"generating {s.path.name}")
        w, h = s.size.split("x")
        # A moving test pattern under strong per-frame grain (a small sensor in dim light)
        # is hard to compress; the HDR source keeps the clean pattern so tone mapping shows.
        video = f"testsrc2=size={w}x{h}:rate={s.rate}" + ("" if s.hdr else ",noise=alls=14:allf=t+u")
        audio = ["-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000"]
        if s.audio == "stereo":
            audio += ["-f", "lavfi", "-i", "sine=frequency=660:sample_rate=48000"]
            amap = ["-filter_complex", "[1:a][2:a]amerge=inputs=2[a]", "-map", "0:v", "-map", "[a]"]
        else:
            amap = ["-map", "0:v", "-map", "1:a"]
        if s.hdr:
            tags = ("bt2020", "arib-std-b67", "bt2020nc") if s.hdr == "hlg" else ("bt709", "bt709", "bt709")
            vcodec = ["-c:v", "libx265", "-preset", "ultrafast", "-b:v", f"{s.mbps}M", "-pix_fmt", "yuv420p10le",
                      "-x265-params", f"log-level=error:colorprim={tags[0]}:transfer={tags[1]}:colormatrix={tags[2]}"
                      + (f":{s.params}" if s.params else ""),
                      "-color_primaries", tags[0], "-color_trc", tags[1], "-colorspace", tags[2], "-tag:v", "hvc1"]
        else:
            vcodec = ["-c:v", "libx264", "-preset", "veryfast", "-b:v", f"{s.mbps}M", "-maxrate",
                      f"{s.mbps * 5 // 4}M", "-bufsize", f"{s.mbps * 2}M", "-pix_fmt", "yuv420p",
                      "-color_primaries", "bt709", "-color_trc", "bt709", "-colorspace", "bt709"]
            if s.params:
                vcodec += ["-x264-params", s.params]
        part = s.path.with_suffix(".part.mp4")
        run(["ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i", video, *audio, *amap,
             "-t", f"{s.seconds:g}", *vcodec, "-c:a", "aac", "-b:a", "192k", str(part)])
        if s.rotate:
            # This ffmpeg writes the display matrix from the rotate tag only when copying streams.
            turned = s.path.with_suffix(".turned.mp4")
            run(["ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-i", str(part), "-c", "copy",
                 "-metadata:s:v:0", f"rotate={s.rotate}", str(turned)])
            turned.rename(part)
        part.rename(s.path)
    info = probe(s.path)
    if s.rotate and abs(info["rotation"]) != s.rotate:
        sys.exit(f"bench: {s.path} came out without its quarter turn; delete it and try again")
    s.frames = info["frames"]
    t = measure(["ffmpeg", "-hide_banner", "-loglevel", "error", "-threads", "0", "-i", str(s.path),
                 "-map", "0:v", "-f", "null", "-"])
    s.decode_cpu = t["cpu"]


def probe(path):
    out = run(["ffprobe", "-v", "error", "-count_packets", "-show_streams", "-show_format", "-of", "json",
               str(path)]).stdout
    data = json.loads(out)
    v = next(st for st in data["streams"] if st["codec_type"] == "video")
    rotation = 0
    for side in v.get("side_data_list", []):
        rotation = int(side.get("rotation", 0))
    return {"w": v["width"], "h": v["height"], "rotation": rotation, "frames": int(v.get("nb_read_packets", 0)),
            "bitrate": int(v.get("bit_rate", 0)), "duration": float(data["format"]["duration"]),
            "audio": [st for st in data["streams"] if st["codec_type"] == "audio"]}


def measure(cmd, log_to=None):
    """Wall and CPU seconds and peak RSS (MB) of one command."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as tf:
        full = ["/usr/bin/time", "-f", "%e %U %S %M", "-o", tf.name, *cmd]
        with open(log_to or os.devnull, "w") as sink:
            done = subprocess.run(full, stdout=sink, stderr=subprocess.STDOUT)
        if done.returncode != 0:
            if log_to:
                sys.stderr.write(Path(log_to).read_text()[-3000:])
            raise RuntimeError(f"failed ({done.returncode}): {' '.join(cmd)}")
        wall, user, system, rss = tf.read().split()[-4:]
    return {"wall": float(wall), "cpu": float(user) + float(system), "rss": int(rss) / 1024}


# ---------------------------------------------------------------- the tools

@dataclass
class Case:
    key: str
    source: Source
    tier: str
    kbps: int
    out_w: int
    out_h: int
    fps: int = 0  # 0 keeps the source's rate
    runs: dict = field(default_factory=dict)  # tool -> list of measurements
    outputs: dict = field(default_factory=dict)  # tool -> first output
    quality: dict = field(default_factory=dict)  # tool -> (ssim, psnr)


def ours(case: Case, out: Path, work: Path):
    folder = work / f"ours-{case.key}"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir()
    m = measure([str(CLI), "compress", "--resolution", case.tier, "--bitrate", str(case.kbps), "--fps",
                 str(case.fps), "--output-dir", str(folder), str(case.source.path)], work / "ours.log")
    produced = list(folder.glob("*.mp4"))
    if len(produced) != 1:
        raise RuntimeError(f"kivotra-cli left {produced} in {folder}")
    produced[0].rename(out)
    return m


def ffmpeg_chain(case: Case, tonemap=True):
    if case.source.hdr == "hlg" and tonemap:
        return f"zscale=w={case.out_w}:h={case.out_h}," + TONEMAP
    return f"scale={case.out_w}:{case.out_h},format=yuv420p"


def ffmpeg(case: Case, out: Path, work: Path, preset: str, tonemap=True):
    return measure(["ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-i", str(case.source.path),
                    "-vf", ffmpeg_chain(case, tonemap), "-r", str(case.fps or case.source.rate), "-c:v", "libx264", "-preset", preset,
                    "-profile:v", "high", "-b:v", f"{case.kbps}k", "-c:a", "aac", "-b:a", "128k", str(out)],
                   work / "ffmpeg.log")


def handbrake(case: Case, out: Path, work: Path, preset: str):
    return measure(["HandBrakeCLI", "-i", str(case.source.path), "-o", str(out), "-e", "x264",
                    "--encoder-preset", preset, "--encoder-profile", "high", "--encoder-level", "auto",
                    "-b", str(case.kbps), "--cfr", "-r", str(case.fps or case.source.rate), "-w", str(case.out_w), "-l", str(case.out_h),
                    "--crop", "0:0:0:0", "--non-anamorphic", "--no-comb-detect", "--no-decomb", "--no-deinterlace",
                    "-a", "1", "-E", "av_aac", "-B", "128", "-6", "stereo"], work / "handbrake.log")


def quality(output: Path, case: Case, reference: Path):
    """SSIM (all planes) and luma PSNR of an output against the reference picture."""
    out_chain = "format=yuv420p"
    if case.source.hdr:
        # The reference is already tone-mapped and scaled. Colours outside BT.709 come out of the tone
        # mapping below black or above white; a screen shows them clipped, so both sides are compared
        # clipped to the video range, as shown, not as stored.
        ref_chain = out_chain = f"format=yuv420p,{LEGAL_RANGE}"
    else:
        ref_chain = f"scale={case.out_w}:{case.out_h}:flags=lanczos,format=yuv420p"
    if case.fps:
        ref_chain = f"fps={case.fps}," + ref_chain
    graph = (f"[0:v]{out_chain},setpts=PTS-STARTPTS[o];[1:v]{ref_chain},setpts=PTS-STARTPTS,split[r1][r2];"
             f"[o][r1]ssim[s];[s][r2]psnr")
    err = run(["ffmpeg", "-hide_banner", "-nostats", "-i", str(output), "-i", str(reference), "-lavfi", graph,
               "-f", "null", "-"]).stderr
    ssim = float(re.findall(r"SSIM .*All:([0-9.]+)", err)[-1])
    psnr = float(re.findall(r"PSNR y:([0-9.inf]+)", err)[-1])
    return ssim, psnr


def hdr_reference(source: Source, w: int, h: int):
    """The source tone-mapped at full size by zscale + tonemap, then lanczos-scaled, stored losslessly."""
    ref = MEDIA / f"{source.path.stem}-reference-{w}x{h}.mkv"
    if not ref.exists():
        log(f"making the tone-mapping reference {ref.name}")
        run(["ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-i", str(source.path), "-vf",
             f"{TONEMAP},scale={w}:{h}:flags=lanczos", "-c:v", "ffv1", "-an", str(ref)])
    return ref


# ---------------------------------------------------------------- the report

def med(values):
    return statistics.median(values) if values else float("nan")


def summary(case: Case, tool: str):
    rs = case.runs[tool]
    return {k: med([r[k] for r in rs]) for k in ("wall", "cpu", "rss", "bitrate")}


def machine():
    cpu = re.search(r"model name\s*:\s*(.*)", Path("/proc/cpuinfo").read_text())
    mem = int(re.search(r"MemTotal:\s*(\d+)", Path("/proc/meminfo").read_text()).group(1)) // 1024 // 1024
    pkg = lambda p: run(["dpkg-query", "-W", "-f", "${Version}", p]).stdout
    commit = run(["git", "-C", str(ROOT), "rev-parse", "--short", "HEAD"]).stdout.strip()
    return [f"CPU: {cpu.group(1) if cpu else 'unknown'}, {os.cpu_count()} cores; memory {mem} GiB; "
            f"Linux {os.uname().release}",
            f"ffmpeg {pkg('ffmpeg')}, HandBrakeCLI {pkg('handbrake-cli')}, libx264 {pkg('libx264-164')}, "
            f"Kivotra {commit}"]


def chart(sweep, path: Path, realtime_fps: float):
    data = path.with_suffix(".dat")
    data.write_text("".join(f"{p} {r['fps']:.2f} {r['ssim']:.5f}\n" for p, r in sweep.items()))
    script = f"""set terminal pngcairo size 900,560 font "sans,11"
set output "{path}"
set title "x264 presets in Kivotra: source A (1080p30, 60 s) to 1080P at 5000 kbit/s"
set xlabel "encoding speed (frames per second)"
set ylabel "SSIM against the source"
set grid
set key off
set arrow from {realtime_fps},graph 0 to {realtime_fps},graph 1 nohead dashtype 2 lc rgb "#aa0000"
set label "real time" at {realtime_fps},graph 0.95 offset 0.5,0 tc rgb "#aa0000"
plot "{data}" using 2:3 with linespoints pt 7 ps 1.3 lc rgb "#1f5fa8", \\
     "" using 2:3:1 with labels offset 0,1.2 font "sans,10"
"""
    subprocess.run(["gnuplot"], input=script, text=True, check=True)
    data.unlink()


def hdr_picture(ours_out: Path, reference: Path, path: Path, at: float):
    run(["ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-ss", f"{at}", "-i", str(ours_out), "-ss", f"{at}",
         "-i", str(reference), "-filter_complex",
         "[0:v]scale=800:-2,drawtext=text='Kivotra':x=10:y=10:fontsize=28:fontcolor=white:box=1:boxcolor=black@0.6[a];"
         "[1:v]scale=800:-2,drawtext=text='zscale + tonemap reference':x=10:y=10:fontsize=28:fontcolor=white:"
         "box=1:boxcolor=black@0.6[b];[a][b]hstack", "-frames:v", "1", str(path)])


def preset_sweep(A: Source, a1080: Case):
    """Each preset once on A to 1080P: speed and SSIM; the best SSIM at real time or faster wins."""
    log("preset sweep on A to 1080P")
    sweep = {}
    with tempfile.TemporaryDirectory(prefix="kivotra-bench-") as tmp:
        for p in PRESETS:
            out = Path(tmp) / f"sweep-{p}.mp4"
            line = run([str(ENGINE), "--preset", p, str(A.path), str(out), "1080", "5000"]).stdout
            r = dict(kv.split("=") for kv in line.split())
            wall = float(r["wall"])
            ssim, psnr = quality(out, a1080, A.path)
            sweep[p] = {"wall": wall, "cpu": float(r["cpu"]), "fps": A.frames / wall, "ssim": ssim, "psnr": psnr,
                        "bitrate": probe(out)["bitrate"] / 1000}
            log(f"preset {p}: {wall:.1f} s, SSIM {ssim:.4f}")
    realtime = [p for p in PRESETS if sweep[p]["wall"] <= A.seconds]
    chosen = max(realtime, key=lambda p: sweep[p]["ssim"]) if realtime else PRESETS[0]
    if ONLY != "sweep":
        chart(sweep, OUT_DIR / "benchmarks-presets.png", 30.0)
    return sweep, chosen


def stop_latencies(sources):
    """Each source STOP_RUNS times, stopped 2 s in: the median time from the stop request until
    the engine's call returned (the output let go of, the codecs maybe still being freed)."""
    result = {}
    with tempfile.TemporaryDirectory(prefix="kivotra-stop-") as tmp:
        for s in sources:
            times = []
            for i in range(STOP_RUNS):
                out = Path(tmp) / f"{s.key}-{i}.mp4"
                line = run([str(ENGINE), "--stop-after", "2", str(s.path), str(out), "1080", "5000"]).stdout
                times.append(float(re.search(r"stop_latency=([\d.]+)", line).group(1)))
            result[s.size] = statistics.median(times)
            log(f"stop latency {s.key} ({s.size}): median {result[s.size]:.3f} s of {', '.join(f'{t:.3f}' for t in times)}")
    return result


def stop_line(stops):
    return "stop latency (median of %d): %s" % (
        STOP_RUNS, ", ".join(f"{'4K' if size == '3840x2160' else '1080p'} {t:.3f} s" for size, t in stops.items()))


def run_round(rnd, cases, tools, work: Path, keep: Path):
    """Every case once with every tool, the tools in this round's order; the first output of each
    tool and case is kept in `keep`. Returns the order."""
    order = list(tools)
    order = order[rnd % len(order):] + order[:rnd % len(order)]
    for case in cases:
        for tool in order:
            out = work / f"{case.key}-{tool}.mp4"
            m = tools[tool](case, out, work)
            m["bitrate"] = probe(out)["bitrate"] / 1000
            case.runs.setdefault(tool, []).append(m)
            log(f"round {rnd + 1} {case.key} {tool}: {m['wall']:.2f} s")
            if tool not in case.outputs:
                case.outputs[tool] = keep / out.name
                out.rename(case.outputs[tool])
    return order


def main():
    needed = ("ffmpeg", "ffprobe", "/usr/bin/time") if ONLY in ("stop", "queue") else ("ffmpeg", "ffprobe", "HandBrakeCLI", "gnuplot", "/usr/bin/time")
    for tool in needed:
        if shutil.which(tool) is None:
            sys.exit(f"bench: {tool} is missing")
    for exe in (CLI, ENGINE):
        if not exe.exists():
            sys.exit(f"bench: {exe} is missing; build first")
    MEDIA.mkdir(parents=True, exist_ok=True)
    OUT_DIR.mkdir(parents=True, exist_ok=True)
    preset = run([str(ENGINE), "--default-preset"]).stdout.strip()
    if ONLY == "queue":
        bench_phone.queue_only(sys.modules[__name__], preset)
        return

    short = (lambda full, quick: quick if QUICK else full)
    A = Source("A", "1920x1080 30 fps, moving pattern under per-frame grain, stereo 48 kHz", "1920x1080",
               short(60, 4), 20)
    B = Source("B", "3840x2160 30 fps, the same kind of picture, stereo 48 kHz", "3840x2160", short(10, 2), 50)
    C = Source("C", "1920x1080 30 fps turned a quarter (portrait), mono 48 kHz", "1920x1080", short(20, 3), 20,
               audio="mono", rotate=90)
    D = Source("D", "3840x2160 30 fps 10-bit HEVC, HLG BT.2020 (clean pattern)", "3840x2160", short(5, 2), 40,
               hdr="hlg")
    D_sdr = Source("Dsdr", "D's picture and codec tagged BT.709 SDR (no tone mapping needed)", "3840x2160",
                   short(5, 2), 40, hdr="hlg-as-sdr")
    E = Source("E", "1920x1080 60 fps, as A", "1920x1080", short(20, 3), 30, rate=60)
    sources = [A, B] if ONLY in ("stop", "phone") else [A, B, C, D, D_sdr, E]
    for s in sources:
        make_source(s)

    cases = [Case("A-720P", A, "720P", 3000, 1280, 720), Case("A-1080P", A, "1080P", 5000, 1920, 1080),
             Case("B-1080P", B, "1080P", 5000, 1920, 1080), Case("C-720P", C, "720P", 3000, 720, 1280),
             Case("D-1080P", D, "1080P", 5000, 1920, 1080), Case("E-720P-30fps", E, "720P", 3000, 1280, 720, 30)]
    d_sdr = Case("Dsdr-1080P", D_sdr, "1080P", 5000, 1920, 1080)
    d_case = cases[4]
    tools = {"ours": ours, "ffmpeg": lambda c, o, w: ffmpeg(c, o, w, preset),
             "handbrake": lambda c, o, w: handbrake(c, o, w, preset)}
    # What the tone mapping costs: the same decode and encode without it.
    extra = [(d_sdr, "ours", ours), (d_case, "ffmpeg-no-tonemap", lambda c, o, w: ffmpeg(c, o, w, preset, False))]

    if ONLY == "phone":
        lines, verdicts = bench_phone.run(sys.modules[__name__], preset, tools, [A, B])
        (OUT_DIR / "benchmarks-phone.md").write_text("\n".join(lines + ["", "| target | measured | met |", "|---|---|---|"]
                                                     + [f"| {n} | {v} | {'yes' if ok else '**no**'} |"
                                                        for n, ok, v in verdicts]) + "\n")
        log(f"wrote {OUT_DIR / 'benchmarks-phone.md'}")
        return
    if ONLY == "sources":
        bench_phone.make_phone_sources(sys.modules[__name__])
        return
    stops = stop_latencies([A, B])
    print(stop_line(stops))
    if ONLY == "stop":
        return
    sweep, chosen = preset_sweep(A, cases[1])
    log(f"the best SSIM at real time: {chosen}; the engine's default: {preset}")
    if ONLY == "sweep":
        return

    load = Path("/proc/loadavg").read_text().split()[:3]
    log(f"{ROUNDS} rounds, preset {preset}, {os.cpu_count()} cores, load {' '.join(load)}")
    with tempfile.TemporaryDirectory(prefix="kivotra-bench-") as tmp:
        work = Path(tmp)
        keep = work / "keep"
        keep.mkdir()
        for rnd in range(ROUNDS):
            run_round(rnd, cases, tools, work, keep)
            for c, tool, fn in extra:
                out = work / f"{c.key}-{tool}.mp4"
                m = fn(c, out, work)
                m["bitrate"] = probe(out)["bitrate"] / 1000
                c.runs.setdefault(tool, []).append(m)

        log("measuring quality")
        d_ref = hdr_reference(D, d_case.out_w, d_case.out_h)
        for case in cases:
            reference = d_ref if case.source.hdr else case.source.path
            for tool, out in case.outputs.items():
                case.quality[tool] = quality(out, case, reference)
        ours_vs_ref = quality(d_case.outputs["ours"], d_case, d_ref)
        hdr_picture(d_case.outputs["ours"], d_ref, OUT_DIR / "benchmarks-hdr.jpg", min(1.0, D.seconds / 2))

    phone = bench_phone.run(sys.modules[__name__], preset, tools, [A, B])
    write_report(sources, cases, d_sdr, sweep, chosen, preset, ours_vs_ref, stops, phone)
    if chosen != preset:
        log(f"the data chooses preset {chosen}, the engine's default is {preset}")


def write_report(sources, cases, d_sdr, sweep, chosen, preset, ours_vs_ref, stops, phone):
    L = ["# Benchmarks", "",
         "Written by `make bench` (`scripts/bench.py`); only the reading at the end is edited by hand. Kivotra's engine "
         "(`kivotra-cli compress`) against the ffmpeg command line and HandBrakeCLI doing the same work.", "",
         "## Machine", ""] + [f"- {line}" for line in machine()]
    if QUICK:
        L += ["", "**Smoke run with short sources: the figures mean nothing.**"]
    L += ["", "## Sources", "", "Generated by the script with ffmpeg's `testsrc2` (and `noise` for grain); "
          "nothing is committed. Decode CPU is `ffmpeg -i SRC -map 0:v -f null -`, the part of every run that "
          "no encoder setting can save.", "",
          "| source | picture | length | frames | stored at | decode CPU |", "|---|---|---|---|---|---|"]
    for s in sources:
        L.append(f"| {s.key} | {s.what} | {s.seconds:g} s | {s.frames} | {s.mbps} Mbit/s | {s.decode_cpu:.1f} s |")
    L += ["", "## Commands", "", f"x264 preset `{preset}` for all three (the engine's default), one pass, "
          "average bitrate, AAC 128 kbit/s.", "",
          "- Kivotra: `kivotra-cli compress --resolution TIER --bitrate KBPS --output-dir DIR SRC`",
          "- ffmpeg: `ffmpeg -i SRC -vf scale=W:H,format=yuv420p -r 30 -c:v libx264 -preset P -profile:v high "
          "-b:v KBPSk -c:a aac -b:a 128k OUT` (default bicubic scaling); for D the scaling and tone mapping chain "
          f"`zscale=w=W:h=H,{TONEMAP}`",
          "- HandBrakeCLI: `HandBrakeCLI -i SRC -o OUT -e x264 --encoder-preset P --encoder-profile high "
          "--encoder-level auto -b KBPS --cfr -r 30 -w W -l H --crop 0:0:0:0 --non-anamorphic --no-comb-detect "
          "--no-decomb --no-deinterlace -a 1 -E av_aac -B 128 -6 stereo`",
          f"- quality: `ffmpeg -i OUT -i REF -lavfi \"[1:v]scale=W:H:flags=lanczos…;[o][r1]ssim[s];[s][r2]psnr\"`, "
          "SSIM over all planes, PSNR of luma; REF is the source, or for D the source tone-mapped at full size "
          "with the chain above and lanczos-scaled (stored losslessly)", "",
          f"Medians of {ROUNDS} rounds; cases alternate A B C D and the tool order rotates each round. Wall and "
          "CPU seconds and peak RSS from `/usr/bin/time`; speed is source frames per wall second.", "",
          "## Results", "",
          "| case | tool | wall s | CPU s | peak RSS MB | fps | video kbit/s (vs target) | SSIM | PSNR-Y dB |",
          "|---|---|---|---|---|---|---|---|---|"]
    names = {"ours": "Kivotra", "ffmpeg": "ffmpeg", "handbrake": "HandBrakeCLI"}
    for c in cases:
        for tool in ("ours", "ffmpeg", "handbrake"):
            m = summary(c, tool)
            ssim, psnr = c.quality[tool]
            L.append(f"| {c.key} | {names[tool]} | {m['wall']:.2f} | {m['cpu']:.1f} | {m['rss']:.0f} | "
                     f"{c.source.frames / m['wall']:.1f} | {m['bitrate']:.0f} ({(m['bitrate'] / c.kbps - 1) * 100:+.1f} %) "
                     f"| {ssim:.4f} | {psnr:.2f} |")
    L += ["", "## Ratios", "", "Below 1 means Kivotra took less; quality differences are Kivotra minus the other.",
          "", "| case | wall / ffmpeg | wall / HandBrake | RSS / ffmpeg | SSIM − ffmpeg | PSNR − ffmpeg dB | "
          "SSIM − HandBrake |", "|---|---|---|---|---|---|---|"]
    verdicts = []
    for c in cases:
        o, f, h = (summary(c, t) for t in ("ours", "ffmpeg", "handbrake"))
        qo, qf, qh = (c.quality[t] for t in ("ours", "ffmpeg", "handbrake"))
        is4k = c.source.size == "3840x2160"
        L.append(f"| {c.key} | {o['wall'] / f['wall']:.3f} | {o['wall'] / h['wall']:.3f} | {o['rss'] / f['rss']:.2f} | "
                 f"{qo[0] - qf[0]:+.4f} | {qo[1] - qf[1]:+.2f} | {qo[0] - qh[0]:+.4f} |")
        verdicts += [(f"{c.key}: wall ≤ {0.9 if is4k else 1.0} × ffmpeg", o["wall"] / f["wall"] <= (0.9 if is4k else 1.0),
                      f"{o['wall'] / f['wall']:.3f}"),
                     (f"{c.key}: wall ≤ {0.75 if is4k else 0.95} × HandBrake",
                      o["wall"] / h["wall"] <= (0.75 if is4k else 0.95), f"{o['wall'] / h['wall']:.3f}"),
                     (f"{c.key}: SSIM and PSNR ≥ ffmpeg", qo[0] >= qf[0] and qo[1] >= qf[1],
                      f"{qo[0] - qf[0]:+.4f}, {qo[1] - qf[1]:+.2f} dB"),
                     (f"{c.key}: peak RSS ≤ ffmpeg", o["rss"] <= f["rss"], f"{o['rss']:.1f} / {f['rss']:.1f} MB")]
        if c.source.key in ("A", "B"):
            verdicts.append((f"{c.key}: video bitrate within ±3 % of {c.kbps}", abs(o["bitrate"] / c.kbps - 1) <= 0.03,
                             f"{(o['bitrate'] / c.kbps - 1) * 100:+.1f} %"))
        if c.key == "A-720P":
            verdicts.append(("A-720P: PSNR ≥ ffmpeg's bicubic + 0.3 dB", qo[1] - qf[1] >= 0.3,
                             f"{qo[1] - qf[1]:+.2f} dB"))
    for size, t in stops.items():
        verdicts.append((f"stop at {'4K' if size == '3840x2160' else '1080p'} within {STOP_TARGET} s "
                         f"(median of {STOP_RUNS})", t <= STOP_TARGET, f"{t:.3f} s"))
    d = next(c for c in cases if c.source.hdr)
    ours_cost = summary(d, "ours")["wall"] / summary(d_sdr, "ours")["wall"]
    ff_cost = summary(d, "ffmpeg")["wall"] / summary(d, "ffmpeg-no-tonemap")["wall"]
    verdicts.append(("D: tone mapping costs no more than ffmpeg's chain", ours_cost <= ff_cost,
                     f"×{ours_cost:.2f} vs ×{ff_cost:.2f}"))
    L += ["", "## HDR (D)", "",
          f"Tone mapping's cost, wall time with it over wall time without: Kivotra ×{ours_cost:.2f} (D against "
          f"Dsdr, the same 10-bit HEVC tagged SDR), ffmpeg ×{ff_cost:.2f} (its zscale + tonemap chain against "
          f"plain `scale` on D). SSIM of Kivotra's output against the zscale + tonemap reference: "
          f"{ours_vs_ref[0]:.4f} (PSNR-Y {ours_vs_ref[1]:.2f} dB).", "",
          "![A frame of Kivotra's output beside the same frame of the reference](benchmarks-hdr.jpg)", ""]
    L += phone[0] + [""]
    verdicts += phone[1]
    L += ["## x264 preset sweep (Kivotra, A to 1080P at 5000 kbit/s)", "",
          f"Real time is {A_seconds(cases):g} s of wall time for the {A_seconds(cases):g} s source (30 fps). "
          "The engine alone (`build/bench/transcode_bench --preset P`), one run each.", "",
          "| preset | wall s | CPU s | fps | real time | video kbit/s | SSIM | PSNR-Y dB |", "|---|---|---|---|---|---|---|---|"]
    for p, r in sweep.items():
        L.append(f"| {p} | {r['wall']:.1f} | {r['cpu']:.1f} | {r['fps']:.1f} | "
                 f"{'yes' if r['wall'] <= A_seconds(cases) else 'no'} | {r['bitrate']:.0f} | {r['ssim']:.4f} | "
                 f"{r['psnr']:.2f} |")
    L += ["", f"The best SSIM at real time or faster: **{chosen}** (the engine's default is `{preset}`).", "",
          "![Speed against SSIM per preset](benchmarks-presets.png)", "", "## Targets", "",
          "| target | measured | met |", "|---|---|---|"]
    L += [f"| {name} | {value} | {'yes' if ok else '**no**'} |" for name, value, ok in
          ((n, v, ok) for n, ok, v in verdicts)]
    # The reading is written by a person after looking at the figures; a new run keeps it.
    doc = OUT_DIR / "benchmarks.md"
    old = doc.read_text() if doc.exists() else ""
    reading = old[old.index("## Reading"):] if "## Reading" in old else "## Reading\n\n(to be written)\n"
    doc.write_text("\n".join(L) + "\n\n" + reading)
    text = "\n".join(L)
    print(text[text.index("## Ratios"):text.index("## HDR")] + text[text.index("## Targets"):])
    log(f"wrote {OUT_DIR / 'benchmarks.md'}")


def A_seconds(cases):
    return cases[0].source.seconds


sys.path.insert(0, str(Path(__file__).resolve().parent))
import bench_phone  # noqa: E402  (needs this module's names at run time only)

if __name__ == "__main__":
    main()
