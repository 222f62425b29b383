#!/usr/bin/env bash
# Installs, with apt-get, what building and testing need and is not there yet.
set -euo pipefail
packages=(cmake ninja-build g++ clang libgtest-dev qt6-base-dev fonts-dejavu-core dosfstools mtools ntfs-3g qemu-utils sleuthkit attr gdisk zlib1g-dev fdisk strace bc python3 testdisk foremost time imagemagick ghostscript zip dpkg-dev file desktop-file-utils appstream man-db)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
