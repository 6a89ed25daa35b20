#!/usr/bin/env python3
"""Fails when the plug-in's units include each other in a cycle.

A unit is a header and its source file (injection/FeatureBlock.h + .cpp). An
edge A -> B means a file of unit A includes the header of unit B. Any strongly
connected component of more than one unit is a cycle and is printed.
    python3 scripts/check-cycles.py [complugins]
"""
import os
import re
import sys

root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'complugins')
root = os.path.abspath(root)
include = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)

units = {}
for folder, _, files in os.walk(root):
    for name in files:
        if name.endswith(('.h', '.cpp')):
            path = os.path.join(folder, name)
            unit = os.path.splitext(os.path.relpath(path, root))[0]
            units.setdefault(unit, []).append(path)

edges = {unit: set() for unit in units}
for unit, paths in units.items():
    for path in paths:
        with open(path, encoding='utf-8') as f:
            for target in include.findall(f.read()):
                other = os.path.splitext(target)[0]
                if other in units and other != unit:
                    edges[unit].add(other)

# Tarjan's strongly connected components, iteratively.
index, low, on_stack, stack, components = {}, {}, set(), [], []
counter = 0
for start in sorted(units):
    if start in index:
        continue
    work = [(start, iter(sorted(edges[start])))]
    index[start] = low[start] = counter
    counter += 1
    stack.append(start)
    on_stack.add(start)
    while work:
        node, children = work[-1]
        advanced = False
        for child in children:
            if child not in index:
                index[child] = low[child] = counter
                counter += 1
                stack.append(child)
                on_stack.add(child)
                work.append((child, iter(sorted(edges[child]))))
                advanced = True
                break
            if child in on_stack:
                low[node] = min(low[node], index[child])
        if advanced:
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
                components.append(sorted(component))

if components:
    for component in components:
        print('include cycle among: ' + ', '.join(component))
    sys.exit(1)
print(f'{len(units)} units, {sum(len(e) for e in edges.values())} include edges, no cycle')
