#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds, and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
# Until the export command runs here, the main job writes a demonstration
# scene through the scene file writer.
mkdir -p out
build/default/tools/demo-scene out/demo.rdk
echo "main job: wrote the demonstration scene to $(pwd)/out/demo.rdk" >&2
