#!/usr/bin/env bash
# Takes the screenshot the AppStream metadata shows (and package-check.sh
# compares the installed game's reels with): the game from the build, new
# game, start reels, on a 1024x768 screen under Xvfb.
#
# Usage: packaging/screenshot.sh [build-dir]   writes packaging/screenshots/start.png
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build_dir="$(cd "${1:-$here/../build}" && pwd)"
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
  "$build_dir/game/morrowmas-slots" >"$scratch/game.log" 2>&1 &
game=$!
pids+=("$game")
window=""
for _ in $(seq 300); do
  window="$(xdotool search --onlyvisible --pid "$game" 2>/dev/null | tail -n1)" || true
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || {
  echo "no window: $(cat "$scratch/game.log")" >&2
  exit 1
}
sleep 3
eval "$(xdotool getwindowgeometry --shell "$window")"
mkdir -p "$here/screenshots"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -depth 8 -strip "png:$here/screenshots/start.png"
echo "packaging/screenshots/start.png: ${WIDTH}x${HEIGHT}"
