#!/usr/bin/env bash
# Screenshots of the screens on the sample database, under Xvfb, into docs/screenshots/.
# Usage: scripts/screenshots.sh [build-dir]
set -euo pipefail
build_dir=${1:-build}
exe="$(cd "$build_dir" && pwd)/vorda"
out="$(pwd)/docs/screenshots"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$exe" init-db "$work/VORDA.db" --demo >/dev/null
"$exe" --ini "$work/vorda.INI" set-data "$work/VORDA.db" >/dev/null
VORDA_SHOT_DIR="$out" xvfb-run -a -s "-screen 0 1280x860x24 -nolisten tcp" \
  env QT_QPA_PLATFORM=xcb "$exe" --ini "$work/vorda.INI" --screenshots
ls "$out"
