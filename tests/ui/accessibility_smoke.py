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


def application():
    deadline = time.time() + 30
    while time.time() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name in ("kivotra", "KivotraMP4"):
                return app
        time.sleep(0.3)
    fail("the program never appeared on the accessibility bus")


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


app = application()
# Names change as the file is read and compressed: ask the program each time.
app.set_cache_mask(Atspi.Cache.NONE)
# The card announces its file and state once the file has been read.
wanted = [
    ("push button", "开始压缩", True),
    ("list item", "clip.mp4，待压缩", False),
    ("radio button", "1080P", True),
    ("slider", "视频码率", True),
]
deadline = time.time() + 30
while True:
    everything = controls(app)
    missing = [(r, n) for r, n, whole in wanted if find(everything, r, n, whole) is None]
    if not missing:
        break
    if time.time() > deadline:
        seen = sorted({(r, n) for r, n, _ in everything if n})
        fail("not found: %s\nseen: %s" % (missing, seen))
    time.sleep(0.5)

action = find(everything, "push button", "开始压缩").queryAction()
names = [action.getName(i).lower() for i in range(action.nActions)]
if "press" not in names:
    fail("the start control offers no press action: %s" % names)
action.doAction(names.index("press"))

deadline = time.time() + 60
while not any(n.startswith("clip_") and n.endswith(".mp4") for n in os.listdir(work)):
    if time.time() > deadline:
        fail("pressing the start control through the accessibility bus compressed nothing")
    time.sleep(0.3)
deadline = time.time() + 30
while find(controls(app), "list item", "已完成", False) is None:
    if time.time() > deadline:
        fail("the card never said it was done")
    time.sleep(0.3)
