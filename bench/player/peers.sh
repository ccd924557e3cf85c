#!/usr/bin/env bash
# This program beside the players a user would pick instead (mpv, VLC,
# ffplay) and a bare playbin, under one private X server, each started as a
# user starts it with the file on its command line, and measured from
# outside by xbench_first_picture:
#  - command start to first picture on the screen (median over the runs);
#  - CPU seconds per second while playing (over 5 s, 2 s after the first
#    picture, the whole process tree) and peak memory (VmHWM summed over
#    the tree), medians over the runs that measure them;
# with the window at the clip's own size and at 800 x 600. Then the
# program's start to its main window against a minimal Qt program, in turn
# in the same run. Clips: scripts/make-test-media BUILD_DIR/testmedia --bench;
# peers: scripts/install-bench-peers. `make bench-peers` does all of it.
#
# Usage: peers.sh BUILD_DIR [--runs N] [--cost-runs M]
#   N runs of each player and case for the first picture (default 5), of
#   which M (default 3) also measure CPU and memory.
# The figures are as quiet as the machine: the load average is printed
# before and after.
set -uo pipefail
build=$(cd "$1" && pwd)
shift
top=$(cd "$(dirname "$0")/../.." && pwd)
runs=5
cost_runs=3
inner=
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift ;;
    --cost-runs) cost_runs=$2; shift ;;
    --inner) inner=1 ;;
    *) echo "usage: peers.sh BUILD_DIR [--runs N] [--cost-runs M]" >&2; exit 2 ;;
  esac
  shift
done
[ "$cost_runs" -le "$runs" ] || cost_runs=$runs
if [ -z "$inner" ]; then
  exec "$top/tests/support/with-xvfb" "$0" "$build" --runs "$runs" --cost-runs "$cost_runs" --inner
fi

probe=$build/bench/player/xbench_first_picture
program=$build/lumadeck
media=$build/testmedia/bench/peers
for need in "$probe" "$program" "$build/bench/app/xbench_app_startup"; do
  [ -x "$need" ] || { echo "peers: $need missing (make bench-peers builds it)"; exit 0; }
done
[ -e "$media/clip.mpg" ] || {
  echo "peers: clips missing (scripts/make-test-media $build/testmedia --bench)"
  exit 0
}

work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
# A session's runtime folder and session bus, as a desktop login gives them:
# the bus is started once for the whole run, so that its start is not taken
# for the program's (which registers on it as it starts).
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime
bus=$(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1) || {
  echo "peers: no session bus could be started (dbus-daemon)"
  exit 0
}
export DBUS_SESSION_BUS_ADDRESS=${bus%%$'\n'*}
bus_pid=${bus##*$'\n'}
trap 'kill "$bus_pid" 2>/dev/null; rm -rf "$work"' EXIT

# VLC will not run as root: it runs as an unprivileged user then, with a
# home of its own, and needs to read the clips (the X server here takes
# any local client).
vlc_as=()
vlc_user=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  vlc_user=nobody
  mkdir -m 700 "$work/vlc-home"
  chown nobody "$work/vlc-home"
  vlc_as=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups
          env -u DBUS_SESSION_BUS_ADDRESS "HOME=$work/vlc-home" "XDG_RUNTIME_DIR=$work/vlc-home")
fi
# Under Xvfb (no XVideo, no GPU) its x11 output runs out of picture buffers
# with the decoder's direct rendering ("get_buffer() failed") and at times
# stands on the first picture; without direct rendering it plays. The file
# name it would lay over the picture for 5 s is left out, so that a picture
# standing still can be told. Its sound is decoded and dropped (adummy), as
# every other row's is (mpv --ao=null, ffplay's dummy SDL sound, the
# program's and playbin's fakeaudiosink where no sound server runs):
# --no-audio would leave the sound undecoded and flatter its figures.
vlc_opts=(--aout=adummy --no-video-title-show -V xcb_x11 --no-avcodec-dr)

# reason_missing TOOL: empty if TOOL is installed, else why not.
missing() { command -v "$1" >/dev/null || echo "$1 not installed (scripts/install-bench-peers)"; }

# command_for PLAYER SIZE FILE_KIND FILE: the command line into $cmd, or a
# reason for n/a into $why. SIZE: own or 800x600.
command_for() {
  local player=$1 size=$2 kind=$3 file=$4
  cmd=()
  why=
  probe_opts=()
  case $player in
    program)
      # Started as a user starts it, with a private home, on the run's
      # session bus.
      # Its window is resized to 800 x 600 as soon as it shows (there is no
      # option for its size; the 640 x 560 it opens at is too small for a
      # 720 x 480 picture at 100 %); the zoom is 100 % (the picture at its
      # own size) or fill the window.
      local home=$work/home
      mkdir -p "$home/.config/Lumadeck"
      local zoom=0
      [ "$size" = own ] || zoom=3
      printf '[Options]\nDisplaySize=%s\n' "$zoom" >"$home/.config/Lumadeck/Lumadeck.ini"
      cmd=(env "HOME=$home" "$program" "$file")
      probe_opts=(--resize "Lumadeck Player." 800x600)
      ;;
    mpv)
      why=$(missing mpv)
      cmd=(env "HOME=$work/mpv-home" mpv --vo=x11 --ao=null --really-quiet)
      [ "$size" = own ] || cmd+=(--geometry=800x600)
      cmd+=("$file")
      ;;
    vlc)
      why=$(missing cvlc)
      cmd=("${vlc_as[@]}" cvlc "${vlc_opts[@]}")
      # --width and --height leave cvlc's own window at the picture's size:
      # it is resized as a user would.
      [ "$size" = own ] || probe_opts=(--resize "VLC media player" 800x600)
      if [ "$kind" = image ]; then cmd+=("vcd://$file"); else cmd+=("$file"); fi
      ;;
    ffplay)
      why=$(missing ffplay)
      [ "$kind" = image ] && why="reads no BIN/CUE image"
      cmd=(env SDL_AUDIODRIVER=dummy ffplay -loglevel error -nostats)
      [ "$size" = own ] || cmd+=(-x 800 -y 600)
      cmd+=("$file")
      ;;
    playbin)
      [ "$kind" = image ] && why="no BIN/CUE image reader in GStreamer"
      local uri sink=ximagesink
      uri=$(python3 -c 'import pathlib,sys; print(pathlib.Path(sys.argv[1]).as_uri())' "$file")
      [ "$size" = own ] ||
        sink="videoscale add-borders=true ! video/x-raw,width=800,height=600 ! ximagesink"
      cmd=(gst-launch-1.0 -q playbin "uri=$uri" "video-sink=$sink"
           "audio-sink=fakeaudiosink sync=true")
      ;;
  esac
}

label_of() {
  case $1 in
    program) echo "this program" ;;
    mpv) echo "mpv --vo=x11" ;;
    vlc) echo "cvlc xcb_x11" ;;
    ffplay) echo "ffplay (SDL)" ;;
    playbin) echo "gst-launch playbin" ;;
  esac
}

# median: the median of the numbers on standard input, or n/a.
median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)]; else print "n/a" }'
}

# measure PLAYER SIZE KIND FILE: one table row.
measure() {
  local player=$1 size=$2 kind=$3 file=$4 i out log
  command_for "$player" "$size" "$kind" "$file"
  local label
  label=$(label_of "$player")
  if [ -n "$why" ]; then
    printf '  %-20s %-8s %s\n' "$label" "$size" "n/a: $why"
    return
  fi
  : >"$work/row"
  for i in $(seq "$runs"); do
    local timing=(--settle 2 --measure 5)
    [ "$i" -le "$cost_runs" ] || timing=(--settle 0 --measure 0)
    log=$work/$player-$size-$kind-$i.log
    out=$(cd "$work" && "$probe" "${timing[@]}" "${probe_opts[@]}" -- "${cmd[@]}" 2>"$log" \
      </dev/null)
    echo "$out" >>"$work/row"
  done
  local first cpu mem reason
  first=$(awk '$2 != "n/a" { print $2 }' "$work/row" | median)
  cpu=$(awk '$4 != "n/a" { print $4 }' "$work/row" | median)
  mem=$(awk '$6 != "n/a" { print $6 / 1024 }' "$work/row" | median)
  if [ "$first" = n/a ]; then
    reason=$(grep -hv '^\s*$' "$work/$player-$size-$kind-"*.log | tail -1 | cut -c1-60)
    printf '  %-20s %-8s %s\n' "$label" "$size" "n/a: ${reason:-no picture}"
    return
  fi
  echo "$player $size $first $cpu $mem" >>"$work/case"
  reason=
  if [ "$cpu" = n/a ] && [ "$cost_runs" -gt 0 ]; then
    reason=$(grep -hv '^\s*$' "$work/$player-$size-$kind-1.log" | tail -1 | cut -c1-50)
  fi
  awk -v l="$label" -v s="$size" -v f="$first" -v c="$cpu" -v m="$mem" -v r="$reason" 'BEGIN {
    printf "  %-20s %-8s %10.0f %10s %9s%s\n", l, s, f,
      (c == "n/a" ? c : sprintf("%.3f", c)), (m == "n/a" ? m : sprintf("%.1f", m)),
      (r == "" ? "" : "  (" r ")") }'
}

echo "peers: one private X server $DISPLAY; $runs runs per row for the first picture,"
echo "  $cost_runs of them also for CPU (5 s, 2 s after the first picture) and peak memory;"
echo "  load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
echo "  one session bus for the whole run, started before it, as a desktop login has one"
echo "  this program: lumadeck FILE, private HOME, its window resized to 800x600; own size: zoom 100 %;"
echo "    800x600: zoom to fill the window"
command -v mpv >/dev/null && echo "  mpv $(mpv --version | awk 'NR == 1 { print $2 }'): --vo=x11 --ao=null; 800x600: --geometry=800x600"
command -v cvlc >/dev/null && echo "  VLC $(dpkg-query -W -f='${Version}' vlc-bin 2>/dev/null): cvlc ${vlc_opts[*]}, as user $vlc_user with its own HOME; vcd:// for the image; 800x600: the window resized"
command -v ffplay >/dev/null && echo "  ffplay: SDL_AUDIODRIVER=dummy; 800x600: -x 800 -y 600"
echo "  gst-launch playbin: ximagesink, fakeaudiosink sync=true; 800x600: videoscale to 800x600"
echo "  sums over each process tree; CPU s/s = CPU seconds per second of playing"

# A user has started the program before: the private home gets the
# engine's plug-in registry and the caches a first start writes (seconds on
# a first start) from one start that is not counted.
command_for program own mpg "$media/clip.mpg"
(cd "$work" && "$probe" --measure 0 -- "${cmd[@]}" >/dev/null 2>&1 </dev/null)

for entry in "mpg clip.mpg MPEG-1 clip, 320x240" "dat clip.dat Video CD .dat track, 352x288" \
  "vob dvd720x480.vob MPEG-2 clip, 720x480" "image vcd.cue Video CD BIN/CUE image, track 1, 352x288"; do
  read -r kind name title <<<"$entry"
  file=$media/$name
  echo
  echo "$title ($name, 12 s)"
  [ -e "$file" ] || { echo "  missing: $file"; continue; }
  printf '  %-20s %-8s %10s %10s %9s\n' player window "1st pic ms" "CPU s/s" "peak MB"
  : >"$work/case"
  for size in own 800x600; do
    for player in program mpv vlc ffplay playbin; do
      measure "$player" "$size" "$kind" "$file"
    done
  done
  # The program against the best of mpv, VLC and ffplay on each figure
  # (goal: at most 1), and its CPU against the bare playbin (goal at its
  # own size: at most 1.15).
  for size in own 800x600; do
    awk -v size="$size" '
      $2 != size { next }
      $1 == "program" { for (i = 3; i <= 5; i++) p[i] = $i; next }
      $1 == "playbin" { bare = $4; next }
      { for (i = 3; i <= 5; i++) if ($i != "n/a" && (best[i] == "" || $i + 0 < best[i] + 0)) { best[i] = $i; who[i] = $1 } }
      function r(a, b) { return (a == "" || b == "" || a == "n/a" || b == "n/a" || b <= 0) ? "n/a" : sprintf("%.2f", a / b) }
      function w(x) { return x == "" ? "" : " (" x ")" }
      END {
        printf "  %s, this program to the best peer: first picture %s%s, CPU %s%s, memory %s%s; CPU to playbin %s\n",
          size, r(p[3], best[3]), w(who[3]), r(p[4], best[4]), w(who[4]), r(p[5], best[5]), w(who[5]), r(p[4], bare)
      }' "$work/case"
  done
done

echo
# Both on the run's session bus, as on a desktop (without one, Qt's D-Bus
# library tries to start one for the program at every start).
"$build/bench/app/xbench_app_startup" --against-minimal 2>/dev/null
echo "  load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
