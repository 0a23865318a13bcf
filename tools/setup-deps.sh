#!/usr/bin/env bash
# Installs the Debian packages listed in tools/debian-packages.txt (only the
# missing ones, so a second run costs nothing) and generates the locales the
# tests switch to. Needs root, as on a fresh Debian 12 machine.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

mapfile -t wanted < <(grep -vE '^\s*(#|$)' "$here/debian-packages.txt")
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

# Source packages for what the Windows build compiles itself (TinyXML-2,
# fetched with apt-get source when the build is configured): deb-src beside
# every deb entry.
update=false
sources=/etc/apt/sources.list.d/debian.sources
if [ -f "$sources" ] && grep -q '^Types: deb$' "$sources"; then
  sed -i 's/^Types: deb$/Types: deb deb-src/' "$sources"
  update=true
fi
if [ -f /etc/apt/sources.list ] && grep -qE '^deb ' /etc/apt/sources.list \
   && ! grep -qE '^deb-src ' /etc/apt/sources.list; then
  sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >> /etc/apt/sources.list
  update=true
fi
apt-cache showsrc tinyxml2 >/dev/null 2>&1 || update=true

export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ] || $update; then
  apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A comma-decimal locale for the tests of the scene writer's number format.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# Test data for the CAD importers that Debian does not ship as plain files,
# under build/test-data (never committed): the CAx-IF STEP test files of the
# npm package occt-import-js, and a gzipped STEP file of gmsh-doc unpacked.
data="$(cd "$here/.." && pwd)/build/test-data"
occt_js_version=0.0.23
if [ ! -f "$data/npm/node_modules/occt-import-js/package.json" ] ||
   ! grep -q "\"version\": \"$occt_js_version\"" "$data/npm/node_modules/occt-import-js/package.json"; then
  if ! command -v npm >/dev/null; then
    echo "setup: installing npm" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends npm >/dev/null
  fi
  echo "setup: installing occt-import-js $occt_js_version into $data/npm" >&2
  mkdir -p "$data/npm"
  npm install --prefix "$data/npm" --no-audit --no-fund --no-save --loglevel=error \
    "occt-import-js@$occt_js_version" >/dev/null
fi
mkdir -p "$data/gmsh"
for gz in /usr/share/doc/gmsh-doc/doc/gmsh/demos/api/step_boundary_colors.stp.gz; do
  out="$data/gmsh/$(basename "$gz" .gz)"
  [ -f "$out" ] || { gzip -dc "$gz" > "$out.part" && mv "$out.part" "$out"; }
done
