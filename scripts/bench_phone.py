"""Phone-shaped cases for `make bench` (imported by bench.py, which passes itself in):

F  3840x2160 60 fps 10-bit HEVC HLG BT.2020, closed GOP of 1 s, a temporal sub-layer
   (every other picture is a non-reference picture, as phones write 60 fps)
H  3840x2160 60 fps 8-bit H.264 (a phone's SDR mode)
G  five 1080p30 H.264 clips of 15 s, compressed as one queue

F and H go to 1080P at 30 fps. G runs as one `kivotra-cli compress` with five files against
five ffmpeg and five HandBrakeCLI runs one after another; the CPU use of each over time is
sampled from /proc every 100 ms and plotted. Each source also gets a probe line: probe +
cover time of our engine, median of 5, also on H's and G's pictures encoded with a held rate.

queue_only() runs case G alone (BENCH_ONLY=queue): ours, ffmpeg and, when BENCH_BASELINE
names another kivotra-cli (an earlier build), that one too, in alternating order, printed.
"""

import os
import re
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

PHONE_HEVC = "keyint=60:min-keyint=60:open-gop=0:bframes=1:b-adapt=0:temporal-layers=1"
QUEUE = 5
# The queue case alone takes about 7 minutes a round; BENCH_QUEUE_ROUNDS runs it in fewer rounds
# than F and H (at least one; its medians are then over those rounds).
QUEUE_ROUNDS = int(os.environ.get("BENCH_QUEUE_ROUNDS", "1000"))
SAMPLE = 0.1  # seconds between CPU samples


def make_phone_sources(b):
    short = (lambda full, quick: quick if b.QUICK else full)
    F = b.Source("F", "3840x2160 60 fps 10-bit HEVC, HLG BT.2020, GOP 1 s, non-reference pictures between the others",
                 "3840x2160", short(10, 2), 40, hdr="hlg", rate=60, params=PHONE_HEVC)
    H = b.Source("H", "3840x2160 60 fps 8-bit H.264 (phone SDR mode), GOP 1 s", "3840x2160", short(10, 2), 65,
                 rate=60, params="keyint=60")
    G = b.Source("G", f"1920x1080 30 fps H.264, stereo 48 kHz; the queue is {QUEUE} copies", "1920x1080",
                 short(15, 2), 20)
    for s in (F, H, G):
        b.make_source(s)
    return F, H, G


def make_held_rate_sources(b):
    """For the probe lines only: H's and G's pictures as a phone's encoder writes them, holding its
    rate from the first picture on. The sources above are encoded with a buffer of 2 s that starts
    90 % full, which x264 spends on the first pictures (H's first is 24 times its average), and
    those are the pictures the cover decodes."""
    Hh = b.Source("Hheld", "H's picture, rate held (VBV 65 Mbit/s, buffer 22 Mbit)", "3840x2160", 1.5, 65,
                  rate=60, params="keyint=60:vbv-maxrate=65000:vbv-bufsize=22000")
    Gh = b.Source("Gheld", "G's picture, rate held (VBV 20 Mbit/s, buffer 7 Mbit)", "1920x1080", 2, 20,
                  params="vbv-maxrate=20000:vbv-bufsize=7000")
    for s in (Hh, Gh):
        b.make_source(s)
    return Hh, Gh


def queue_files(b, G):
    files = []
    for i in range(1, QUEUE + 1):
        copy = b.MEDIA / f"G{i}-{G.path.name}"
        if not copy.exists():
            shutil.copyfile(G.path, copy)
        files.append(copy)
    return files


def tree_cpu(root):
    """CPU seconds used so far by the process `root` and every descendant (ended ones included
    through their parents' child times)."""
    tick = os.sysconf("SC_CLK_TCK")
    parents, cpu = {}, {}
    for d in os.listdir("/proc"):
        if not d.isdigit():
            continue
        try:
            fields = Path(f"/proc/{d}/stat").read_text().rsplit(")", 1)[1].split()
        except OSError:
            continue
        parents[int(d)] = int(fields[1])
        cpu[int(d)] = sum(int(x) for x in fields[11:15]) / tick  # utime stime cutime cstime
    total = 0.0
    for pid in cpu:
        p = pid
        while p in parents and p != root and p > 1:
            p = parents[p]
        if p == root:
            total += cpu[pid]
    return total


def sampled(cmd):
    """Runs cmd, sampling the CPU use of its process tree: wall, CPU, peak RSS and the
    [(seconds, cores busy)] curve."""
    timefile = Path(os.environ.get("TMPDIR", "/tmp")) / f"kivotra-bench-{os.getpid()}.time"
    proc = subprocess.Popen(["/usr/bin/time", "-f", "%e %U %S %M", "-o", str(timefile), *cmd],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    start = time.monotonic()
    curve, last_t, last_cpu = [], 0.0, 0.0
    while proc.poll() is None:
        time.sleep(SAMPLE)
        t, c = time.monotonic() - start, tree_cpu(proc.pid)
        if t > last_t and c >= last_cpu:
            curve.append((t, (c - last_cpu) / (t - last_t)))
            last_t, last_cpu = t, c
    if proc.returncode != 0:
        raise RuntimeError(f"failed ({proc.returncode}): {' '.join(cmd)}")
    wall, user, system, rss = timefile.read_text().split()[-4:]
    timefile.unlink()
    return {"wall": float(wall), "cpu": float(user) + float(system), "rss": int(rss) / 1024, "curve": curve}


def queue_commands(b, files, work, preset):
    outs = {tool: work / f"G-{tool}" for tool in ("ours", "ffmpeg", "handbrake")}
    for folder in outs.values():
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir()
    seq = lambda cmds: ["sh", "-c", " && ".join(" ".join(f"'{a}'" for a in c) for c in cmds)]
    ours = [str(b.CLI), "compress", "--resolution", "1080P", "--bitrate", "5000", "--output-dir", str(outs["ours"]),
            *map(str, files)]
    ff = seq([["ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-i", str(f), "-c:v", "libx264", "-preset", preset,
               "-profile:v", "high", "-b:v", "5000k", "-c:a", "aac", "-b:a", "128k", str(outs["ffmpeg"] / f"{f.stem}.mp4")]
              for f in files])
    hb = seq([["HandBrakeCLI", "-i", str(f), "-o", str(outs["handbrake"] / f"{f.stem}.mp4"), "-e", "x264",
               "--encoder-preset", preset, "--encoder-profile", "high", "--encoder-level", "auto", "-b", "5000",
               "--cfr", "-r", "30", "-w", "1920", "-l", "1080", "--crop", "0:0:0:0", "--non-anamorphic",
               "--no-comb-detect", "--no-decomb", "--no-deinterlace", "-a", "1", "-E", "av_aac", "-B", "128", "-6",
               "stereo"] for f in files])
    return {"ours": ours, "ffmpeg": ff, "handbrake": hb}, outs


def idle_seconds(curve, cores):
    """Seconds in which the tool kept less than half the cores busy."""
    idle, last = 0.0, 0.0
    for t, busy in curve:
        if busy < cores / 2:
            idle += t - last
        last = t
    return idle


def cpu_chart(b, curves, path: Path, cores):
    data = path.with_suffix(".dat")
    blocks = []
    for tool, curve in curves.items():
        blocks.append(f"# {tool}\n" + "".join(f"{t:.2f} {busy:.3f}\n" for t, busy in curve))
    data.write_text("\n\n".join(blocks) + "\n")
    names = {"ours": "Kivotra (one queue)", "ffmpeg": "ffmpeg (5 runs)", "handbrake": "HandBrakeCLI (5 runs)"}
    plots = ", ".join(f'"{data}" index {i} using 1:2 with lines lw 1.5 title "{names[t]}"'
                      for i, t in enumerate(curves))
    script = f"""set terminal pngcairo size 900,420 font "sans,11"
set output "{path}"
set title "Queue of five 1080p30 clips (G): cores busy over time, sampled every 100 ms"
set xlabel "seconds"
set ylabel "cores busy"
set yrange [0:{cores + 0.2}]
set grid
set key bottom right
plot {plots}
"""
    subprocess.run(["gnuplot"], input=script, text=True, check=True)
    data.unlink()


def probe_lines(b, sources):
    exe = b.BUILD / "bench" / "probe_bench"
    out = b.run([str(exe), "5", *[str(s.path) for s in sources]]).stdout
    lines = {}
    for s, line in zip(sources, out.strip().splitlines()):
        r = dict(kv.split("=", 1) for kv in line.split()[1:])
        lines[s.key] = (float(r["median_ms"]), float(r["cpu_ms"]))
    return lines


def run(b, preset, tools, others=()):
    """Runs the phone cases; returns (markdown lines of their section, verdicts)."""
    F, H, G = make_phone_sources(b)
    files = queue_files(b, G)
    cases = [b.Case("F-1080P-30fps", F, "1080P", 5000, 1920, 1080, 30),
             b.Case("H-1080P-30fps", H, "1080P", 5000, 1920, 1080, 30)]
    queue = {}
    curves = {}
    cores = os.cpu_count()
    with tempfile.TemporaryDirectory(prefix="kivotra-bench-phone-") as tmp:
        work = Path(tmp)
        keep = work / "keep"
        keep.mkdir()
        for rnd in range(b.ROUNDS):
            order = b.run_round(rnd, cases, tools, work, keep)
            if rnd >= QUEUE_ROUNDS:
                continue
            commands, outs = queue_commands(b, files, work, preset)
            for tool in order:
                m = sampled(commands[tool])
                produced = sorted(outs[tool].glob("*.mp4"))
                if len(produced) != QUEUE:
                    raise RuntimeError(f"{tool} left {produced} for the queue")
                m["idle"] = idle_seconds(m["curve"], cores)
                queue.setdefault(tool, []).append(m)
                if tool not in curves:
                    curves[tool] = m["curve"]
                    first = keep / f"G-{tool}.mp4"
                    produced[0].rename(first)
                b.log(f"round {rnd + 1} G queue {tool}: {m['wall']:.2f} s, {m['idle']:.1f} s below half the cores")
        b.log("measuring quality of the phone cases")
        f_ref = b.hdr_reference(F, 1920, 1080)
        for case in cases:
            reference = f_ref if case.source.hdr else case.source.path
            for tool, out in case.outputs.items():
                case.quality[tool] = b.quality(out, case, reference)
        g_case = b.Case("G", G, "1080P", 5000, 1920, 1080)
        g_quality = {tool: b.quality(keep / f"G-{tool}.mp4", g_case, G.path) for tool in queue}
    cpu_chart(b, curves, b.OUT_DIR / "benchmarks-queue.png", cores)
    probes = probe_lines(b, [F, H, G, *make_held_rate_sources(b), *others])
    return report(b, (F, H, G), cases, queue, g_quality, probes, cores)


def report(b, sources, cases, queue, g_quality, probes, cores):
    names = {"ours": "Kivotra", "ffmpeg": "ffmpeg", "handbrake": "HandBrakeCLI"}
    L = ["## Phone footage", "",
         "| source | picture | length | frames | stored at | decode CPU |", "|---|---|---|---|---|---|"]
    for s in sources:
        L.append(f"| {s.key} | {s.what} | {s.seconds:g} s | {s.frames} | {s.mbps} Mbit/s | {s.decode_cpu:.1f} s |")
    L += ["", "F and H to 1080P at 30 fps (`--fps 30`; ffmpeg `-r 30`, for F with the zscale + tonemap chain; "
          "HandBrakeCLI `-r 30 --cfr`). SSIM and PSNR against the source brought to 30 fps (F: the tone-mapped "
          "reference).", "",
          "| case | tool | wall s | CPU s | peak RSS MB | video kbit/s | SSIM | PSNR-Y dB |", "|---|---|---|---|---|---|---|---|"]
    verdicts = []
    for c in cases:
        for tool in ("ours", "ffmpeg", "handbrake"):
            m = b.summary(c, tool)
            ssim, psnr = c.quality[tool]
            L.append(f"| {c.key} | {names[tool]} | {m['wall']:.2f} | {m['cpu']:.1f} | {m['rss']:.0f} | "
                     f"{m['bitrate']:.0f} | {ssim:.4f} | {psnr:.2f} |")
        o, f, h = (b.summary(c, t) for t in ("ours", "ffmpeg", "handbrake"))
        qo, qf = c.quality["ours"], c.quality["ffmpeg"]
        if c.source.key == "F":
            verdicts += [("F: wall ≤ 0.6 × ffmpeg", o["wall"] / f["wall"] <= 0.6, f"{o['wall'] / f['wall']:.3f}"),
                         ("F: wall ≤ 0.5 × HandBrake", o["wall"] / h["wall"] <= 0.5, f"{o['wall'] / h['wall']:.3f}"),
                         ("F: SSIM ≥ ffmpeg's", qo[0] >= qf[0], f"{qo[0] - qf[0]:+.4f}"),
                         ("F: peak RSS ≤ ffmpeg", o["rss"] <= f["rss"], f"{o['rss']:.0f} / {f['rss']:.0f} MB")]
        else:
            verdicts.append(("H: wall ≤ 0.85 × ffmpeg", o["wall"] / f["wall"] <= 0.85, f"{o['wall'] / f['wall']:.3f}"))
    med = lambda tool, k: b.med([m[k] for m in queue[tool]])
    L += ["", f"G: the queue of {QUEUE} clips to 1080P at 5000 kbit/s. Idle is the time the tool kept fewer than "
          f"half of the {cores} cores busy (sampled from /proc every {SAMPLE * 1000:.0f} ms); quality of the first "
          "output.", "",
          "| tool | wall s | CPU s | peak RSS MB | idle s | SSIM | PSNR-Y dB |", "|---|---|---|---|---|---|---|"]
    for tool in ("ours", "ffmpeg", "handbrake"):
        L.append(f"| {names[tool]} | {med(tool, 'wall'):.2f} | {med(tool, 'cpu'):.1f} | {med(tool, 'rss'):.0f} | "
                 f"{med(tool, 'idle'):.1f} | {g_quality[tool][0]:.4f} | {g_quality[tool][1]:.2f} |")
    ratio = med("ours", "wall") / med("ffmpeg", "wall")
    verdicts.append(("G: wall ≤ 0.9 × five ffmpeg runs", ratio <= 0.9, f"{ratio:.3f}"))
    L += ["", "![Cores busy over time for the queue](benchmarks-queue.png)", "",
          "Probe + cover (`build/bench/probe_bench 5 FILE`: `Transcoder::probeSync`, thumbnail included, median of 5). "
          "Hheld and Gheld are H's and G's pictures (1.5 s and 2 s) encoded holding their rate from the first picture "
          "on, as a phone's encoder does (VBV buffer 22 and 7 Mbit); H and G spend a buffer of 2 s on their first "
          "pictures, the ones the cover decodes.",
          "", "| source | wall ms | CPU ms |", "|---|---|---|"]
    for key, (ms, cpu) in probes.items():
        L.append(f"| {key} | {ms:.0f} | {cpu:.0f} |")
    for key, limit in (("H", 300), ("G", 100), ("Hheld", 300), ("Gheld", 100)):
        if key in probes:
            verdicts.append((f"probe + cover of {key} ≤ {limit} ms", probes[key][0] <= limit, f"{probes[key][0]:.0f} ms"))
    return L, verdicts


def queue_only(b, preset):
    """Case G alone, printed: wall, CPU, idle and cores busy on average per run, and medians."""
    G = b.Source("G", f"1920x1080 30 fps H.264, stereo 48 kHz; the queue is {QUEUE} copies", "1920x1080",
                 2 if b.QUICK else 15, 20)
    b.make_source(G)
    files = queue_files(b, G)
    baseline = os.environ.get("BENCH_BASELINE")
    cores = os.cpu_count()
    runs = {}
    with tempfile.TemporaryDirectory(prefix="kivotra-bench-queue-") as tmp:
        work = Path(tmp)
        for rnd in range(b.ROUNDS):
            commands, outs = queue_commands(b, files, work, preset)
            commands.pop("handbrake")
            if baseline:
                outs["before"] = outs["ours"]
                commands["before"] = [baseline, *commands["ours"][1:]]
            tools = list(commands)
            order = tools[rnd % len(tools):] + tools[:rnd % len(tools)]
            for tool in order:
                for old in outs[tool].glob("*.mp4"):
                    old.unlink()
                load = Path("/proc/loadavg").read_text().split()[0]
                m = sampled(commands[tool])
                if len(list(outs[tool].glob("*.mp4"))) != QUEUE:
                    raise RuntimeError(f"{tool} did not write {QUEUE} outputs")
                m["idle"] = idle_seconds(m["curve"], cores)
                runs.setdefault(tool, []).append(m)
                b.log(f"round {rnd + 1} G {tool}: wall {m['wall']:.2f} s, CPU {m['cpu']:.1f} s, "
                      f"{m['cpu'] / m['wall']:.2f} cores busy, {m['idle']:.1f} s below half the cores (load {load})")
    for tool, ms in runs.items():
        wall = b.med([m["wall"] for m in ms])
        print(f"G {tool}: median wall {wall:.2f} s, CPU {b.med([m['cpu'] for m in ms]):.1f} s, "
              f"{b.med([m['cpu'] / m['wall'] for m in ms]):.2f} cores busy, idle {b.med([m['idle'] for m in ms]):.1f} s"
              f" over {len(ms)} runs")
