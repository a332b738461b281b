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
# Copies for the restore list (the user's own backup folder setting is not used here).
export XDG_CONFIG_HOME="$work/config"
"$exe" --ini "$work/vorda.INI" backup >/dev/null
"$exe" --ini "$work/vorda.INI" backup >/dev/null
# A laptop's display, then a larger one (those pictures carry the size in their names).
VORDA_SHOT_DIR="$out" xvfb-run -a -s "-screen 0 1366x768x24 -nolisten tcp" \
  env QT_QPA_PLATFORM=xcb "$exe" --ini "$work/vorda.INI" --screenshots
VORDA_SHOT_DIR="$out" VORDA_SHOT_SUFFIX=_1600x1000 xvfb-run -a -s "-screen 0 1600x1000x24 -nolisten tcp" \
  env QT_QPA_PLATFORM=xcb "$exe" --ini "$work/vorda.INI" --screenshots
ls "$out"
