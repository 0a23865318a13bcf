#!/usr/bin/env bash
# Tries the live link by hand against the RayDeck stand-in: makes a
# throwaway RayDeck 9 installation in FOLDER (the registry on Linux is a
# file there, and so is the folder where stand-ins announce themselves),
# clicks "Render in RayDeck 8" once per DESIGN through addin-host -v (which
# prints what the add-in did), writes the scene of each running stand-in to
# FOLDER/scene-<pid>.rdk and asks the stand-ins to quit. FOLDER, DESIGN and
# BUILD are taken relative to the current directory.
#
#   tools/try-render.sh [-h] [-b BUILD] [-k] FOLDER DESIGN [DESIGN ...]
#
#   -h         show this text
#   -b BUILD   the build tree (default: build/default of this source tree)
#   -k         keep the stand-in running afterwards (it quits by itself after
#              RAYDECK_STANDIN_IDLE_SECONDS, 1800 by default)
#
# The stand-in keeps the last accepted transfers (RAYDECK_STANDIN_KEEP_TRANSFERS,
# 50 by default) in FOLDER/resources/transfers/ and logs to
# FOLDER/resources/raydeck-standin.log; both are named at the end when they
# exist.
set -euo pipefail
build=$(cd "$(dirname "$0")/.." && pwd)/build/default
keep=0
while getopts "hb:k" option; do
  case $option in
    h) sed -n '2,/^set -euo/{/^#/s/^# \{0,1\}//p}' "$0"; exit 0 ;;
    b) build=$OPTARG ;;
    k) keep=1 ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if [ $# -lt 2 ]; then
  echo "usage: $0 [-h] [-b BUILD] [-k] FOLDER DESIGN [DESIGN ...]" >&2
  exit 2
fi
folder=$(mkdir -p "$1" && cd "$1" && pwd)
shift
build=$(cd "$build" && pwd)
bin=$build/raydeck/bin
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
  if "$bin/raydeck-standin" --pid "$pid" --dump "$folder/scene-$pid.rdk"; then
    echo "its scene: $folder/scene-$pid.rdk" >&2
  fi
done
if [ -d "$folder/resources/transfers" ]; then
  echo "transfers: $folder/resources/transfers/" >&2
fi
if [ -f "$folder/resources/raydeck-standin.log" ]; then
  echo "the stand-in's log: $folder/resources/raydeck-standin.log" >&2
fi
if [ $keep = 0 ]; then
  "$bin/raydeck-standin" --quit
fi
exit $status
