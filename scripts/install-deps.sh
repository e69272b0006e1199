#!/usr/bin/env bash
# Brings a fresh Debian 12 machine to a working build. Does nothing when all is present.
# VELMO_TARGET_ARCH=i686 also installs the 32-bit Wine (only useful where the machine can run
# 32-bit x86 programs).
set -euo pipefail

packages=(cmake make g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools wine wine64
          googletest msitools wixl xvfb xauth)
[ "${VELMO_TARGET_ARCH:-x86_64}" = i686 ] && packages+=(wine32:i386)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "Installing: ${missing[*]}"
case " ${missing[*]} " in *:i386*) $SUDO dpkg --add-architecture i386 ;; esac
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
