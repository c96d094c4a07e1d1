#!/usr/bin/env python3
"""Holds the source tree to its layers: each folder of src/ (and of python/, the package's
extension) includes only the folders below it,
and no two files need each other. Exits 1 and names every offending include otherwise.

The one table of allowed edges is LAYERS; a new folder or a new edge is added there, on purpose.
"""
import os
import re
import sys

# Each folder and the folders it may include, from the scripts' view down to the system.
LAYERS = {
    "server": {"component", "rest", "oauth", "xml", "http", "common", "automation", "platform"},
    "component": {"rest", "oauth", "xml", "http", "common", "automation", "platform"},
    "rest": {"oauth", "xml", "http", "common", "automation", "platform"},
    "xml": {"common", "automation", "platform"},
    "oauth": {"http", "common", "automation", "platform"},
    "http": {"common", "automation", "platform"},
    "common": {"automation", "platform"},
    "automation": {"platform"},
    "platform": set(),
    # The Linux transport module is a library of its own: it shares the system seam only.
    "transport": {"platform"},
    # The Python package's extension (python/native): the automation types only; it reaches the
    # library through its entry points, which it loads at run time.
    "native": {"automation", "platform"},
    # The command (cli/, checked from the project's root): the automation types and the system seam
    # only, like the extension.
    "cli": {"automation", "platform"},
}

# Headers the build generates rather than a folder holds.
GENERATED = {"warbler.h", "WarblerObjects.h"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SOURCE = (".h", ".cpp", ".c")


def units(src):
    """Every source file under src as (folder, unit, includes): a header and the .cpp of the
    same name are one unit. A src that is itself a folder of the table is that folder alone."""
    only = os.path.basename(os.path.normpath(src))
    if only in LAYERS:
        src = os.path.dirname(os.path.normpath(src))
    for folder in sorted(os.listdir(src)) if only not in LAYERS else [only]:
        path = os.path.join(src, folder)
        if not os.path.isdir(path):
            continue
        for root, _, files in os.walk(path):
            for name in sorted(files):
                if not name.endswith(SOURCE):
                    continue
                file = os.path.join(root, name)
                relative = os.path.relpath(file, src).replace(os.sep, "/")
                with open(file, encoding="utf-8", errors="replace") as handle:
                    includes = INCLUDE.findall(handle.read())
                yield folder, relative, os.path.splitext(relative)[0], includes


def check(src):
    """The list of faults found under src; empty when the tree keeps its layers."""
    faults = []
    edges = {}
    for folder, relative, unit, includes in units(src):
        if folder not in LAYERS:
            faults.append(f"{relative}: folder '{folder}' has no place in the layer table")
            continue
        edges.setdefault(unit, set())
        for included in includes:
            if included in GENERATED:
                continue
            target = included.split("/")[0] if "/" in included else None
            if target is None:
                faults.append(f'{relative}: "{included}" names no folder')
            elif target != folder and target not in LAYERS[folder]:
                faults.append(f'{relative}: "{included}" runs from {folder}/ to {target}/')
            else:
                other = os.path.splitext(included)[0]
                if other != unit:
                    edges[unit].add(other)
    faults.extend(f"files need each other: {' <-> '.join(sorted(c))}" for c in cycles(edges))
    return faults


def cycles(edges):
    """The strongly connected groups of more than one unit (Tarjan, iteratively)."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    counter = 0
    for start in sorted(edges):
        if start in index:
            continue
        work = [(start, iter(sorted(edges.get(start, ()))))]
        index[start] = low[start] = counter
        counter += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is not None:
                if child not in index:
                    index[child] = low[child] = counter
                    counter += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(edges.get(child, ())))))
                elif child in on_stack:
                    low[node] = min(low[node], index[child])
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                group = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    group.append(member)
                    if member == node:
                        break
                if len(group) > 1:
                    found.append(group)
    return found


def main():
    """usage: check_layers.py [ROOT...]: each root's folders, or a folder of the table itself
    (default: src/)."""
    roots = sys.argv[1:] or [os.path.join(os.path.dirname(__file__), "..", "..", "src")]
    faults = [fault for root in roots for fault in check(os.path.normpath(root))]
    for fault in faults:
        print(fault)
    count = sum(1 for root in roots for _ in units(root))
    print(f"layers: {count} files, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
