#!/usr/bin/env bash
# Installs what the engine needs from Debian 12's packages.
#   scripts/install-deps.sh          build and run the program
#   scripts/install-deps.sh --test   also everything the test suite uses
set -euo pipefail

packages=(
    g++ make cmake pkg-config
    libsdl1.2-dev libsdl-image1.2-dev libsdl-mixer1.2-dev
    libglew-dev libglu1-mesa-dev libgl-dev libgl1-mesa-dri libglx-mesa0
)
if [[ ${1-} == --test ]]; then
    packages+=(
        googletest libgtest-dev libstb-dev libx11-dev
        imagemagick libjpeg-turbo-progs libjpeg-dev libturbojpeg0-dev libbenchmark-dev
        assimp-utils libassimp-dev libpugixml-dev libtinyxml2-dev
        xvfb xauth xdotool libsdl1.2-compat
        clang libclang-rt-dev
    )
fi

sudo=
if [[ $(id -u) != 0 ]]; then
    sudo=sudo
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if ((${#missing[@]} == 0)); then
    exit 0
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends \
    -o DPkg::Lock::Timeout=300 "${missing[@]}"
