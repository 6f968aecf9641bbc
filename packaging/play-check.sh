#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Plays the installed game once, as a player would, inside the throw-away
# root that package-check.sh makes (run there as the user "player"):
# starts it by the desktop entry's command from the PATH under Xvfb, waits
# for the machine with its start reels, bets the maximum with the M key
# (the third coin spins), and closes the window from the File menu.
#
# Usage: play-check.sh COMMAND   (files: /tmp/reference.png in, /tmp/shot-*.png out)
set -euo pipefail

command_line="$1"
# The first two reels at their start positions (the third holds the animated
# wild), as WxH+X+Y of the window in the 1024x768 screen's (large) layout.
reels_crop="${MORROW_REELS_CROP:-222x285+339+190}"

cd "$HOME"
pids=()
finish() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap finish EXIT

rm -f /tmp/display
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>/tmp/display >/tmp/xvfb.log 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [ -s /tmp/display ] && break
  sleep 0.1
done
[ -s /tmp/display ] || {
  echo "Xvfb did not start: $(cat /tmp/xvfb.log)" >&2
  exit 1
}
export DISPLAY=":$(head -n1 /tmp/display)"
echo "Xvfb on $DISPLAY; starting: $command_line ($(command -v "$command_line"))"

$command_line >/tmp/game.log 2>&1 &
game=$!
pids+=("$game")
window=""
for _ in $(seq 300); do
  window="$(xdotool search --onlyvisible --pid "$game" 2>/dev/null | tail -n1)" || true
  [ -n "$window" ] && break
  kill -0 "$game" 2>/dev/null || {
    echo "the game ended at start: $(cat /tmp/game.log)" >&2
    exit 1
  }
  sleep 0.1
done
[ -n "$window" ] || {
  echo "no window appeared" >&2
  exit 1
}
eval "$(xdotool getwindowgeometry --shell "$window")"
echo "window $WINDOW at ${X},${Y} size ${WIDTH}x${HEIGHT}: $(xdotool getwindowname "$window")"

# The reels drawn at their start positions, compared with the screenshot
# shipped in the sources (taken from the build the same way). Differences
# of a few levels of colour are allowed; the animations never cross the reels.
shot() { import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "/tmp/shot-$1.png"; }
convert /tmp/reference.png -crop "$reels_crop" +repage /tmp/reels-reference.png
reels_differ() {
  convert "/tmp/shot-$1.png" -crop "$reels_crop" +repage "/tmp/reels-$1.png"
  compare -metric AE -fuzz 6% "/tmp/reels-$1.png" /tmp/reels-reference.png null: 2>&1 || true
}
differing=""
for _ in $(seq 40); do
  sleep 0.5
  shot start
  differing="$(reels_differ start)"
  [ "${differing%%.*}" -lt 200 ] 2>/dev/null && break
done
echo "start reels: $differing pixels differ from the reference"
[ "${differing%%.*}" -lt 200 ] 2>/dev/null || {
  echo "the start reels are not on the screen" >&2
  exit 1
}

# Bet Max by key: three coins, and the third one spins.
xdotool windowfocus --sync "$window"
xdotool key m
sleep 8
shot spun
echo "after the spin: $(reels_differ spun) pixels of the reels changed"

# Close it as a player does: File, Exit.
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key alt+f
sleep 1
xdotool key x
for _ in $(seq 150); do
  kill -0 "$game" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$game" 2>/dev/null; then
  # A bonus window or a message box may still be open over the machine;
  # the game closes them and saves when it is asked to end.
  echo "the window stayed open after File, Exit (a dialog in the way?); sending SIGTERM"
  kill -TERM "$game"
fi
status=0
wait "$game" || status=$?
echo "the game ended with status $status"
[ "$status" -eq 0 ]
