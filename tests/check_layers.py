#!/usr/bin/env python3
"""Checks the layers the folders draw, on the includes of every source file.

- The core (the subsystem folders without ui/, */dialogs/ and platform/qt/) includes no Qt
  header and no file of the Qt layer.
- Dialogs and the Qt helpers do not include the windows of ui/: ui/ opens the dialogs,
  never the other way round.
- The core folders' includes form no circle of any length: each circle (a strongly
  connected component of the folder graph) is reported with the includes that close it.

The subsystem folders are those CMakeLists.txt lists in SUBSYSTEMS.
"""
import re
import sys
from pathlib import Path

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)
QT_HEADER = re.compile(r"^(Q[A-Za-z]|qt)")
SUBSYSTEMS = re.compile(r"^\s*set\(SUBSYSTEMS\s+([^)]*)\)", re.MULTILINE)


def subsystems(root: Path) -> tuple:
    found = SUBSYSTEMS.search((root / "CMakeLists.txt").read_text(encoding="utf-8"))
    if not found:
        raise SystemExit("CMakeLists.txt sets no SUBSYSTEMS")
    return tuple(found.group(1).split())


def is_qt_layer(rel: str) -> bool:
    return rel.startswith("ui/") or rel.startswith("platform/qt/") or "/dialogs/" in rel


def folder_of(rel: str) -> str:
    return rel.rsplit("/", 1)[0]


def circles(edges: dict) -> list:
    """The strongly connected components of more than one folder (Tarjan, iterative)."""
    graph = {}
    for src, dst in edges:
        graph.setdefault(src, []).append(dst)
        graph.setdefault(dst, [])
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph[start])))]
        index[start] = low[start] = len(index)
        stack.append(start)
        on_stack.add(start)
        while work:
            node, successors = work[-1]
            step = next(successors, None)
            if step is not None:
                if step not in index:
                    index[step] = low[step] = len(index)
                    stack.append(step)
                    on_stack.add(step)
                    work.append((step, iter(sorted(graph[step]))))
                elif step in on_stack:
                    low[node] = min(low[node], index[step])
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                if len(component) > 1:
                    found.append(sorted(component))
    return found


def main(root: Path) -> int:
    roots = subsystems(root)
    failures = []
    edges = {}
    sources = [p for d in roots + ("ui",) for p in (root / d).rglob("*")
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
            if "/" not in target or not target.startswith(tuple(r + "/" for r in roots)):
                continue
            src, dst = folder_of(rel), folder_of(target)
            if src != dst:
                edges.setdefault((src, dst), f"{rel} includes {target}")
    for component in circles(edges):
        closing = [edges[(a, b)] for a in component for b in component if (a, b) in edges]
        failures.append(f"circle between {', '.join(f + '/' for f in component)}: "
                        + "; ".join(closing))
    if failures:
        print("\n".join(failures))
        return 1
    print(f"layers hold: {len(sources)} sources, {len(edges)} folder dependencies, no circle")
    return 0


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1] if len(sys.argv) > 1 else ".")))
