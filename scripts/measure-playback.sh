#!/usr/bin/env bash
# Plays a program of about three minutes (single and band rows) in real time
# to the device simulator and compares the time each text arrived with the
# time zovt-schedule predicts for it. Reports the deviation per write (median,
# largest and spread, after aligning the clocks on the median write), the
# controller's own delay from a timer's wake to the write() call, how long
# the calls took, and the CPU time the controller used during the playback.
#
# The controller is the real one: zovt-drive starts it as zovt-generator does
# (main window on the offscreen platform, start-up, its data folder in a
# scratch Wine prefix), clicks the program's entry and Play, and presses Konec
# when the playback has ended. With --headless the player is zovt-schedule
# --port instead: the same program, playback and serial code without a window.
#
# Usage: scripts/measure-playback.sh [--build DIR] [--port N] [--new-firmware] [--headless] [PROGRAM.txt]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$ROOT/build-measure}
PORT=9
FIRMWARE=()
PROGRAM=
HEADLESS=0
while [ $# -gt 0 ]; do
  case "$1" in
    --build) BUILD=$2; shift 2 ;;
    --port) PORT=$2; shift 2 ;;
    --new-firmware) FIRMWARE=(--new-firmware); shift ;;
    --headless) HEADLESS=1; shift ;;
    -h|--help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "measure-playback: unknown option $1" >&2; exit 2 ;;
    *) PROGRAM=$1; shift ;;
  esac
done

if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZOVT_BUILD_TESTS=OFF >/dev/null
fi
cmake -S "$ROOT" -B "$BUILD" -DZOVT_BUILD_BENCH=ON >/dev/null
cmake --build "$BUILD" --target zovt-schedule zovt-devsim zovt-drive bench_wakefloor >/dev/null
SCHEDULE=$BUILD/tools/zovt-schedule
DEVSIM=$BUILD/tools/zovt-devsim
DRIVE=$BUILD/tools/zovt-drive
FLOOR=$BUILD/bench/bench_wakefloor

WORK=$(mktemp -d)
DEVSIM_PID=
cleanup() {
  if [ -n "$DEVSIM_PID" ]; then kill "$DEVSIM_PID" 2>/dev/null || true; wait "$DEVSIM_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

if [ -z "$PROGRAM" ]; then
  # 3 minutes: single rows re-sent every 23 s, bands stepped every 3 s.
  PROGRAM=$WORK/measure.txt
  printf '%s\r\n' \
    '[Measure]' \
    $'Single 10 Hz\t\t10.000\t0\tHz\t0\t1\t0' \
    $'Band 100-200 Hz\t100.000\t200.000\t\tHz\t0\t1\t0' \
    $'Single 7.83 Hz\t\t7.830\t0\tHz\t0\t0\t30' \
    $'Band 1-2 kHz\t1.000\t2.000\t0.050\tkHz\t0\t0\t30' \
    '[STOP]' > "$PROGRAM"
fi

# The prediction, on the virtual clock.
"$SCHEDULE" "${FIRMWARE[@]}" "$PROGRAM" > "$WORK/predicted.out"
awk '/^[0-9]+:[0-9][0-9]:[0-9][0-9]\.[0-9][0-9][0-9]  [0-9]+ / {
       split($1, t, /[:.]/); print (t[1] * 3600 + t[2] * 60 + t[3]) * 1000 + t[4] "\t" $2 }' \
  "$WORK/predicted.out" > "$WORK/predicted.tsv"

# The simulator on a pseudo-terminal as COM$PORT of a scratch prefix.
export WINEPREFIX=$WORK/prefix
mkdir -p "$WINEPREFIX"
if [ "$HEADLESS" = 0 ]; then
  # The controller's data folder: default pictures, the port, the firmware,
  # and the program handed over so that start-up loads it.
  DATA=$WINEPREFIX/drive_c/WooZovDaz9
  mkdir -p "$DATA/PicWorvat" "$WINEPREFIX/drive_c/Measure"
  cp "$ROOT"/data/PicWorvat/* "$DATA/PicWorvat/"
  printf '%s\r\n' "$PORT" > "$DATA/COM_Nr.dat"
  [ ${#FIRMWARE[@]} -eq 0 ] || printf '1' > "$DATA/ZovT_Color.dat"
  cp "$PROGRAM" "$WINEPREFIX/drive_c/Measure/program.txt"
  printf 'C:\\Measure\\program.txt\r\n' > "$DATA/AdresaAktZov.txt"
fi
# Its stable path and lock stay in the scratch folder, apart from a simulator
# that scripts/run.sh may have running on the same port.
XDG_STATE_HOME=$WORK/state "$DEVSIM" --port "$PORT" "${FIRMWARE[@]}" --quiet --log "$WORK/devsim.log" > "$WORK/devsim.out" 2>&1 &
DEVSIM_PID=$!
for _ in $(seq 50); do
  [ -L "$WINEPREFIX/dosdevices/com$PORT" ] && break
  sleep 0.1
done
[ -L "$WINEPREFIX/dosdevices/com$PORT" ] || { echo "measure-playback: the simulator did not start" >&2; cat "$WORK/devsim.out" >&2; exit 1; }

expected_ms=$(tail -n 1 "$WORK/predicted.tsv" | cut -f1)
# The kernel's wake floor beside the playback, in the class the controller's
# writing thread asks for, under the same load.
FLOOR_CLASS=()
[ "$HEADLESS" = 1 ] || FLOOR_CLASS=(--realtime)
"$FLOOR" "${FLOOR_CLASS[@]}" --seconds $(( expected_ms / 1000 )) > "$WORK/floor.out" 2> "$WORK/floor.err" &
FLOOR_PID=$!
if [ "$HEADLESS" = 1 ]; then
  echo "Playing $(basename "$PROGRAM") in real time to COM$PORT without a window (about $(( expected_ms / 1000 + 2 )) s)..."
  "$SCHEDULE" "${FIRMWARE[@]}" --port "$PORT" "$PROGRAM" > "$WORK/real.out"
else
  echo "Starting the controller and playing $(basename "$PROGRAM") in real time to COM$PORT (about $(( expected_ms / 1000 + 8 )) s)..."
  if ! QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$DRIVE" 1 > "$WORK/real.out" 2> "$WORK/drive.err"; then
    echo "measure-playback: the controller failed:" >&2
    cat "$WORK/real.out" "$WORK/drive.err" >&2
    exit 1
  fi
fi
wait "$FLOOR_PID" || true
sleep 0.5 # the simulator ends a text after a quiet gap
kill "$DEVSIM_PID" 2>/dev/null || true
wait "$DEVSIM_PID" 2>/dev/null || true
DEVSIM_PID=
# The log shows each text as the terminal does: time of day, gap, text, meaning.
awk 'index($0, "\342\206\222") && /^[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\.[0-9][0-9][0-9] / {
       split($1, t, /[:.]/); print (t[1] * 3600 + t[2] * 60 + t[3]) * 1000 + t[4] "\t" ($2 == "first" ? $3 : $4) }' \
  "$WORK/devsim.log" > "$WORK/received.tsv"
if [ "$HEADLESS" = 0 ]; then
  # Start-up writes its own lighting stream first; the playback is what follows.
  total=$(wc -l < "$WORK/received.tsv")
  predicted_n=$(wc -l < "$WORK/predicted.tsv")
  [ "$total" -ge "$predicted_n" ] || { echo "Only $total texts arrived; $predicted_n were predicted."; exit 1; }
  tail -n "$predicted_n" "$WORK/received.tsv" > "$WORK/played.tsv"
  mv "$WORK/played.tsv" "$WORK/received.tsv"
fi

predicted_n=$(wc -l < "$WORK/predicted.tsv")
received_n=$(wc -l < "$WORK/received.tsv")
if ! diff <(cut -f2 "$WORK/predicted.tsv") <(cut -f2 "$WORK/received.tsv") > "$WORK/texts.diff"; then
  echo "The texts differ from the prediction ($predicted_n predicted, $received_n received):"
  head -20 "$WORK/texts.diff"
  exit 1
fi

# Deviation of each write: received minus predicted, the clocks aligned on the
# median of all writes (the first text alone may be late or early by chance,
# which would shift every other figure).
paste "$WORK/predicted.tsv" "$WORK/received.tsv" | awk -F'\t' '{ print $3 - $1 }' > "$WORK/offset"
offset=$(sort -n "$WORK/offset" | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
awk -v o="$offset" '{ print $1 - o }' "$WORK/offset" > "$WORK/deviation"
sort -n "$WORK/deviation" | awk '
  { v[NR] = $1; a = $1 < 0 ? -$1 : $1; if (a > max) { max = a; signed = $1 } }
  END {
    median = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "Writes: %d\nDeviation from the prediction (ms), aligned on the median write: median %s, largest %s, spread %s (latest minus earliest: %s to %s)\n",
           NR, median, signed, v[NR] - v[1], v[1], v[NR]
  }'
# Every write's own offset, in the order written: a grid that slipped shows
# as a step that stays, a late wake as one write alone.
echo "Each write's deviation (ms), in order: $(tr '\n' ' ' < "$WORK/deviation")"
echo "Last text: predicted at $(tail -n 1 "$WORK/predicted.tsv" | cut -f1) ms, received at $(awk -v o="$offset" -v r="$(tail -n 1 "$WORK/received.tsv" | cut -f1)" 'BEGIN { print r - o }') ms (median-aligned)"
if [ "$HEADLESS" = 1 ]; then
  grep '^whole run:' "$WORK/real.out" | sed 's/^whole run: /Real-time run: /'
else
  grep '^playback:' "$WORK/real.out" | sed 's/^playback: /Controller: /'
fi
# The program's own part of each delay, and apart from it how long the write()
# calls took; the rest is the kernel waking it and the pseudo-terminal
# carrying the text.
grep '^timer to write:' "$WORK/real.out" | sed 's/^timer to write: /Inside the controller, from the timer'"'"'s wake to the write() call: /' || true
grep '^write priority:' "$WORK/real.out" | sed 's/^write priority: /The controller'"'"'s writing thread: /' || true
sed 's/^kernel wake floor/Beside it, the kernel'"'"'s wake floor/' "$WORK/floor.out"
# The program's part against the floor: its wake-to-write maximum, and its
# own wake's lateness, each over the floor's maximum.
own_max=$(sed -n 's/^timer to write: median [0-9.]* ms, max \([0-9.]*\) ms.*/\1/p' "$WORK/real.out")
late_max=$(sed -n "s/.*the timer's wake after its due time: median [0-9.]* ms, max \([0-9.]*\) ms.*/\1/p" "$WORK/real.out")
floor_max=$(sed -n 's/.*max \([0-9.]*\) ms over.*/\1/p' "$WORK/floor.out")
if [ -n "$own_max" ] && [ -n "$floor_max" ]; then
  awk -v o="$own_max" -v l="${late_max:-0}" -v f="$floor_max" 'BEGIN {
    if (f > 0) printf "Ratios to the floor'"'"'s maximum: wake to write %.2f, the timer'"'"'s own lateness %.2f\n", o / f, l / f }'
fi
