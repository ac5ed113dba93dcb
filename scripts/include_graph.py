#!/usr/bin/env python3
"""The include graph of the project: which folder's code includes which.

Prints the edges between folders (a folder is the directory a file lives in,
so app/ and app/ui/ are two) and fails when folders, or units (a header and
its source), include each other in a circle, or when a folder includes one
that its floor may not use (the table FLOORS below; the build enforces the
same through the libraries' include paths).

    scripts/include_graph.py [--quiet]
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCE_FOLDERS = ["support", "link", "config", "app", "dialogs", "widgets", "emulator", "tests", "bench"]

# Which folders each product folder may include, besides itself: only floors
# below it. The windows (*/ui) form one floor. Tests and benchmarks may
# include anything.
WINDOWS = {"app/ui", "config/ui", "dialogs/ui"}
FLOORS = {
    "support": set(),
    "config": {"support"},
    "link": {"config", "support"},
    "dialogs": {"link", "config", "support"},
    "app": {"dialogs", "link", "config", "support"},
    "app/cli": {"app", "dialogs", "link", "config", "support"},
    "widgets": {"app", "dialogs", "link", "config", "support"},
    **{w: WINDOWS | {"widgets", "app", "dialogs", "link", "config", "support"} for w in WINDOWS},
    "emulator": {"support"},
}
# Single files a floor may use beyond its table: the device's wire facts the
# emulator shares with the tool.
SHARED_FILES = {"emulator": {"link/crc16.h", "config/speed_table.h"}}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def project_files():
    for top in SOURCE_FOLDERS:
        for folder, _, names in os.walk(os.path.join(ROOT, top)):
            for name in names:
                if name.endswith((".h", ".cpp")):
                    yield os.path.relpath(os.path.join(folder, name), ROOT)


def resolve(including, included):
    """The project file an include names: beside the file, or from the root
    or from tests/ (the include paths the build sets)."""
    for base in (os.path.dirname(including), "", "tests"):
        candidate = os.path.normpath(os.path.join(base, included))
        if os.path.isfile(os.path.join(ROOT, candidate)):
            return candidate
    return None


def edges_of(files):
    edges = {}
    for path in files:
        with open(os.path.join(ROOT, path), encoding="utf-8") as source:
            text = source.read()
        targets = {resolve(path, name) for name in INCLUDE.findall(text)}
        edges[path] = {t for t in targets if t and t != path}
    return edges


def cycles(graph):
    """Strongly connected components with more than one node (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(node):
        index[node] = low[node] = counter[0]
        counter[0] += 1
        stack.append(node)
        on_stack.add(node)
        for nxt in sorted(graph.get(node, ())):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            component = []
            while True:
                top = stack.pop()
                on_stack.discard(top)
                component.append(top)
                if top == node:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    sys.setrecursionlimit(10000)
    for node in sorted(graph):
        if node not in index:
            visit(node)
    return found


def unit_edges(file_edges):
    """The same graph with a unit's header and source as one node."""
    units = {}
    for path, targets in file_edges.items():
        unit = os.path.splitext(path)[0]
        units.setdefault(unit, set()).update(
            os.path.splitext(t)[0] for t in targets if os.path.splitext(t)[0] != unit)
    return units


def floor_failures(file_edges):
    failures = []
    for path, targets in sorted(file_edges.items()):
        here = os.path.dirname(path)
        if here.startswith(("tests", "bench")):
            continue
        if here not in FLOORS:
            failures.append(f"{path}: its folder {here} has no floor")
            continue
        for target in sorted(targets):
            there = os.path.dirname(target)
            if there != here and there not in FLOORS[here] and target not in SHARED_FILES.get(here, ()):
                failures.append(f"{path} includes {target}: {here} may not use {there}")
    return failures


def main():
    quiet = "--quiet" in sys.argv
    file_edges = edges_of(sorted(project_files()))
    folder_edges = {}
    for path, targets in file_edges.items():
        here = os.path.dirname(path)
        for target in targets:
            there = os.path.dirname(target)
            if there != here:
                folder_edges.setdefault(here, set()).add(there)

    if not quiet:
        for folder in sorted(folder_edges):
            print(f"{folder} -> {', '.join(sorted(folder_edges[folder]))}")

    failures = []
    for component in cycles(folder_edges):
        failures.append("folders include each other: " + " <-> ".join(component))
    for component in cycles(unit_edges(file_edges)):
        failures.append("units include each other: " + " <-> ".join(component))
    failures += floor_failures(file_edges)

    for failure in failures:
        print("include graph:", failure)
    if not failures:
        print(f"include graph: {len(folder_edges)} folders, no circles")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
