#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds the add-in, installs it with the host
# program into out/, and exports the bundled example design to a scene file
# the way a click on "Export to RayDeck .rdk" does.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
cmake --install build/default --prefix out >/dev/null
out/bin/addin-host export examples/gearbox.design.json out/gearbox.rdk
echo "main job: the scene file is $(pwd)/out/gearbox.rdk;" \
     "the add-in folder is $(pwd)/out/RayDeck8Addin" >&2
