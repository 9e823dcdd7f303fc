#!/usr/bin/env bash
# Installs what Vexlan needs to build, run and test on Debian 12, skipping what is there.
set -euo pipefail
packages=(build-essential cmake pkg-config
          qt6-base-dev libqt6serialport6-dev libgl-dev
          libgtest-dev libgmock-dev
          libcli11-dev nlohmann-json3-dev
          clang libclang-rt-14-dev
          edid-decode xvfb xauth
          desktop-file-utils appstream mandoc man-db dpkg-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
