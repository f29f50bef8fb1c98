#!/usr/bin/env bash
# Builds the Debian package of the controller, the device simulator and the
# schedule preview: zovt-generator_<version>_<arch>.deb in the project folder.
#
#   scripts/package.sh [--no-check]
#
# It installs what the build and the checks need (through sudo when not root),
# makes its own Release build in build-pkg/ with Debian's hardening flags,
# installs it into a staging tree, computes the package's dependencies from
# the binaries with dpkg-shlibdeps, and builds the package with dpkg-deb.
# Then, unless --no-check, it runs lintian on the package and
# desktop-file-validate and appstreamcli validate on what it installs, and
# fails when any of them reports an error.
set -euo pipefail
umask 022

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$ROOT/build-pkg
STAGE=$BUILD/stage
CHECK=1
for a in "$@"; do
  case $a in
    --no-check) CHECK=0 ;;
    -h|--help) sed -n '2,13s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) echo "package.sh: unknown option '$a'" >&2; exit 2 ;;
  esac
done

# Dependencies: the build's own, then the packaging and checking tools.
"$ROOT/scripts/install-deps.sh"
TOOLS=(dpkg-dev binutils lintian appstream desktop-file-utils file)
missing=()
for p in "${TOOLS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing packaging tools (${missing[*]})…"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq >/dev/null
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Release build, hardened as Debian builds its packages.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CPPFLAGS=$(dpkg-buildflags --get CPPFLAGS)
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $CPPFLAGS"
CFLAGS="$(dpkg-buildflags --get CFLAGS) $CPPFLAGS"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
LAUNCHER=()
if command -v ccache >/dev/null; then LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi
CXXFLAGS=$CXXFLAGS CFLAGS=$CFLAGS LDFLAGS=$LDFLAGS \
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOVT_BUILD_TESTS=OFF \
  -DZOVT_SANITIZE=OFF -DCMAKE_INSTALL_PREFIX=/usr "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD" -j2 --target zovt-generator zovt-devsim zovt-schedule

VERSION=$(sed -n 's/^#define ZOVT_VERSION "\(.*\)"$/\1/p' "$BUILD/generated/ZovtVersion.h")
ARCH=$(dpkg --print-architecture)
PKG=zovt-generator
DEB=$ROOT/${PKG}_${VERSION}_${ARCH}.deb
MAINTAINER="ZovT Generator developers <zovt-generator@example.org>"
# Dates in the package are those of the last commit, so that the same
# sources give the same package.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null || date +%s)}

rm -rf "$STAGE"
DESTDIR=$STAGE cmake --install "$BUILD" >/dev/null
for exe in "$STAGE"/usr/bin/*; do
  strip --strip-unneeded --remove-section=.comment --remove-section=.note "$exe"
done
gzip -9n "$STAGE"/usr/share/man/man1/*.1

DOC=$STAGE/usr/share/doc/$PKG
mkdir -p "$DOC"
cat > "$DOC/copyright" <<EOF
ZovT Generator: the controller of the ZovT frequency generator, its device
simulator zovt-devsim and its schedule preview zovt-schedule.

Copyright: $(date -u -d "@$SOURCE_DATE_EPOCH" +%Y) ZovT Generator developers
License: all rights reserved; no licence to copy or change has been granted.
EOF
{
  echo "$PKG ($VERSION) unstable; urgency=medium"
  echo
  echo "  * Version $VERSION, packaged from the project's sources."
  echo
  echo " -- $MAINTAINER  $(date -u -R -d "@$SOURCE_DATE_EPOCH")"
} | gzip -9n > "$DOC/changelog.gz"
cp "$ROOT/README.md" "$DOC/README.md"
gzip -9n "$DOC/README.md"

# Dependencies from the binaries. dpkg-shlibdeps wants to run inside a source
# package, so it gets a minimal one of its own.
SHLIB=$BUILD/shlibdeps
rm -rf "$SHLIB" && mkdir -p "$SHLIB/debian"
printf 'Source: %s\n\nPackage: %s\nArchitecture: any\n' "$PKG" "$PKG" > "$SHLIB/debian/control"
DEPENDS=$(cd "$SHLIB" && dpkg-shlibdeps -O "$STAGE"/usr/bin/* | sed -n 's/^shlibs:Depends=//p')

mkdir -p "$STAGE/DEBIAN"
INSTALLED=$(du -k -s --apparent-size "$STAGE" | cut -f1)
cat > "$STAGE/DEBIAN/control" <<EOF
Package: $PKG
Version: $VERSION
Architecture: $ARCH
Maintainer: $MAINTAINER
Installed-Size: $INSTALLED
Depends: $DEPENDS
Recommends: libqt6svg6, fonts-wine, qt6-translations-l10n
Section: misc
Priority: optional
Description: controller for the ZovT frequency generator
 Plays frequency programs to a ZovT frequency-generator device on a serial
 port: each row of a program names a frequency or a band, its unit and a
 duration, which the controller sends to the device, sweeping bands in
 one-second steps. It also switches the device's lighting, keeps client
 records and playback protocols, and offers a wish mode, in Czech, English,
 German, Swedish and Russian. Its files live on drive C: of a Wine prefix,
 shared with the companion frequency tool and therapy database.
 .
 The package also holds zovt-devsim, a stand-in for the device on a
 pseudo-terminal, and zovt-schedule, which shows and draws exactly what a
 program file will send, and when.
EOF
(cd "$STAGE" && find usr -type f -print0 | sort -z | xargs -0 md5sum > DEBIAN/md5sums)
chmod 0644 "$STAGE/DEBIAN/control" "$STAGE/DEBIAN/md5sums"
find "$STAGE" -type d -exec chmod 0755 {} +
dpkg-deb --root-owner-group -Zxz --build "$STAGE" "$DEB" >/dev/null
echo "Built $DEB"

[ "$CHECK" = 1 ] || exit 0
failed=0
echo "== lintian"
lintian --info --display-info "$DEB" || failed=1
echo "== desktop-file-validate"
desktop-file-validate "$STAGE"/usr/share/applications/*.desktop || failed=1
echo "== appstreamcli validate"
appstreamcli validate --no-net "$STAGE"/usr/share/metainfo/*.metainfo.xml || failed=1
if [ "$failed" != 0 ]; then
  echo "package.sh: a check reported errors" >&2
  exit 1
fi
echo "All checks passed."
