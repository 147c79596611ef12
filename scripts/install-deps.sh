#!/usr/bin/env bash
# Installs every Debian package the project needs; quick when they are already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libglfw3-dev libbox2d-dev libfreetype-dev libpng-dev zlib1g-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri xvfb xauth
  libopenal-dev libsndfile1-dev fonts-dejavu-core libfontconfig-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev lua5.4
  bison flex xdotool python3 clang-format
  libegl-dev libegl-mesa0
  libzip-dev libphysfs-dev
  nlohmann-json3-dev neovim
)

# The editor tests and the .vsix use Node.js and npm (editors/vscode/install-tools.sh installs the
# npm packages into that folder); Debian's serve when the machine has none of its own.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
