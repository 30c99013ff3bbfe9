#!/usr/bin/env python3
"""kivotra-cli and kivotra as met from a terminal: standard error on a
pseudo-terminal, file names with emoji, accents and CJK, versions, help and a
start without a display. Usage: terminal_manners_test.py KIVOTRA_CLI KIVOTRA"""
import os, pty, shutil, subprocess, sys, tempfile, unicodedata

cli, gui = map(os.path.abspath, sys.argv[1:3])
work = tempfile.mkdtemp(prefix="kivotra-manners-")
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def cells(text):
    """Terminal cells from Unicode's own tables, independent of the program."""
    return sum(0 if unicodedata.combining(c) or c in "\u200b\u200d\ufe0f"
               else 2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in text)


def run(args, **env):
    """Runs with standard error on a pseudo-terminal; (status, stdout, stderr)."""
    environ = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    environ.update(TMPDIR=work, XDG_CONFIG_HOME=work, **env)
    master, slave = pty.openpty()
    process = subprocess.Popen(args, cwd=work, env=environ, stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=slave)
    os.close(slave)
    err = b""
    try:
        while chunk := os.read(master, 65536):
            err += chunk
    except OSError:  # the child closed its side
        pass
    out = process.stdout.read()
    os.close(master)
    return process.wait(timeout=120), out.decode(), err.decode()


names = ["plain.mov", "😀 party.mov", "cafe\u0301.mov", "开学典礼.mov"]
for name in names:
    subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=160x90:rate=10", "-t", "0.5",
                    "-c:v", "mpeg4", os.path.join(work, name)], check=True)
out_dir = os.path.join(work, "outputs-in-a-folder-with-a-rather-long-name")

# A dumb terminal gets plain lines; the C locale does not change the widths.
status, out, err = run([cli, "compress", "--resolution", "720P", "--output-dir", out_dir] + names,
                       TERM="dumb", LC_ALL="C")
check(status == 0, f"compress exit {status}: {err}")
check("\x1b" not in err and "✓" in err, f"dumb terminal progress: {err!r}")
header, *rows = out.splitlines()
status_at, path_at = cells(header[:header.index("状态")]), cells(header[:header.index("输出文件")])
for name, row in zip(names, rows):
    check(row.startswith(name), f"row order: {row}")
    check(cells(row[:row.index("完成")]) == status_at, f"status column shifted: {row}")
    path = row[row.index(work[:8]):]
    check(cells(row[:row.index(path)]) == path_at, f"path column shifted: {row}")
    head, _, tail = path.partition("…")
    output = [f for f in os.listdir(out_dir) if f.startswith(os.path.splitext(name)[0] + "_")]
    check(len(output) == 1 and tail.endswith(output[0]) and os.path.join(out_dir, output[0]).startswith(head)
          and cells(path) <= 48, f"path column {path!r} for {output}")

# A real terminal type does get the line redrawn in place.
status, out, err = run([cli, "compress", "--output-dir", out_dir, names[0]], TERM="xterm")
check(status == 0 and "\r\x1b[K" in err, f"xterm progress: {err!r}")

# Versions and help need no display; a window start without one says so.
cli_version, gui_version = run([cli, "--version"])[1].split(), run([gui, "--version"])[1].split()
check(cli_version[0] == "kivotra-cli" and gui_version[0] == "kivotra" and cli_version[1:] == gui_version[1:]
      and len(cli_version) == 2, f"versions {cli_version} {gui_version}")
status, out, err = run([gui, "--help"])
check(status == 0 and "用法" in out and "selftest" in out, f"kivotra --help: {status} {out!r} {err!r}")
status, out, err = run([gui])
check(status == 1 and "DISPLAY" in err and "kivotra-cli" in err, f"no display: {status} {err!r}")

shutil.rmtree(work)
for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
