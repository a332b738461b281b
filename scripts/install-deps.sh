#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing VORDA need.
# Idempotent: does nothing when every package is already present.
set -euo pipefail

packages=(
  cmake g++ ninja-build pkg-config make
  qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql qt6-translations-l10n libsqlite3-dev
  postgresql
  fonts-ipafont-mincho fonts-ipafont-gothic
  poppler-utils xvfb xauth imagemagick
  mdbtools-dev
  dpkg-dev file desktop-file-utils python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing Debian packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
