#!/usr/bin/env python3
"""Fails when an #include in src/ crosses the layers: a lower layer including a
higher one, the engine or the models including Qt, the models including FFmpeg,
or a caller reaching past the engine's public face.

Usage: check_layers.py SRC_DIR     checks the tree, one line per crossing
       check_layers.py --self-test checks that planted crossings are caught
"""
import pathlib
import re
import sys
import tempfile

# What each layer's files may include of the project's own folders.
ALLOWED = {
    "models": {"models"},
    "transcoder": {"models", "transcoder"},
    "selftest/media": {"models", "transcoder", "selftest/media"},
    "state": {"models", "transcoder", "state"},
    "cli": {"models", "transcoder", "state", "cli"},
    "selftest": {"models", "transcoder", "state", "selftest", "selftest/media"},
    "ui": {"models", "transcoder", "state", "ui"},
    "shell": {"models", "transcoder", "state", "ui", "shell"},
    "app": {"models", "transcoder", "state", "ui", "shell", "cli", "selftest", "selftest/media", "app"},
}
NO_QT = {"models", "transcoder", "selftest/media"}
NO_FFMPEG = {"models"}
# The engine's public face; its other headers are its own stages.
ENGINE_FACE = {"transcoder/transcoder.h", "transcoder/av_ptr.h", "transcoder/av_error.h"}
# The media generator writes files through the engine's input.
ENGINE_FACE_EXTRA = {"selftest/media": {"transcoder/detail/media_input.h"}}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def layer_of(relative):
    parts = relative.parts
    if parts[:2] == ("selftest", "media"):
        return "selftest/media"
    return parts[0] if parts[0] in ALLOWED else None


def owner_of(included):
    if included.startswith("selftest/media/"):
        return "selftest/media"
    head = included.split("/", 1)[0]
    return head if "/" in included and head in ALLOWED else None


def crossings(src):
    found = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in {".h", ".cpp"}:
            continue
        relative = path.relative_to(src)
        layer = layer_of(relative)
        if layer is None:
            continue
        for bracket, included in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            where = f"{relative}: {included}"
            if bracket == "<":
                if layer in NO_QT and re.match(r"Q[A-Za-z]", included):
                    found.append(f"{where} (Qt in {layer})")
                if layer in NO_FFMPEG and re.match(r"lib(av|sw)", included):
                    found.append(f"{where} (FFmpeg in {layer})")
                continue
            owner = owner_of(included)
            if owner is None:
                continue
            if owner not in ALLOWED[layer]:
                found.append(f"{where} ({layer} may not include {owner})")
            elif owner == "transcoder" and layer != "transcoder":
                if included not in ENGINE_FACE | ENGINE_FACE_EXTRA.get(layer, set()):
                    found.append(f"{where} (the engine's internals outside the engine)")
    return found


def self_test():
    planted = {
        "models/a.h": '#include <QString>\n#include <libavutil/frame.h>\n',
        "state/c.cpp": '#include "ui/x.h"\n#include "transcoder/decoder.h"\n#include "transcoder/transcoder.h"\n',
    }
    expected = {"models/a.h: QString (Qt in models)", "models/a.h: libavutil/frame.h (FFmpeg in models)",
                "state/c.cpp: ui/x.h (state may not include ui)",
                "state/c.cpp: transcoder/decoder.h (the engine's internals outside the engine)"}
    with tempfile.TemporaryDirectory() as root:
        src = pathlib.Path(root)
        for name, text in planted.items():
            (src / name).parent.mkdir(parents=True, exist_ok=True)
            (src / name).write_text(text)
        got = set(crossings(src))
    if got != expected:
        print("missed:", sorted(expected - got), "\nwrongly reported:", sorted(got - expected))
    return 0 if got == expected else 1


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    found = crossings(pathlib.Path(sys.argv[1]))
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
