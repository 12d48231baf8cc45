#!/usr/bin/env python3
"""Checks the layers the folders draw, on the includes of every source file.

- The core (the subsystem folders without ui/, */dialogs/ and platform/qt/) includes no Qt
  header and no file of the Qt layer.
- Dialogs and the Qt helpers do not include the windows of ui/: ui/ opens the dialogs,
  never the other way round.
- No two core folders include each other, except the pairs listed in ALLOWED_PAIRS with
  the reason that makes the pair unavoidable.
"""
import re
import sys
from pathlib import Path

CORE_ROOTS = ("reception", "snmp", "notify", "traplog", "users", "settings", "platform", "forward",
              "traffic", "mib")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)
QT_HEADER = re.compile(r"^(Q[A-Za-z]|qt)")

# Folder pairs that include each other by design, each with its reason.
ALLOWED_PAIRS = {
    frozenset(("reception", "snmp")):
        "the receiver calls the decoder, and the decoder fills the trap record the receiver owns",
    frozenset(("reception", "notify")):
        "the receiver hands each trap to the pipeline, which reads the record and reports "
        "to the windows through the receiver's ports and loss counters",
}


def is_qt_layer(rel: str) -> bool:
    return rel.startswith("ui/") or rel.startswith("platform/qt/") or "/dialogs/" in rel


def folder_of(rel: str) -> str:
    return rel.rsplit("/", 1)[0]


def main(root: Path) -> int:
    failures = []
    edges = {}
    sources = [p for d in CORE_ROOTS + ("ui",) for p in (root / d).rglob("*")
               if p.suffix in (".cpp", ".h")]
    for path in sorted(sources):
        rel = path.relative_to(root).as_posix()
        for bracket, target in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            if is_qt_layer(rel):
                if not rel.startswith("ui/") and bracket == '"' and target.startswith("ui/"):
                    failures.append(f"{rel}: the Qt layer's helpers and dialogs include no window: {target}")
                continue
            if bracket == "<":
                if QT_HEADER.match(target):
                    failures.append(f"{rel}: core source includes Qt header <{target}>")
                continue
            if is_qt_layer(target):
                failures.append(f"{rel}: core source includes Qt-layer file {target}")
                continue
            if "/" not in target or not target.startswith(CORE_ROOTS):
                continue
            src, dst = folder_of(rel), folder_of(target)
            if src != dst:
                edges.setdefault((src, dst), f"{rel} includes {target}")
    for (src, dst), example in sorted(edges.items()):
        back = edges.get((dst, src))
        if src < dst and back and frozenset((src, dst)) not in ALLOWED_PAIRS:
            failures.append(f"{src}/ and {dst}/ include each other: {example}; {back}")
    if failures:
        print("\n".join(failures))
        return 1
    print(f"layers hold: {len(sources)} sources, {len(edges)} folder dependencies")
    return 0


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1] if len(sys.argv) > 1 else ".")))
