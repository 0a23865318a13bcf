#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds the add-in, installs it with the
# programs a user runs into out/ (out/bin: addin-host, rdk, raydeck-standin),
# exports the bundled example design to a scene file the way a click on
# "Export to RayDeck .rdk" does, and prints what to try next.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
tools/setup-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
cmake --install build/default --prefix out >/dev/null
out/bin/addin-host export examples/gearbox.design.json out/gearbox.rdk

step=/usr/share/opencascade/data/step/screw.step
cat <<NEXT

Installed into $top/out: the add-in folder RayDeck8Addin/, and in bin/
addin-host, rdk and raydeck-standin. The example's scene file is
$top/out/gearbox.rdk. Try next:

  # a preview picture of the scene file
  $top/out/bin/rdk render $top/out/gearbox.rdk -o $top/out/gearbox.png

  # a STEP file that is already on this machine, exported and previewed
  $top/out/bin/addin-host export $step $top/out/screw.rdk
  $top/out/bin/rdk render $top/out/screw.rdk -o $top/out/screw.png

  # the live link: two clicks into the RayDeck stand-in, the example and
  # then its edited state, of which only the changed gear is sent again
  $top/tools/try-render.sh /tmp/raydeck-try $top/examples/gearbox.design.json $top/examples/gearbox-edited.design.json
NEXT
