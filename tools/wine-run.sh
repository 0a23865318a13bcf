#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine, headless:
#
#   tools/wine-run.sh <wine prefix folder> <program.exe> [arguments...]
#
# The build sets this as CMAKE_CROSSCOMPILING_EMULATOR with a prefix inside
# the build tree, so ctest and the test discovery run the test programs
# through it. The prefix is created on first use (wineboot, about 15 s) and
# kept for later runs. A wineserver that lingers for a minute after the last
# program serves the next one without a fresh start. The program's exit code
# is returned.
#
# RD_WINE_FILE_SIZE_LIMIT=<KiB> runs the program (and what it starts) under
# that file size limit, with SIGXFSZ ignored, so that a write past it fails
# as on a full disk: for tests of failed writes. The prefix and the server
# are made before, without the limit.
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 <wine prefix folder> <program.exe> [arguments...]" >&2
  exit 2
fi
prefix=$(realpath -m "$1")
shift

export WINEPREFIX=$prefix
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No display: console programs need none, and nothing may open a window.
export DISPLAY=
unset WAYLAND_DISPLAY
# No prompts to install Mono or Gecko into the prefix, no desktop menus.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}

# One at a time from here: the first program of a fresh prefix creates it,
# and the first program of a fresh wineserver starts Wine's background
# services, which would inherit its standard output and error and hold them
# open long after it ended (ctest waits for them to close). So a silent
# program starts the server's services first. The marker of the prefix is
# written last, so a prefix whose creation was cut short is made again; only
# such a prefix (marked beside it while it is made) is ever removed, never a
# path this script did not make (a program given in the prefix's place).
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/.created" ]; then
  if [ -e "$prefix" ] && [ ! -f "$prefix.making" ]; then
    echo "wine-run: $prefix is not a Wine prefix made here; give the prefix folder first" >&2
    exit 2
  fi
  echo "wine-run: creating the Wine prefix $prefix" >&2
  touch "$prefix.making"
  rm -rf "$prefix"
  wineboot --init </dev/null >/dev/null 2>&1
  wineserver -w
  touch "$prefix/.created"
  rm -f "$prefix.making"
fi
if wineserver -p 60 </dev/null >/dev/null 2>&1; then
  wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
fi
flock -u 9
exec 9>&-

if [ -n "${RD_WINE_FILE_SIZE_LIMIT:-}" ]; then
  ulimit -f "$RD_WINE_FILE_SIZE_LIMIT"
  trap '' XFSZ
fi
exec wine "$@"
