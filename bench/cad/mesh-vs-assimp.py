#!/usr/bin/env python3
"""Exporting large mesh files, against Assimp's own export of the same file.

For every mesh format the stand-in host reads, a torus of a million triangles
(written by the build's torus-mesh-files into build/mesh-bench) is exported
by `addin-host export FILE OUT.rdk` and, alternating with it, by
`assimp export FILE OUT.obj` (Debian package assimp-utils). Prints the
median wall time and the peak resident memory of each, their ratios, and
the worst ratios over all formats.

  bench/cad/mesh-vs-assimp.py [--build build/default] [--runs 3] [--only stl,obj]
  bench/cad/mesh-vs-assimp.py --summary     # one line for tools/bench-summary.sh

Takes about 10 minutes with 3 runs on a 2-core machine.
"""

import argparse
import hashlib
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]

# File, as it is named in the tables.
FILES = [
    ("torus-binary.stl", "stl"),
    ("torus-ascii.stl", "stl-ascii"),
    ("torus.obj", "obj"),
    ("torus-binary.ply", "ply"),
    ("torus-ascii.ply", "ply-ascii"),
    ("torus.gltf", "gltf"),
    ("torus.glb", "glb"),
    ("torus.dae", "dae"),
    ("torus.fbx", "fbx"),
    ("torus.3mf", "3mf"),
    ("torus.3ds", "3ds"),
    ("torus.off", "off"),
]


def run(command):
    """Wall seconds, CPU seconds (user + system) and peak resident memory
    (MB) of one command."""
    with tempfile.TemporaryFile() as errors:
        start = time.monotonic()
        process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=errors)
        _, status, usage = os.wait4(process.pid, 0)
        seconds = time.monotonic() - start
        process.returncode = os.waitstatus_to_exitcode(status)
        if process.returncode != 0:
            errors.seek(0)
            why = errors.read().decode(errors="replace").strip()
            sys.exit(f"{' '.join(map(str, command))} failed ({process.returncode}): {why}")
    return seconds, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024


def make_files(build, data):
    generator = build / "bench/cad/torus-mesh-files"
    if not generator.exists():
        sys.exit(f"{generator} is missing: cmake --build {build} --target torus-mesh-files addin-host")
    stamp = data / "made-by"
    made_by = hashlib.sha256(generator.read_bytes()).hexdigest() + "\n"
    if stamp.exists() and stamp.read_text() == made_by and all((data / f).exists() for f, _ in FILES):
        return
    print(f"writing the torus files into {data} ...", file=sys.stderr)
    subprocess.run([generator, data], check=True, stdout=subprocess.DEVNULL)
    stamp.write_text(made_by)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", type=Path, default=Path(os.environ.get("BENCH_BUILD", ROOT / "build/default")))
    parser.add_argument("--data", type=Path, default=ROOT / "build/mesh-bench")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--only", help="comma-separated names of the tables (stl,obj,...)")
    parser.add_argument("--summary", action="store_true", help="print only the bench-summary line")
    args = parser.parse_args()

    build = args.build.resolve()
    host = build / "tools/addin-host"
    assimp = shutil.which("assimp")
    if not assimp:
        sys.exit("assimp is missing: apt-get install assimp-utils")
    if not host.exists():
        sys.exit(f"{host} is missing: cmake --build {build} --target addin-host torus-mesh-files")
    data = args.data.resolve()
    make_files(build, data)
    files = FILES
    if args.only:
        wanted = set(args.only.split(","))
        files = [(f, name) for f, name in FILES if name in wanted]

    out = data / "out"
    out.mkdir(exist_ok=True)
    rows = []
    if not args.summary:
        print(f"{'format':10} {'ours s':>7} {'assimp s':>8} {'time':>6} {'ours cpu':>8} {'assimp cpu':>10} "
              f"{'ours MB':>8} {'assimp MB':>9} {'memory':>6}")
    for file, name in files:
        ours, theirs = [], []
        for _ in range(args.runs):
            ours.append(run([host, "export", data / file, out / "out.rdk"]))
            theirs.append(run([assimp, "export", data / file, out / "out.obj"]))
            for leftover in out.iterdir():
                leftover.unlink()
        # Medians of wall time, CPU time and memory, ours and Assimp's.
        a = [statistics.median(r[k] for r in ours) for k in range(3)]
        b = [statistics.median(r[k] for r in theirs) for k in range(3)]
        rows.append((name, a[0] / b[0], a[2] / b[2]))
        if not args.summary:
            print(f"{name:10} {a[0]:7.2f} {b[0]:8.2f} {a[0] / b[0]:5.2f}x {a[1]:8.2f} {b[1]:10.2f} "
                  f"{a[2]:8.0f} {b[2]:9.0f} {a[2] / b[2]:5.3f}x", flush=True)
    out.rmdir()

    worst_time = max(rows, key=lambda r: r[1])
    worst_memory = max(rows, key=lambda r: r[2])
    ok = worst_time[1] <= 1.0 and worst_memory[2] <= 1.0
    if args.summary:
        print(f"stl-vs-assimp time{worst_time[1]:.2f}x,memory{worst_memory[2]:.3f}x <=1.0x {'ok' if ok else 'short'}")
    else:
        print(f"worst: time {worst_time[1]:.2f}x ({worst_time[0]}), memory {worst_memory[2]:.3f}x "
              f"({worst_memory[0]}); target <= 1.0x for both: {'ok' if ok else 'short'}")


if __name__ == "__main__":
    main()
