"""Finds the window's controls on the accessibility bus by role and name and
presses the start control through it; called by accessibility_smoke.sh."""
import os
import sys
import time

import pyatspi
from gi.repository import Atspi

work = sys.argv[1]


def fail(message):
    print("accessibility_smoke: " + message, file=sys.stderr)
    sys.exit(1)


def until(seconds, what, message):
    """what() once it gives something (not None or False); the test fails after that many seconds."""
    deadline = time.time() + seconds
    while (found := what()) is None or found is False:
        if time.time() > deadline:
            fail(message() if callable(message) else message)
        time.sleep(0.3)
    return found


def controls(node):
    node.clear_cache()
    found = []
    stack = [node]
    while stack:
        item = stack.pop()
        try:
            found.append((item.getRoleName(), item.name or "", item))
            stack.extend(child for child in item if child is not None)
        except Exception:  # an item that went away while walking
            pass
    return found


def find(all_controls, role, name, whole=True):
    for r, n, item in all_controls:
        if r == role and (n == name if whole else name in n):
            return item
    return None


app = until(30, lambda: next((a for a in pyatspi.Registry.getDesktop(0)
                              if a is not None and a.name in ("kivotra", "KivotraMP4")), None),
            "the program never appeared on the accessibility bus")
# Names change as the file is read and compressed: ask the program each time.
app.set_cache_mask(Atspi.Cache.NONE)
# The card announces its file and state once the file has been read.
wanted = [
    ("push button", "开始压缩", True),
    ("list item", "clip.mp4，待压缩", False),
    ("radio button", "1080P", True),
    ("slider", "视频码率", True),
]
everything = []


def all_found():
    everything[:] = controls(app)
    return all(find(everything, r, n, whole) is not None for r, n, whole in wanted)


until(30, all_found, lambda: "not found: %s\nseen: %s" % (
    [(r, n) for r, n, whole in wanted if find(everything, r, n, whole) is None],
    sorted({(r, n) for r, n, _ in everything if n})))

action = find(everything, "push button", "开始压缩").queryAction()
names = [action.getName(i).lower() for i in range(action.nActions)]
if "press" not in names:
    fail("the start control offers no press action: %s" % names)
action.doAction(names.index("press"))

until(60, lambda: any(n.startswith("clip_") and n.endswith(".mp4") for n in os.listdir(work)),
      "pressing the start control through the accessibility bus compressed nothing")
until(30, lambda: find(controls(app), "list item", "已完成", False), "the card never said it was done")
