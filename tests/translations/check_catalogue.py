#!/usr/bin/env python3
"""The English catalogue against the sources: every text the program can show is
translated, the placeholders survive, and no Chinese is left in a translation.
usage: check_catalogue.py LUPDATE SOURCE_LIST CATALOGUE.ts
"""
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

CJK = re.compile(r"[\u3000-\u303f\u3400-\u9fff\uff00-\uffef]")
# Output names keep their Chinese part in every language.
KEPT = "_压缩_"
PLACEHOLDER = re.compile(r"%(?:\d+|n)")


def problems_in(catalogue):
    found = []
    for context in ET.parse(catalogue).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            source = message.findtext("source")
            where = f"{name}: {source!r}"
            kind = message.find("translation").get("type")
            if kind in ("unfinished", "vanished", "obsolete"):
                found.append(f"{kind}: {where}")
                continue
            wanted = sorted(set(PLACEHOLDER.findall(source)))
            forms = message.find("translation").findall("numerusform")
            for text in [f.text or "" for f in forms] if forms else [message.findtext("translation") or ""]:
                if not text:
                    found.append(f"empty: {where}")
                if sorted(set(PLACEHOLDER.findall(text))) != wanted:
                    found.append(f"placeholders {wanted} not kept: {where} -> {text!r}")
                if CJK.search(text.replace(KEPT, "")):
                    found.append(f"Chinese left: {where} -> {text!r}")
    return found


def main():
    lupdate, source_list, catalogue = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as tmp:
        # lupdate on a copy: texts in the sources that the catalogue lacks come in unfinished.
        copy = Path(tmp) / Path(catalogue).name
        shutil.copyfile(catalogue, copy)
        subprocess.run([lupdate, f"@{source_list}", "-source-language", "zh_CN", "-locations", "none",
                        "-no-obsolete", "-silent", "-ts", str(copy)], check=True)
        found = problems_in(copy)
    print("\n".join(found + [f"{catalogue}: {len(found)} problem(s)"]))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
