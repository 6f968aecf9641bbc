#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the screenshots the AppStream metadata shows, from the game's own
# window on a 1024x768 screen under Xvfb:
#   start.png     new game, start reels (package-check.sh also compares the
#                 installed game's reels with it);
#   spin.png      the reels turning on the first spin;
#   bonus.png     the Trick or Treat game that spin opens;
#   paychart.png  the payoff chart from the Payoffs menu.
# The game is morrow-screenshot-game: the real game with its random numbers
# drawn from a fixed seed, whose first spin lands on the bonus symbols.
#
# Usage: packaging/screenshot.sh [build-dir]   writes packaging/screenshots/*.png
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build_dir="$(cd "${1:-$here/../build}" && pwd)"
# Three bonus symbols on the first spin with this seed.
seed=228
cmake --build "$build_dir" --target morrow-screenshot-game -j2 >/dev/null
game_program="$(find "$build_dir/packaging" -maxdepth 1 -name morrow-screenshot-game -type f)"
scratch="$(mktemp -d)"
pids=()
finish() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  rm -rf "$scratch"
}
trap finish EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [ -s "$scratch/display" ] && break
  sleep 0.1
done
export DISPLAY=":$(head -n1 "$scratch/display")"
XDG_CONFIG_HOME="$scratch/config" XDG_CACHE_HOME="$scratch/cache" SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb \
  "$game_program" "$seed" "$build_dir/game" >"$scratch/game.log" 2>&1 &
game=$!
pids+=("$game")

# find_window TITLE: the id of the game's visible window whose title matches
# the regular expression TITLE, within 30 s.
find_window() {
  local id=""
  for _ in $(seq 300); do
    id="$(xdotool search --onlyvisible --pid "$game" --name "$1" 2>/dev/null | tail -n1)" || true
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || {
    echo "no window \"$1\": $(cat "$scratch/game.log")" >&2
    exit 1
  }
  echo "$id"
}
# shot WINDOW NAME: the window's inside, as the player sees it on the screen.
mkdir -p "$here/screenshots"
shot() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -depth 8 -strip "png:$here/screenshots/$2.png"
  echo "packaging/screenshots/$2.png: ${WIDTH}x${HEIGHT}"
}

window="$(find_window "Morrowmas Slots$")"
sleep 3
shot "$window" start
xdotool windowfocus --sync "$window"
xdotool key m
sleep 0.7
shot "$window" spin
bonus="$(find_window "^Trick or Treat$")"
sleep 1.5
shot "$bonus" bonus
# Enter picks a pumpkin; the window closes by itself after showing the prize.
xdotool windowfocus --sync "$bonus"
xdotool key Return
for _ in $(seq 100); do
  xdotool search --onlyvisible --pid "$game" --name "^Trick or Treat\$" >/dev/null 2>&1 || break
  sleep 0.1
done
sleep 1
xdotool windowfocus --sync "$window"
xdotool key alt+p
chart="$(find_window "^Payoff Chart$")"
sleep 1
shot "$chart" paychart
