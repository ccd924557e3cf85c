#!/usr/bin/env bash
# Playback cost side by side, under one private X server (software OpenGL,
# normally no Xv): this program's control in a window (the sink it chooses
# for the machine) against a bare playbin with the cheapest working sink,
# and ffplay where installed, each playing the same clip to its end with a
# silent sound sink that keeps real time. Printed per clip: CPU seconds per
# second of video, peak memory, and the ratios (and the memory difference)
# to the bare playbin; and the time from before the engine starts to the
# first frame, as a ratio to the bare playbin's in the same conditions
# (median of three).
# Usage: playback_cost.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
top=$(cd "$(dirname "$0")/../.." && pwd)
if [ "${2:-}" != --inner ]; then
  exec "$top/tests/support/with-xvfb" "$0" "$build" --inner
fi

media=$build/testmedia
prog=$build/bench/player/xbench_playback
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -x "$prog" ] || { echo "playback_cost: $prog missing"; exit 0; }

# The cheapest sink that works here: Xv scales in the server, else X images.
sink=ximagesink
if gst-launch-1.0 -q videotestsrc num-buffers=1 ! xvimagesink >/dev/null 2>&1; then
  sink=xvimagesink
fi

# run NAME COMMAND...: runs COMMAND under GNU time; leaves "cpu_seconds
# peak_kb" in $work/NAME.cost and its output in $work/NAME.out.
run() {
  local name=$1
  shift
  if /usr/bin/time -f "%U %S %M" -o "$work/$name.time" "$@" >"$work/$name.out" 2>"$work/$name.err"; then
    awk '{ printf "%.3f %d\n", $1 + $2, $3 }' "$work/$name.time" >"$work/$name.cost"
  else
    echo "n/a n/a" >"$work/$name.cost"
  fi
}

median3() { sort -n | sed -n 2p; }

printf 'bare playbin sink: %s\n\n' "$sink"
printf 'goals: CPU x <= 1.5 and peak memory <= the bare playbin + 60 MB (software OpenGL);\n'
printf '       first frame <= 1.1 x the bare playbin\n\n'
printf 'this program plays in an 800 x 600 window with the picture filling it, and\n'
printf 'again at the picture'"'"'s own size, as the bare playbin draws it\n\n'
printf '%-22s %-36s %10s %9s %9s %9s %9s\n' clip player "CPU s/s" "peak MB" "CPU x" "mem x" "mem +MB"
for entry in "clip.mpg 3" "clip.dat 3" "bench/dvd720x480.vob 8"; do
  set -- $entry
  file=$media/$1
  len=$2
  [ -e "$file" ] || { echo "$1 missing (scripts/make-test-media)"; continue; }
  uri=$(python3 -c 'import pathlib,sys; print(pathlib.Path(sys.argv[1]).as_uri())' "$file")
  run control "$prog" --control "$file"
  run actual "$prog" --actual "$file"
  used=$(awk '{ print $4 }' "$work/control.out")
  run bare gst-launch-1.0 -q playbin "uri=$uri" "video-sink=$sink" \
    "audio-sink=fakeaudiosink sync=true"
  players="control actual bare"
  if command -v ffplay >/dev/null; then
    SDL_AUDIODRIVER=dummy run ffplay ffplay -autoexit -loglevel error -x 800 -y 600 "$file"
    players="$players ffplay"
  fi
  read -r bcpu bmem <"$work/bare.cost"
  for p in $players; do
    read -r cpu mem <"$work/$p.cost"
    case $p in
      control) label="this program ($used), 800x600" ;;
      actual) label="this program, picture's own size" ;;
      bare) label="gst-launch playbin ($sink)" ;;
      *) label=$p ;;
    esac
    awk -v c="$1" -v l="$label" -v cpu="$cpu" -v mem="$mem" -v len="$len" \
        -v bcpu="$bcpu" -v bmem="$bmem" 'BEGIN {
      if (cpu == "n/a") { printf "%-22s %-36s %10s\n", c, l, "failed"; exit }
      printf "%-22s %-36s %10.3f %9.1f %9.2f %9.2f %+9.1f\n", c, l, cpu / len, mem / 1024,
             (bcpu > 0 ? cpu / bcpu : 0), (bmem > 0 ? mem / bmem : 0), (mem - bmem) / 1024 }'
  done
done

echo
printf '%-22s %14s %14s %8s\n' clip "control ms" "bare ms" ratio
for clip in clip.mpg clip.dat bench/dvd720x480.vob; do
  file=$media/$clip
  [ -e "$file" ] || continue
  for i in 1 2 3; do
    "$prog" --control "$file" 2>/dev/null | awk '{ print $2 }'
  done | median3 >"$work/c.ms"
  for i in 1 2 3; do
    "$prog" --bare "$file" "$sink" 2>/dev/null | awk '{ print $2 }'
  done | median3 >"$work/b.ms"
  awk -v c="$clip" -v a="$(cat "$work/c.ms")" -v b="$(cat "$work/b.ms")" 'BEGIN {
    printf "%-22s %14s %14s %8.2f\n", c, a, b, (b > 0 ? a / b : 0) }'
done
