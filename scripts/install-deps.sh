#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (idempotent, quiet).
set -euo pipefail
# fonts-wine brings the design font (a free Tahoma), qt6-translations-l10n
# Qt's own texts in the interface languages, libqt6svg6 the window icon.
PKGS=(build-essential cmake ninja-build pkg-config qt6-base-dev libjpeg-dev zlib1g-dev
      libgl-dev xvfb xauth fonts-dejavu-core
      fonts-wine qt6-translations-l10n libqt6svg6)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq >/dev/null
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
