#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages this game needs to build, run and test, with
# every preset. Nothing is taken for granted from the machine: `make
# fresh-check` runs this on a Debian 12 root with only make and git.
# Only what is missing is installed; the package lists are refreshed first
# when anything is missing. Uses sudo when not run as root.
set -euo pipefail

packages=(
  # toolchain
  build-essential g++ cmake make pkg-config git clang-format
  # windows, drawing, dialogs
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # sound effects and music
  libsdl2-dev libsdl2-mixer-dev libfluidsynth-dev fluid-soundfont-gm timgm6mb-soundfont fluidsynth
  # making our sounds and music
  libsndfile1-dev sox abcmidi
  # the spoken lines: a natural voice
  festival festvox-us-slt-hts
  # help file and help viewer
  qt6-tools-dev qt6-tools-dev-tools libqt6sql6-sqlite
  # the player's browser, asked for and started through the desktop
  xdg-utils
  # game record file
  libsimpleini-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth xdotool imagemagick linux-perf
  # a sound server of the test's own, read back for the game's stream
  pipewire wireplumber pipewire-pulse pulseaudio-utils dbus
  # a speech recogniser standing in for a listener of the spoken lines
  pocketsphinx pocketsphinx-en-us
  # the Debian package and its checks
  dpkg-dev file lintian appstream desktop-file-utils mmdebstrap man-db devscripts
  # the window tests on real desktops: a window manager, a Wayland compositor
  openbox x11-utils weston qt6-wayland
  # the accessibility bus, read as a screen reader reads it
  at-spi2-core dbus-daemon python3-pyatspi
  # ... and KDE Plasma's KWin (Wayland, headless) and Xfce's xfwm4 (X11)
  kwin-wayland xfwm4
  # fuzzing the readers of outside bytes (clang's sanitizer runtimes are in
  # libclang-rt-14-dev, which clang only recommends)
  clang libfuzzer-14-dev libclang-rt-14-dev
  # fonts requested by name for art and captions
  fonts-noto-color-emoji fonts-dejavu-core fonts-liberation2 fontconfig
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
