#!/usr/bin/env python3
"""Fails when files of src/ depend on each other in a circle.

A file's header and source are one unit (src/app/CFoo.h and src/app/CFoo.cpp); a unit depends on
every unit whose header it includes. Each circle found is printed, shortest first."""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def units(src):
    graph = {}
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        unit = str(path.relative_to(src).with_suffix(""))
        edges = graph.setdefault(unit, set())
        for name in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            target = str(pathlib.PurePosixPath(name).with_suffix(""))
            if target != unit:
                edges.add(target)
    return {unit: {t for t in edges if t in graph} for unit, edges in graph.items()}


def circles(graph):
    """The strongly connected components with more than one unit (Tarjan, iteratively)."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    counter = 0
    for root in graph:
        if root in index:
            continue
        work = [(root, iter(sorted(graph[root])))]
        index[root] = low[root] = counter
        counter += 1
        stack.append(root)
        on_stack.add(root)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is None:
                work.pop()
                if work:
                    parent = work[-1][0]
                    low[parent] = min(low[parent], low[node])
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
            elif child not in index:
                index[child] = low[child] = counter
                counter += 1
                stack.append(child)
                on_stack.add(child)
                work.append((child, iter(sorted(graph[child]))))
            elif child in on_stack:
                low[node] = min(low[node], index[child])
    return sorted(found, key=len)


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    found = circles(units(src))
    for component in found:
        print("circle: " + " <-> ".join(component))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
