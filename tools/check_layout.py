#!/usr/bin/env python3
"""Checks that the includes between the folders of src/ run only downwards.

The order of the folders, bottom up, is the foreach list of src/CMakeLists.txt.
A file may include from its own folder and from folders before its own in that
list. Prints every include that runs up and every folder missing from the list;
exits 1 when there is any.
"""
import os
import re
import sys

src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
with open(os.path.join(src, "CMakeLists.txt"), encoding="utf-8") as cmake:
    listed = re.search(r"foreach\(dir ([^)]*)\)", cmake.read())
if not listed:
    sys.exit("no foreach(dir ...) list in src/CMakeLists.txt")
order = {folder: rank for rank, folder in enumerate(listed.group(1).split())}

problems = []
for folder in sorted(os.listdir(src)):
    path = os.path.join(src, folder)
    if not os.path.isdir(path):
        continue
    if folder not in order:
        problems.append(f"{folder}/: not in the folder order of src/CMakeLists.txt")
        continue
    for name in sorted(os.listdir(path)):
        if not name.endswith((".h", ".cpp")):
            continue
        with open(os.path.join(path, name), encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                match = re.match(r'\s*#\s*include\s+"([a-z0-9_]+)/', line)
                if match and match.group(1) in order and order[match.group(1)] > order[folder]:
                    problems.append(f"{folder}/{name}:{number}: includes {match.group(1)}/, which is above {folder}/")
for problem in problems:
    print(problem)
sys.exit(1 if problems else 0)
