#!/usr/bin/env bash
# Builds (if needed, showing the build's progress) and starts the controller.
# Installs missing Debian packages first, and starts the device simulator
# when no real device is mapped at the configured port and, with no port
# configured, no USB serial adapter is plugged in.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$ROOT/build-run}

"$ROOT/scripts/install-deps.sh"
# The build shows its progress; a build that is up to date says nothing.
TARGETS=(zovt-generator zovt-devsim)
if [ ! -f "$BUILD/build.ninja" ]; then
  echo "Building (first time takes a few minutes)…"
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOVT_BUILD_TESTS=OFF -DZOVT_UNITY=ON >/dev/null
  cmake --build "$BUILD" --target "${TARGETS[@]}"
elif ! ninja -C "$BUILD" -n "${TARGETS[@]}" 2>/dev/null | grep -q '^ninja: no work to do'; then
  echo "Building…"
  cmake --build "$BUILD" --target "${TARGETS[@]}"
fi

# As Wine reads it: an empty WINEPREFIX is unset, a relative one is refused.
PREFIX=${WINEPREFIX:-$HOME/.wine}
case "$PREFIX" in
  /*) ;;
  *) echo "run.sh: WINEPREFIX must be an absolute path, not \"$PREFIX\"" >&2; exit 1 ;;
esac
export WINEPREFIX="$PREFIX"
# Drive C: as Wine has it (a dosdevices link) or the plain drive_c folder.
if [ -d "$PREFIX/dosdevices/c:" ]; then DRIVE_C="$PREFIX/dosdevices/c:"; else DRIVE_C="$PREFIX/drive_c"; fi
# The controller lays the default pictures into its data folder and hands the
# demo programs over on a first start by itself; this script only reads the
# configured port from it.
DATA="$DRIVE_C/WooZovDaz9"

# The port the controller will open.
PORT=3
configured=0
if [ -f "$DATA/COM_Nr.dat" ]; then
  p=$(head -n1 "$DATA/COM_Nr.dat" | tr -dc '0-9')
  [ -n "$p" ] && PORT=$p && configured=1
fi
# The serial devices by COM number, as the controller numbers them.
PORTS=$("$BUILD/zovt-generator" --list-ports 2>/dev/null || true)
port_line() { printf '%s\n' "$PORTS" | awk -v p="COM$1" '$1 == p { print; exit }'; }
# A real device: a USB adapter, or a UART with hardware behind it.
real_device() { case "$1" in *", USB: "*) return 0 ;; *", UART: unknown"*) return 1 ;; *", UART: "*) return 0 ;; esac; return 1; }
LINK="$PREFIX/dosdevices/com$PORT"
STATE=${XDG_STATE_HOME:-$HOME/.local/state}/zovt
STABLE="$STATE/devsim-com$PORT"   # the simulator's own path to its pseudo-terminal
LOG="$STATE/devsim.log"

# A device pinned in Wine's registry (HKLM\Software\Wine\Ports) is what the
# controller opens; Wine makes the comN link from it at every session start.
pinned=""
if [ -f "$PREFIX/system.reg" ]; then
  pinned=$(awk -v want="\"com$PORT\"" '
    /^\[/ { inports = (tolower($0) ~ /^\[software\\\\wine\\\\ports\]/) ; next }
    inports && index(tolower($0), want "=\"") == 1 {
      v = substr($0, length(want) + 3); sub(/"[ \r]*$/, "", v); gsub(/\\\\/, "\\", v); print v; exit }
  ' "$PREFIX/system.reg")
fi

# Whether a path leads to a serial device that is really there. Wine links
# com1.. to /dev/ttyS0.. whether or not a UART answers; those without one
# report type 0.
is_device() {
  local target
  target=$(readlink -f "$1" || true)
  case "$target" in
    /dev/pts/*) return 1 ;;                         # a simulator's pseudo-terminal
    /dev/ttyS[0-9]*)
      [ -c "$target" ] || return 1
      [ "$(cat "/sys/class/tty/${target#/dev/}/type" 2>/dev/null || echo 1)" != 0 ] ;;
    *) [ -c "$target" ] ;;
  esac
}

SIM_PID=""
sim_args=(--port "$PORT" --log "$LOG")
adapter=""
[ "$configured" = 0 ] && adapter=$(printf '%s\n' "$PORTS" | awk '/, USB: / { print; exit }')
if [ -n "$adapter" ]; then
  # A real generator is plugged in: no simulator stands in for it.
  anum=$(printf '%s' "$adapter" | awk '{ sub(/^COM/, "", $1); print $1 }')
  apath=$(printf '%s' "$adapter" | awk '{ sub(/,.*/, "", $2); print $2 }')
  awhat=$(printf '%s' "$adapter" | sed -e 's/^[^,]*, //' -e 's/, number: .*//')
  echo "Device: a USB serial adapter is at COM$anum ($apath, $awhat); no simulator started."
  if [ "$anum" != "$PORT" ]; then
    echo "  No port is configured, so the controller opens COM$PORT: answer Yes to its port question and enter $anum,"
    echo "  or choose $anum in its settings. zovt-generator --list-ports lists every port."
  fi
elif [ -n "$pinned" ] && [ "$pinned" != "$STABLE" ]; then
  echo "Device: COM$PORT is pinned to $pinned in Wine's registry; no simulator started."
elif [ -z "$pinned" ] && { [ -L "$LINK" ] || [ -e "$LINK" ]; } && is_device "$LINK"; then
  echo "Device: COM$PORT is mapped to $(readlink -f "$LINK"); no simulator started."
elif [ -z "$pinned" ] && ! [ -L "$LINK" ] && ! [ -e "$LINK" ] && real_device "$(port_line "$PORT")"; then
  echo "Device: COM$PORT is $(port_line "$PORT" | awk '{ sub(/,.*/, "", $2); print $2 }') in Wine's numbering; no simulator started."
else
  # The simulator holds a lock on this file while it runs.
  if [ -f "$STABLE.lock" ] && ! flock -n "$STABLE.lock" true 2>/dev/null; then
    echo "The device simulator of an earlier run (pid $(cat "$STABLE.lock")) already serves COM$PORT;"
    echo "  what the device receives shows in its terminal and in $LOG"
  else
    # A link Wine guessed to a serial port without a UART is replaced for this session.
    if [ -z "$pinned" ] && [ -L "$LINK" ] && [ -e "$LINK" ]; then sim_args+=(--force); fi
    mkdir -p "$STATE"
    echo "No device mapped at COM$PORT: starting the device simulator (zovt-devsim)."
    echo "  What the device receives is shown here and appended to $LOG"
    "$BUILD/tools/zovt-devsim" "${sim_args[@]}" &
    SIM_PID=$!
    trap '[ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null; wait 2>/dev/null || true' EXIT
    for _ in $(seq 50); do [ -L "$STABLE" ] && break; sleep 0.1; done
  fi
fi

set +e
"$BUILD/zovt-generator" "$@"
rc=$?
exit $rc
