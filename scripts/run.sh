#!/usr/bin/env bash
# Starts VORDA from the build folder on a ready sample database: on the first run it creates
# build/run/VORDA.db with the sample firm and registers it in build/vorda.INI.
set -euo pipefail
build_dir=${1:-build}
exe="$build_dir/vorda"
ini="$build_dir/vorda.INI"
demo="$build_dir/run/VORDA.db"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "画面がありません (no display): run it under Xvfb instead: xvfb-run -a make run" >&2
  exit 1
fi

if [ ! -f "$demo" ]; then
  mkdir -p "$(dirname "$demo")"
  "$exe" init-db "$demo" --demo
fi
if ! "$exe" --ini "$ini" check-db "$(head -n 1 "$ini" 2>/dev/null | tr -d '\r' || true)" >/dev/null 2>&1; then
  "$exe" --ini "$ini" set-data "$demo"
fi
exec "$exe" --ini "$ini"
