#!/usr/bin/env bash
# Kills the controller with SIGKILL at a random moment of a playback, again and
# again, and checks from the device simulator's log that its guardian made the
# device safe: the playback's end texts arrived, the first within 4 s of the
# kill, and nothing but commands of the command set and frequency values ever
# reached the device. Prints each run's delay from the kill to the first end
# text, then the smallest, median and largest delay and the failures.
#
# The controller is the real one: zovt-drive starts it as zovt-generator does
# (main window on the offscreen platform, start-up, the guardian, its data
# folder in a scratch Wine prefix), clicks the program's entry and Play, and
# never presses anything else. The program is a band of an hour, so the
# playback is still running when it is killed, 0 to 8 s after its first
# frequency value.
#
# Usage: scripts/measure-kill.sh [--runs N] [--port N] [--new-firmware] [--no-build] [BUILD_DIR]
#   BUILD_DIR: a build of the controller (default build-run/, the Release build
#   of scripts/run.sh; made or brought up to date here unless --no-build).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$ROOT/build-run}
RUNS=50
PORT=9
FIRMWARE=old
BUILD_IT=1
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) RUNS=$2; shift 2 ;;
    --port) PORT=$2; shift 2 ;;
    --new-firmware) FIRMWARE=new; shift ;;
    --no-build) BUILD_IT=0; shift ;;
    -h|--help) sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "measure-kill: unknown option $1" >&2; exit 2 ;;
    *) BUILD=$1; shift ;;
  esac
done
case "$RUNS" in ''|*[!0-9]*|0) echo "measure-kill: --runs needs a number of 1 or more" >&2; exit 2 ;; esac

# The build as scripts/run.sh makes it, with the driver beside it.
if [ "$BUILD_IT" = 1 ]; then
  if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOVT_BUILD_TESTS=OFF -DZOVT_UNITY=ON >/dev/null
  fi
  if ! built=$(cmake --build "$BUILD" --target zovt-generator zovt-devsim zovt-drive 2>&1); then
    printf '%s\n' "$built" >&2
    exit 1
  fi
fi
DEVSIM=$BUILD/tools/zovt-devsim
DRIVE=$BUILD/tools/zovt-drive

WORK=$(mktemp -d)
DEVSIM_PID=
CONTROLLER_PID=
cleanup() {
  if [ -n "$CONTROLLER_PID" ]; then kill -9 "$CONTROLLER_PID" 2>/dev/null || true; wait "$CONTROLLER_PID" 2>/dev/null || true; fi
  if [ -n "$DEVSIM_PID" ]; then kill "$DEVSIM_PID" 2>/dev/null || true; wait "$DEVSIM_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

# The controller's data folder: default pictures, the port, the firmware.
export WINEPREFIX=$WORK/prefix
export XDG_STATE_HOME=$WORK/state
DATA=$WINEPREFIX/drive_c/WooZovDaz9
mkdir -p "$DATA/PicWorvat" "$WINEPREFIX/drive_c/Measure"
cp "$ROOT"/data/PicWorvat/* "$DATA/PicWorvat/"
printf '%s\r\n' "$PORT" > "$DATA/COM_Nr.dat"
[ "$FIRMWARE" = old ] || printf '1' > "$DATA/ZovT_Color.dat"
printf '%s\r\n' '[Held]' $'Band 100-200 Hz\t100.000\t200.000\t\tHz\t1\t0\t0' '[STOP]' > "$WINEPREFIX/drive_c/Measure/held.txt"

LOG=$WORK/devsim.log
"$DEVSIM" --port "$PORT" --"$FIRMWARE"-firmware --quiet --log "$LOG" > "$WORK/devsim.out" 2>&1 &
DEVSIM_PID=$!
for _ in $(seq 50); do
  [ -L "$WINEPREFIX/dosdevices/com$PORT" ] && break
  sleep 0.1
done
[ -L "$WINEPREFIX/dosdevices/com$PORT" ] || { echo "measure-kill: the simulator did not start" >&2; cat "$WORK/devsim.out" >&2; exit 1; }

# Milliseconds since midnight of a log line's time of day ("hh:mm:ss.zzz").
ms_of_day() { awk -v t="$1" 'BEGIN { split(t, a, /[:.]/); printf "%d\n", ((a[1] * 60 + a[2]) * 60 + a[3]) * 1000 + a[4] }'; }
# The texts of the log from line FROM on: "ms text kind", kind being command
# (of the firmware), other (a command of the other firmware: still one of the
# command set), value or outside (the simulator's reading of it says which).
texts_from() {
  tail -n +"$1" "$LOG" | awk -v fw="$FIRMWARE firmware: " '
    /^[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\.[0-9][0-9][0-9] / && index($0, "\342\206\222 ") {
      split($1, t, /[:.]/)
      ms = ((t[1] * 60 + t[2]) * 60 + t[3]) * 1000 + t[4]
      text = ($2 == "first") ? $3 : $4
      meaning = substr($0, index($0, "\342\206\222 ") + 4)
      if (index(meaning, fw) == 1) kind = "command"
      else if (index(meaning, "not a command of the ") == 1) kind = "other"
      else if (meaning ~ /^-?[0-9]+\.[0-9][0-9] Hz/ && meaning !~ /below 100/) kind = "value"
      else kind = "outside"
      print ms, text, kind
    }'
}
wait_for() { # seconds, condition...
  local limit=$1; shift
  for _ in $(seq $((limit * 20))); do "$@" && return 0; sleep 0.05; done
  return 1
}
first_value_after() { texts_from "$1" | awk '$3 == "value" { found = 1 } END { exit !found }'; }
guardian_gone() {
  [ ! -e "/proc/$1" ] && return 0
  # Orphaned, it may wait a moment as a zombie for whoever reaps it.
  [ "$(awk '{ sub(/^.*\) /, ""); print substr($0, 1, 1) }' "/proc/$1/stat" 2>/dev/null)" = Z ]
}

echo "Killing the controller during a playback on COM$PORT ($FIRMWARE firmware), $RUNS runs..."
DELAYS=$WORK/delays
: > "$DELAYS"
failures=0
outside_total=0
other_total=0
for run in $(seq "$RUNS"); do
  # Start-up loads the program handed over; a hand-off is read once.
  printf 'C:\\Measure\\held.txt\r\n' > "$DATA/AdresaAktZov.txt"
  from=$(( $(wc -l < "$LOG") + 1 ))
  out=$WORK/run$run.out
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$DRIVE" --guardian --hold 1 > "$out" 2> "$WORK/run$run.err" &
  CONTROLLER_PID=$!
  problem=
  guardian=
  wait_for 20 grep -q '^guardian: pid ' "$out" && guardian=$(awk '/^guardian: pid / { print $3; exit }' "$out")
  if [ -z "$guardian" ]; then
    problem="the guardian did not start"
  elif ! wait_for 60 first_value_after "$from"; then
    problem="the playback did not start"
  fi
  if [ -z "$problem" ]; then
    # A random moment of the playback: 0 to 8 s after its first value.
    sleep "$(awk -v r="$(( (RANDOM * 32768 + RANDOM) % 8000 ))" 'BEGIN { printf "%.3f", r / 1000 }')"
    kill_at=$(ms_of_day "$(date +%H:%M:%S.%3N)")
    kill -9 "$CONTROLLER_PID"
    wait "$CONTROLLER_PID" 2>/dev/null || true
    CONTROLLER_PID=
    # The guardian ends once the end texts are out: every wait of it is bounded.
    wait_for 15 guardian_gone "$guardian" || problem="the guardian did not end within 15 s"
    sleep 0.3 # the simulator ends a text after a quiet gap
  fi
  if [ -z "$problem" ]; then
    texts_from "$from" > "$WORK/run$run.texts"
    outside=$(awk '$3 == "outside"' "$WORK/run$run.texts" | wc -l)
    outside_total=$((outside_total + outside))
    other_total=$((other_total + $(awk '$3 == "other"' "$WORK/run$run.texts" | wc -l)))
    # After the kill: values the controller wrote just before it, then the end.
    awk -v k="$kill_at" '$1 >= k' "$WORK/run$run.texts" \
      | awk 'NR == 1, $3 != "value" { if ($3 == "value") next } { print }' > "$WORK/run$run.end"
    ends=$(awk '{ printf "%s%s", sep, $2; sep = " " }' "$WORK/run$run.end")
    if [ "$FIRMWARE" = old ]; then want_re='^12 12$'; else want_re='^13 13( (2[0-7]) \2)?$'; fi
    if [ "$outside" -gt 0 ]; then
      problem="$outside text(s) outside the command set: $(awk '$3 == "outside" { printf "%s ", $2 }' "$WORK/run$run.texts")"
    elif ! [[ "$ends" =~ $want_re ]]; then
      problem="after the kill: '${ends}'"
    else
      first=$(awk 'NR == 1 { print $1 }' "$WORK/run$run.end")
      delay=$(( first - kill_at ))
      [ "$delay" -lt 0 ] && delay=$(( delay + 86400000 ))
      gaps=$(awk 'NR > 1 { printf "%s%d", sep, $1 - prev; sep = "/" } { prev = $1 }' "$WORK/run$run.end")
      if [ "$delay" -gt 4000 ]; then
        problem="the first end text came ${delay} ms after the kill"
      else
        echo "$delay" >> "$DELAYS"
        printf 'run %2d: first end text %4d ms after the kill (%s, gaps %s ms)\n' "$run" "$delay" "$ends" "$gaps"
      fi
    fi
  fi
  if [ -n "$CONTROLLER_PID" ]; then
    kill -9 "$CONTROLLER_PID" 2>/dev/null || true
    wait "$CONTROLLER_PID" 2>/dev/null || true
    CONTROLLER_PID=
  fi
  if [ -n "$problem" ]; then
    failures=$((failures + 1))
    printf 'run %2d: FAILED: %s\n' "$run" "$problem"
    [ -s "$WORK/run$run.err" ] && sed 's/^/    /' "$WORK/run$run.err" | tail -5
    # The next run needs the port: an orphan that did not end is ended here.
    if [ -n "$guardian" ] && ! guardian_gone "$guardian"; then kill -9 "$guardian" 2>/dev/null || true; fi
  fi
done

n=$(wc -l < "$DELAYS")
if [ "$n" -gt 0 ]; then
  sort -n "$DELAYS" | awk -v n="$n" '
    { v[NR] = $1 }
    END {
      median = n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
      printf "Delay from the kill to the first end text (ms), %d runs: min %d, median %s, max %d\n", n, v[1], median, v[n]
    }'
fi
echo "Failures: $failures of $RUNS runs; texts outside the command set: $outside_total"
[ "$other_total" -eq 0 ] || echo "Commands of the other firmware (of the command set, from the controller's start-up or playback): $other_total"
[ "$failures" -eq 0 ]
