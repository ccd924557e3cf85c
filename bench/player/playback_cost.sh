#!/usr/bin/env bash
# Playback cost side by side, under one private X server (software OpenGL,
# normally no Xv): this program's control in a window (the sink it chooses
# for the machine) against a bare playbin with the cheapest working sink,
# and ffplay where installed, each playing the same clip to its end with a
# silent sound sink that keeps real time. Printed per clip:
#  - the whole process, start to end (measured from outside): CPU seconds
#    per second of video and peak memory, as ratios to gst-launch's playbin;
#  - while playing (first frame to end, measured inside each process): CPU
#    seconds per second of video, as a ratio to the same bare playbin;
#  - first open to first frame (the engine's start included), as a ratio.
# The figures of this program and of the bare playbin in C are medians of
# five runs.
# Usage: playback_cost.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
top=$(cd "$(dirname "$0")/../.." && pwd)
if [ "${2:-}" != --inner ]; then
  exec "$top/tests/support/with-xvfb" "$0" "$build" --inner
fi

media=$build/testmedia
runs=5
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
    : >"$work/$name.out"
  fi
}

# median PLAYER AWK_EXPR: the median over the runs of PLAYER of a
# figure worked out by AWK_EXPR from the run's cost ($1 CPU s, $2 peak KB)
# followed by its output line ($4 first frame ms, $6 CPU s and $8 wall s
# while playing).
median() {
  local player=$1 expr=$2 i
  for i in $(seq "$runs"); do
    paste -d' ' "$work/$player$i.cost" "$work/$player$i.out" |
      awk "\$1 != \"n/a\" && NF >= 10 { print $expr }"
  done | sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)]; else print "n/a" }'
}

# fmt FORMAT VALUE: VALUE in FORMAT, or n/a.
fmt() {
  awk -v f="$1" -v v="$2" 'BEGIN { if (v == "n/a") print v; else printf f, v }'
}

ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { if (a == "n/a" || b == "n/a" || b <= 0) print "n/a"; else printf "%.2f", a / b }'
}

printf 'bare playbin sink: %s\n\n' "$sink"
printf 'goals: while playing, CPU x <= 1.5 the bare playbin (software OpenGL);\n'
printf '       peak memory <= the bare playbin + 60 MB; first frame <= 1.1 x the bare playbin\n\n'
printf '"800x600": this program with the picture filling an 800 x 600 window;\n'
printf '"own size": this program at the picture'"'"'s own size, as the bare playbin draws it\n'

for entry in "clip.mpg 3" "clip.dat 3" "bench/dvd720x480.vob 8"; do
  set -- $entry
  clip=$1
  file=$media/$clip
  len=$2
  echo
  [ -e "$file" ] || { echo "$clip missing (scripts/make-test-media)"; continue; }
  uri=$(python3 -c 'import pathlib,sys; print(pathlib.Path(sys.argv[1]).as_uri())' "$file")
  for i in $(seq "$runs"); do
    run control$i "$prog" --control "$file"
    run actual$i "$prog" --actual "$file"
    run bare$i "$prog" --bare "$file" "$sink"
  done
  run launch gst-launch-1.0 -q playbin "uri=$uri" "video-sink=$sink" \
    "audio-sink=fakeaudiosink sync=true"
  players="control actual bare launch"
  if command -v ffplay >/dev/null; then
    SDL_AUDIODRIVER=dummy run ffplay ffplay -autoexit -loglevel error -x 800 -y 600 "$file"
    players="$players ffplay"
  fi
  used=$(awk '{ print $8 }' "$work/control1.out")

  read -r lcpu lmem <"$work/launch.cost"
  printf '%s, whole process (start to end)\n' "$clip"
  printf '  %-34s %10s %9s %9s %9s\n' player "CPU s/s" "peak MB" "CPU x" "mem +MB"
  for p in $players; do
    case $p in
      control | actual | bare)
        cpu=$(median "$p" '$1')
        mem=$(median "$p" '$2')
        ;;
      *) read -r cpu mem <"$work/$p.cost" ;;
    esac
    case $p in
      control) label="this program ($used), 800x600" ;;
      actual) label="this program, own size" ;;
      bare) label="bare playbin in C ($sink)" ;;
      launch) label="gst-launch playbin ($sink)" ;;
      *) label=$p ;;
    esac
    awk -v l="$label" -v cpu="$cpu" -v mem="$mem" -v len="$len" -v bcpu="$lcpu" -v bmem="$lmem" 'BEGIN {
      if (cpu == "n/a") { printf "  %-34s %10s\n", l, "failed"; exit }
      printf "  %-34s %10.3f %9.1f %9.2f %+9.1f\n", l, cpu / len, mem / 1024,
             (bcpu > 0 ? cpu / bcpu : 0), (mem - bmem) / 1024 }'
  done

  bplay=$(median bare '$6 / $8')
  bframe=$(median bare '$4')
  printf '%s, while playing and first frame (to the bare playbin in C)\n' "$clip"
  printf '  %-34s %10s %9s %14s %9s\n' player "CPU s/s" "CPU x" "first frame ms" "x"
  for p in control actual bare; do
    play=$(median "$p" '$6 / $8')
    frame=$(median "$p" '$4')
    case $p in
      control) label="this program, 800x600" ;;
      actual) label="this program, own size" ;;
      bare) label="bare playbin in C ($sink)" ;;
    esac
    printf '  %-34s %10s %9s %14s %9s\n' "$label" "$(fmt %.3f "$play")" \
      "$(ratio "$play" "$bplay")" "$(fmt %.0f "$frame")" "$(ratio "$frame" "$bframe")"
  done
done
