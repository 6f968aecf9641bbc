# SPDX-License-Identifier: GPL-3.0-or-later
# Throw-away Debian 12 roots for the checks that must see the game the way
# a new machine does (packaging/package-check.sh, scripts/fresh-check.sh).
# Source it from a bash script that runs as root; it defines functions only.
#
# A root is made once with mmdebstrap (minbase, plus the packages asked
# for), kept as a tarball named after everything that shapes it, and
# unpacked fresh for every run. The .deb files apt fetches inside the roots
# are kept beside the tarballs and shared by every check, so a second run
# makes no downloads. The cache lives outside the source tree, so a fresh
# clone finds it: $MORROW_ROOT_CACHE, else ~/.cache/morrowmas-slots/roots.

# debian_root_enter NAME SCRIPT ARG...
# Runs SCRIPT again as root (sudo when not) inside a mount namespace of its
# own, so that no mount of the root leaks to the machine even if the script
# is killed (its trap still unmounts in order on every way out). Returns in
# that second run; defines say and fail for the check called NAME.
debian_root_enter() {
  local name="$1" script="$2"
  shift 2
  if [ "$(id -u)" -ne 0 ]; then
    exec sudo -E bash "$script" "$@"
  fi
  if [ -z "${MORROW_DEBIAN_ROOT_NS:-}" ]; then
    exec env MORROW_DEBIAN_ROOT_NS=1 unshare --mount --propagation private bash "$script" "$@"
  fi
  debian_root_check="$name"
  debian_root_started=$(date +%s)
}
say() { printf '== %s (%ds)\n' "$*" "$(($(date +%s) - debian_root_started))"; }
fail() {
  printf '%s: FAILED: %s\n' "$debian_root_check" "$*" >&2
  exit 1
}

debian_root_cache="${MORROW_ROOT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/morrowmas-slots/roots}"
debian_root_suite=bookworm
debian_root_mounts=()
debian_root_dir=""

# The Debian mirror this machine's own apt uses, else Debian's default one.
debian_root_mirror() {
  local mirror="${MORROW_DEBIAN_MIRROR:-}"
  if [ -z "$mirror" ]; then
    mirror="$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
      grep -v '^[[:space:]]*#' | grep -oE 'https?://[^ ]+/debian/?( |$)' | head -n1 | tr -d ' ')" || true
    mirror="${mirror:-http://deb.debian.org/debian}"
  fi
  echo "${mirror%/}"
}

# debian_root_base NAME LOG PACKAGE...
# Prints the path of the base tarball for NAME with PACKAGE... included
# (and a user "player", uid 1000), making it first when it is not cached.
debian_root_base() {
  local name="$1" log="$2"
  shift 2
  local mirror security key tar packages
  mirror="$(debian_root_mirror)"
  security="${mirror%/debian}/debian-security"
  key="$(printf '%s\n' "base-2" "$debian_root_suite" "$mirror" "$@" | sha256sum | cut -c1-16)"
  tar="$debian_root_cache/$name-$debian_root_suite-$key.tar"
  mkdir -p "$debian_root_cache/apt-archives/partial"
  if [ ! -f "$tar" ]; then
    rm -f "$debian_root_cache/$name"-*.tar "$debian_root_cache/$name"-*.tar.part
    packages="$(
      IFS=,
      echo "$*"
    )"
    # mmdebstrap makes the same minbase root as debootstrap, but fetches
    # with apt, many packages at once: minutes less on a fresh machine.
    mmdebstrap --mode=root --format=tar --variant=minbase ${packages:+--include="$packages"} \
      --customize-hook='chroot "$1" useradd --create-home --uid 1000 --shell /bin/bash player' \
      "$debian_root_suite" "$tar.part" \
      "deb $mirror $debian_root_suite main" "deb $mirror $debian_root_suite-updates main" \
      "deb $security $debian_root_suite-security main" >"$log" 2>&1 || {
      echo "mmdebstrap failed (log: $log): $(tail -n5 "$log")" >&2
      return 1
    }
    mv "$tar.part" "$tar"
  fi
  echo "$tar"
}

# debian_root_unpack TARBALL DIR
# Unpacks a fresh root into DIR with /proc, /sys, /dev/shm, /dev/pts and
# /tmp mounted and the shared apt cache in /var/cache/apt/archives. Call
# debian_root_cleanup on every way out (a trap): it unmounts in order and
# removes the root. Run the caller in a mount namespace of its own
# (unshare --mount --propagation private) so nothing leaks to the machine.
debian_root_unpack() {
  local tar="$1"
  debian_root_dir="$2"
  rm -rf --one-file-system "$debian_root_dir"
  mkdir -p "$debian_root_dir"
  tar -C "$debian_root_dir" -xf "$tar"
  debian_root_mount proc proc proc
  debian_root_mount sysfs sys sys
  debian_root_mount tmpfs tmpfs dev/shm mode=1777
  debian_root_mount devpts devpts dev/pts newinstance,ptmxmode=0666
  debian_root_mount tmpfs tmpfs tmp mode=1777
  debian_root_mount bind "$debian_root_cache/apt-archives" var/cache/apt/archives
  cp /etc/resolv.conf "$debian_root_dir/etc/resolv.conf"
}

debian_root_mount() { # type-or-bind source target-inside-root [options]
  local target="$debian_root_dir/$3"
  mkdir -p "$target"
  if [ "$1" = bind ]; then
    mount --bind "$2" "$target"
  else
    mount -t "$1" ${4:+-o "$4"} "$2" "$target"
  fi
  debian_root_mounts+=("$target")
}

debian_root_cleanup() {
  local i
  for ((i = ${#debian_root_mounts[@]} - 1; i >= 0; i--)); do
    umount "${debian_root_mounts[i]}" 2>/dev/null || umount -l "${debian_root_mounts[i]}" 2>/dev/null || true
  done
  debian_root_mounts=()
  [ -n "$debian_root_dir" ] || return 0
  # Never through a mount that is somehow still there (the package cache).
  rm -rf --one-file-system "$debian_root_dir" 2>/dev/null ||
    { sleep 1 && rm -rf --one-file-system "$debian_root_dir"; } || true
}

# Runs a command as root inside the root, with a clean environment.
debian_root_run() {
  chroot "$debian_root_dir" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
    DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 "$@"
}
