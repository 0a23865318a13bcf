#!/usr/bin/env python3
"""Checks the include lines of the project's C++ files against the layer order.

    check-layers.py ROOT --layer "platform" --layer "log" ... --api host/include/Core ...

Each --layer names the folders of one layer, lowest first (several folders
separated by blanks). A file in a layer may include headers of its own layer
and of the layers below it, and the host API headers named by --api; nothing
of a higher layer and nothing beside the layers (stand-ins, tools, tests).
Files beside the layers may include anything.

Headers of our own are included by a path that names their folder
(<sceneapi/velScene_api.h>, <platform/Files.h>); a quoted include names a
header in the including file's own folder. Both are checked too.

Prints one line per violation (file:line: what) and exits 1 when there is any.
"""
import argparse
import os
import re
import subprocess
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
# Where angle-bracket includes of our own headers are looked up, as the build
# passes them to the compiler.
INCLUDE_ROOTS = ["", "src/importers/", "host/include/", "host/cad/include/"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("--layer", action="append", default=[])
    parser.add_argument("--api", action="append", default=[])
    args = parser.parse_args()
    os.chdir(args.root)

    layers = []  # (folder prefix, rank), longest prefix first
    for rank, folders in enumerate(args.layer):
        for folder in folders.split():
            layers.append((folder.rstrip("/") + "/", rank))
    layers.sort(key=lambda entry: -len(entry[0]))
    apis = [folder.rstrip("/") + "/" for folder in args.api]
    names = {rank: folders for rank, folders in enumerate(args.layer)}

    def rank_of(path):
        for prefix, rank in layers:
            if path.startswith(prefix):
                return rank
        return None

    files = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "*.h", "*.cpp", "*.hpp"],
                           check=True, capture_output=True, text=True).stdout.split()
    known = set(files)
    problems = []
    for path in files:
        if not os.path.exists(path):
            continue
        own = rank_of(path)
        with open(path, encoding="utf-8", errors="replace") as text:
            for number, line in enumerate(text, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                quoted, name = match.group(1) == '"', match.group(2)
                where = f"{path}:{number}"
                if quoted:
                    target = os.path.normpath(os.path.join(os.path.dirname(path), name))
                    if "/" in name or target not in known:
                        problems.append(f'{where}: "{name}" is not a header beside this file; '
                                        f"include headers of other folders as <folder/{os.path.basename(name)}>")
                        continue
                else:
                    target = next((root + name for root in INCLUDE_ROOTS if root + name in known), None)
                    if target is None:
                        if any(candidate.endswith("/" + name) for candidate in known):
                            problems.append(f"{where}: <{name}> does not name its folder")
                        continue  # a system or third-party header
                if own is None or any(target.startswith(api) for api in apis):
                    continue
                theirs = rank_of(target)
                if theirs is None:
                    problems.append(f"{where}: {target} is beside the layers; "
                                    f"the layer '{names[own]}' must not include it")
                elif theirs > own:
                    problems.append(f"{where}: {target} belongs to the layer '{names[theirs]}', "
                                    f"above this file's layer '{names[own]}'")
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) break the layer order (see CMakeLists.txt, RD_LAYERS)")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
