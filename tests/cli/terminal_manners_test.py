#!/usr/bin/env python3
"""kivotra-cli and kivotra as met from a terminal: standard error on a
pseudo-terminal, versions, help and a start without a display. Usage: terminal_manners_test.py KIVOTRA_CLI KIVOTRA"""
import os, pty, shutil, subprocess, sys, tempfile

cli, gui = map(os.path.abspath, sys.argv[1:3])
work = tempfile.mkdtemp(prefix="kivotra-manners-")
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


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


# The summary table's columns are the report tests' own; here only the streams.
name = "开学典礼.mov"
subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=160x90:rate=10", "-t", "0.5",
                "-c:v", "mpeg4", os.path.join(work, name)], check=True)

# A dumb terminal gets plain lines, a real terminal type the line redrawn in place.
for term, wanted, unwanted in [("dumb", "✓", "\x1b"), ("xterm", "\r\x1b[K", None)]:
    status, out, err = run([cli, "compress", "--output-dir", os.path.join(work, term), name], TERM=term)
    check(status == 0 and wanted in err and (unwanted is None or unwanted not in err) and out.startswith("文件"),
          f"{term} progress: {status} {err!r} {out!r}")

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
