#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the controller need
# (idempotent; says nothing when all are there). With --fuzz it also installs
# clang for the libFuzzer targets (ZOVT_FUZZ), a large download that nothing
# else needs.
set -euo pipefail
# fonts-wine brings the design font (a free Tahoma), qt6-translations-l10n
# Qt's own texts in the interface languages, libqt6svg6 the window icon, lld
# a linker that links the test programs several times faster.
PKGS=(build-essential cmake ninja-build pkg-config qt6-base-dev libjpeg-dev zlib1g-dev
      libgl-dev xvfb xauth fonts-dejavu-core lld
      fonts-wine              # a Tahoma-compatible font for the window's design font
      libqt6svg6              # the window icon as drawn
      qt6-translations-l10n   # Qt's own texts (dialog buttons) in the five languages
      openbox x11-utils)      # a window manager and xprop for the test of window stacking
if [ "${1:-}" = --fuzz ]; then PKGS+=(clang libclang-rt-dev); fi
# One query for all of them: the run command asks this at every start.
installed=" $(dpkg-query -W -f='${Package}:${db:Status-Status} ' "${PKGS[@]}" 2>/dev/null || true) "
missing=()
for p in "${PKGS[@]}"; do
  [[ "$installed" == *" $p:installed "* ]] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing dependencies (${missing[*]})…"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# The package lists are fetched only when the install cannot go ahead without them.
if ! $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null 2>&1; then
  $SUDO apt-get update -qq >/dev/null
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
