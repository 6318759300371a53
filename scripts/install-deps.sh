#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Quillet need, and only
# those that are missing. Idempotent; uses sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev libxcb1-dev qt6-translations-l10n fonts-wqy-microhei fonts-wqy-zenhei
  libcairo2-dev libpango1.0-dev poppler-utils qpdf
  libicu-dev fonts-noto-cjk
  xvfb xauth xdotool
  clang libclang-rt-14-dev
  gramps libgedcom-perl librsvg2-bin
  dpkg-dev desktop-file-utils appstream lintian man-db
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
