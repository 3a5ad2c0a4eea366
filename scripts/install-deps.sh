#!/usr/bin/env bash
# Installs every Debian package that building, testing and benchmarking Pairhound needs.
# Skips what is already present; uses sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build g++ pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins qt6-qpa-plugins libqt6svg6
  libgl-dev libxkbcommon-dev
  libjpeg62-turbo-dev zlib1g-dev libarchive-dev libtag1-dev libxxhash-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth fonts-dejavu-core
  unrtf
  libglib2.0-dev acl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
