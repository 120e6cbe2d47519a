#!/usr/bin/env python3
"""Checks the program's include structure. Every #include "folder/file" in a
folder of the program names a file of its own folder or of a lower layer, and
no module (a header with its .cpp) reaches itself again through the modules it
includes: no two files call each other, directly or round a longer loop.
Prints each fault and exits 1 when there is one."""
import os
import re
import sys

# Lowest first; a folder may include its own layer's folder only when it is itself.
LAYERS = [
    ["resources"],
    ["core"],
    ["platform"],
    ["skin"],
    ["settings"],
    ["preview"],
    ["browser"],
    ["gallery", "about"],
    ["app"],
]
# Programs of their own beside the main one, and what they may use.
SEPARATE = {"cli": {"core", "platform"}, "companion": {"core", "platform"}}

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
level = {folder: n for n, folders in enumerate(LAYERS) for folder in folders}
include = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/([^"]+)"', re.M)
faults = []
edges = {}

for folder in list(level) + list(SEPARATE):
    for dirpath, _, names in os.walk(os.path.join(root, folder)):
        for name in sorted(names):
            if not name.endswith((".h", ".cpp", ".in")):
                continue
            path = os.path.relpath(os.path.join(dirpath, name), root)
            module = os.path.splitext(path.removesuffix(".in"))[0]
            with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
                text = source.read()
            for target_folder, target in include.findall(text):
                target_module = os.path.splitext(f"{target_folder}/{target}")[0]
                if target_module != module:
                    edges.setdefault(module, set()).add(target_module)
                if target_folder == folder:
                    continue
                allowed = (target_folder in SEPARATE[folder] if folder in SEPARATE
                           else level.get(target_folder, len(LAYERS)) < level[folder])
                if not allowed:
                    faults.append(f"{path}: includes {target_folder}/{target}, which is not below {folder}/")

# Loops between modules: a depth-first search that meets a module still open.
state = {}
def visit(module, trail):
    state[module] = "open"
    for after in sorted(edges.get(module, ())):
        if state.get(after) == "open":
            loop = trail[trail.index(after):] + [after]
            faults.append("loop: " + " -> ".join(loop))
        elif after not in state:
            visit(after, trail + [after])
    state[module] = "done"

for module in sorted(edges):
    if module not in state:
        visit(module, [module])

for fault in faults:
    print(fault)
print(f"{len(edges)} modules checked, {len(faults)} faults")
sys.exit(1 if faults else 0)
