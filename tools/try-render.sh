#!/usr/bin/env bash
# Tries a render session by hand against the RayDeck stand-in: makes a
# throwaway RayDeck 9 installation in a folder (the registry on Linux is a
# file there, and so is the folder where stand-ins announce themselves),
# clicks "Render in RayDeck 8" once per design through addin-host, writes the
# stand-in's scene to <folder>/scene.rdk and asks the stand-in to quit.
#
#   tools/try-render.sh [-b BUILD] [-k] FOLDER DESIGN [DESIGN ...]
#
#   -b BUILD   the build tree (default: build/default)
#   -k         keep the stand-in running afterwards (it quits by itself after
#              RAYDECK_STANDIN_IDLE_SECONDS, 1800 by default)
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/default
keep=0
while getopts "b:k" option; do
  case $option in
    b) build=$OPTARG ;;
    k) keep=1 ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if [ $# -lt 2 ]; then
  echo "usage: $0 [-b BUILD] [-k] FOLDER DESIGN [DESIGN ...]" >&2
  exit 2
fi
folder=$(mkdir -p "$1" && cd "$1" && pwd)
shift
bin=$(cd "$build/raydeck/bin" && pwd)
mkdir -p "$folder/resources" "$folder/run"
chmod 700 "$folder/run"
cat > "$folder/user.reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\SOFTWARE\\Veltor\\RayDeck 9]
"BinName"="$bin/raydeck-standin"
"BinFolder"="$bin"
"ResourceFolder"="$folder/resources"
"LiveLinkPort"=dword:00001388
"LiveLinkMaxPort"=dword:00001392
REG
export VELTOR_USER_REG="$folder/user.reg" VELTOR_MACHINE_REG="$folder/none.reg" XDG_RUNTIME_DIR="$folder/run"

status=0
"$build/tools/addin-host" -v render "$@" || status=$?
"$bin/raydeck-standin" --list | while read -r pid version port; do
  echo "stand-in: process $pid, RayDeck $version, port $port" >&2
  "$bin/raydeck-standin" --pid "$pid" --dump "$folder/scene-$pid.rdk"
  echo "its scene: $folder/scene-$pid.rdk" >&2
done
echo "transfers: $folder/resources/transfers/; its log: $folder/resources/raydeck-standin.log" >&2
if [ $keep = 0 ]; then
  "$bin/raydeck-standin" --quit
fi
exit $status
