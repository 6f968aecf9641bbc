#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Proves that scripts/setup.sh installs everything a fresh Debian 12 machine
# needs to build and test the game with every preset. In a throw-away root
# that has nothing but Debian's minimal base, make and git:
#   1. a clone of the commit checked out here (HEAD; uncommitted changes are
#      not part of it);
#   2. scripts/setup.sh, as a new developer runs it first;
#   3. every preset configured (default, asan, fuzz), so that each
#      compiler's own check links a program with that preset's flags;
#   4. one small test of each preset built and run: the engine tests plain
#      and under the sanitizers, and one fuzz target for a few seconds.
# A package missing from setup.sh fails one of these steps.
#
# Usage: scripts/fresh-check.sh [--full]   (as root; uses sudo if not)
#   --full     run the whole `make test` in the root instead of step 3-4
#              (half an hour and more; by hand, not in CI)
# MORROW_FRESH_CHECK_DROP="pkg ..." leaves those packages out of setup.sh in
# the clone, to see the check fail as it should.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
source_dir="$(dirname "$here")"
mode="${1:-small}"

# shellcheck source=scripts/debian-root.sh
source "$here/debian-root.sh"
debian_root_enter fresh-check "$0" "$@"
logs="$source_dir/build/fresh-check"
mkdir -p "$logs"
trap debian_root_cleanup EXIT
trap 'exit 130' INT TERM HUP

commit="$(git -C "$source_dir" rev-parse HEAD)"
say "a Debian 12 root with make and git"
base="$(debian_root_base fresh "$logs/mmdebstrap.log" make git)" || fail "making the base root"
debian_root_unpack "$base" "$logs/root"
root="$debian_root_dir"
for tool in gcc cc g++ clang cmake; do
  if debian_root_run sh -c "command -v $tool" >/dev/null; then
    fail "the fresh root already has $tool"
  fi
done
# Installing a thousand packages is most of the check's time. A throw-away
# root needs neither dpkg's fsync after every file (it guards against power
# loss) nor the documentation, manual pages and translations, nor man-db's
# index of them; nothing that builds or tests the game reads those.
cat >"$root/etc/dpkg/dpkg.cfg.d/fresh-check-speed" <<'EOF'
force-unsafe-io
path-exclude=/usr/share/doc/*
path-exclude=/usr/share/man/*
path-exclude=/usr/share/info/*
path-exclude=/usr/share/locale/*
EOF
echo 'man-db man-db/auto-update boolean false' | debian_root_run debconf-set-selections

say "clone $commit"
git clone --quiet --no-hardlinks "$source_dir" "$root/src/morrowmas-slots"
git -C "$root/src/morrowmas-slots" checkout --quiet --detach "$commit"
if [ -n "${MORROW_FRESH_CHECK_DROP:-}" ]; then
  for package in $MORROW_FRESH_CHECK_DROP; do
    sed -i -E "s/(^|[[:space:]])$package([[:space:]]|$)/\1\2/" "$root/src/morrowmas-slots/scripts/setup.sh"
    echo "left out of setup.sh: $package"
  done
fi

in_clone() { debian_root_run bash -c "cd /src/morrowmas-slots && $1"; }
step() { # name log command
  say "$1"
  in_clone "$3" >"$logs/$2.log" 2>&1 || fail "$1 (log: $logs/$2.log):
$(tail -n 25 "$logs/$2.log")"
}

step "scripts/setup.sh" setup "bash scripts/setup.sh"

if [ "$mode" = --full ]; then
  step "make test" make-test "SDL_AUDIODRIVER=dummy make test"
  say "fresh-check --full passed: make test passes on a fresh Debian 12 root"
  exit 0
fi

for preset in default asan fuzz; do
  step "configure $preset" "configure-$preset" "cmake --preset $preset"
done
step "build and run the engine tests" default \
  "cmake --build --preset default --target morrow_engine_tests && build/tests/engine/morrow_engine_tests --gtest_brief=1"
step "build and run the engine tests under the sanitizers" asan \
  "cmake --build --preset asan --target morrow_engine_tests && build-asan/tests/engine/morrow_engine_tests --gtest_brief=1"
step "build and run one fuzz target" fuzz \
  "cmake --build --preset fuzz --target fuzz_record_read && ctest --preset fuzz -R '^fuzz_record_read\$'"
say "fresh-check passed: setup.sh installs all that every preset needs"
