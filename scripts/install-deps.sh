#!/usr/bin/env bash
# The one list of Debian packages Tsukimi needs to build, test and play.
# Installs only what is missing; uses sudo when not root.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
    libsdl2-dev libpng-dev libjpeg62-turbo-dev zlib1g-dev
    libfreetype-dev libfontconfig-dev fonts-ipafont-gothic
    libgtest-dev libgmock-dev libbenchmark-dev liblua5.4-dev libpixman-1-dev
    libc-bin xvfb
)

missing=()
for pkg in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$pkg")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    SUDO=()
elif command -v sudo >/dev/null 2>&1; then
    SUDO=(sudo)
else
    echo "install-deps: cannot install ${missing[*]}: not root and no sudo" >&2
    exit 1
fi

echo "install-deps: installing ${missing[*]}"
if ! { "${SUDO[@]}" apt-get update -qq &&
       DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"; } \
       >/tmp/tsukimi-install-deps.log 2>&1; then
    echo "install-deps: apt-get could not install ${missing[*]} (see /tmp/tsukimi-install-deps.log)" >&2
    exit 1
fi
