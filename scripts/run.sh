#!/usr/bin/env bash
# Builds (if needed) and starts the controller. Installs missing Debian
# packages first, lays the default pictures into the data folder when they are
# missing, hands the demo programs over on a first run, and starts the device
# simulator when no real device is mapped at the configured port.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$ROOT/build-run}

"$ROOT/scripts/install-deps.sh"
if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZOVT_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$BUILD" --target zovt-generator zovt-devsim >/dev/null

PREFIX=${WINEPREFIX:-$HOME/.wine}
export WINEPREFIX="$PREFIX"
# Drive C: as Wine has it (a dosdevices link) or the plain drive_c folder.
if [ -d "$PREFIX/dosdevices/c:" ]; then DRIVE_C="$PREFIX/dosdevices/c:"; else DRIVE_C="$PREFIX/drive_c"; fi
DATA="$DRIVE_C/WooZovDaz9"
new_data=0
[ -d "$DATA" ] || new_data=1
mkdir -p "$DATA/PicWorvat"

# Default pictures, never overwriting the ones that are there.
for f in "$ROOT"/data/PicWorvat/*; do
  name=$(basename "$f")
  existing=$(find "$DATA/PicWorvat" -maxdepth 1 -iname "$name" -print -quit)
  [ -n "$existing" ] || cp "$f" "$DATA/PicWorvat/$name"
done

# A first run gets the demo programs handed over, so the list is filled at once.
if [ "$new_data" = 1 ]; then
  mkdir -p "$DRIVE_C/OrvaTherapy/Demo"
  cp "$ROOT/examples/demo.txt" "$DRIVE_C/OrvaTherapy/Demo/demo.txt"
  printf 'C:\\OrvaTherapy\\Demo\\demo.txt\r\n' > "$DATA/AdresaAktZov.txt"
  echo "First run: the demo programs are handed over (C:\\OrvaTherapy\\Demo\\demo.txt)."
fi

# The port the controller will open.
PORT=3
if [ -f "$DATA/COM_Nr.dat" ]; then
  p=$(head -n1 "$DATA/COM_Nr.dat" | tr -dc '0-9')
  [ -n "$p" ] && PORT=$p
fi
LINK="$PREFIX/dosdevices/com$PORT"
SIM_PID=""
real_device=0
if [ -L "$LINK" ] || [ -e "$LINK" ]; then
  target=$(readlink -f "$LINK" || true)
  case "$target" in
    /dev/pts/*) ;;                       # a simulator's pseudo-terminal
    *) [ -c "$target" ] && real_device=1 ;;
  esac
fi
if [ "$real_device" = 1 ]; then
  echo "Device: COM$PORT is mapped to $(readlink -f "$LINK"); no simulator started."
else
  LOG=${XDG_STATE_HOME:-$HOME/.local/state}/zovt/devsim.log
  mkdir -p "$(dirname "$LOG")"
  echo "No device mapped at COM$PORT: starting the device simulator (zovt-devsim)."
  echo "  What the device receives is shown here and logged to $LOG"
  "$BUILD/tools/zovt-devsim" --port "$PORT" --log "$LOG" &
  SIM_PID=$!
  trap '[ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null; wait 2>/dev/null || true' EXIT
  for _ in $(seq 50); do [ -L "$LINK" ] && break; sleep 0.1; done
fi

set +e
"$BUILD/zovt-generator" "$@"
rc=$?
exit $rc
