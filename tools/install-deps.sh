#!/usr/bin/env bash
# Installs what the build, the tool and its tests need on Debian 12, skipping what is there.
set -euo pipefail

packages=(
  g++-mingw-w64-i686 mingw-w64-tools cmake ninja-build clang llvm libclang-rt-14-dev googletest
  wine wine32:i386 xvfb xauth xdotool imagemagick x11-utils
  libgl1-mesa-dri:i386 libglx-mesa0:i386 libgl1:i386
  pulseaudio libpulse0:i386 libasound2-plugins:i386
  python3 procps file binutils-mingw-w64-i686
  libsdl2-2.0-0:i386 gcc-multilib
  # The 64-bit Wine and build, for machines that run no 32-bit programs (tools/wine-session.sh).
  wine64 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  libsdl2-2.0-0 libgl1-mesa-dri libglx-mesa0 libgl1 libpulse0 libasound2-plugins
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
# A mirror caught mid-sync fails one index now and then; try again, then go on with what
# was fetched: the install below still fails loudly if a package cannot be had.
for attempt in 1 2 3; do
  "${sudo_cmd[@]}" apt-get update -q && break
  sleep 5
done
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
