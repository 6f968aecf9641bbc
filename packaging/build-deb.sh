#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian packages morrowmas-slots_<version>_amd64.deb and
# morrowmas-slots-data_<version>_all.deb in a build folder of its own, the
# way Debian's own tools would:
#   - compiled with Debian's flags (dpkg-buildflags, every hardening feature):
#     stack protector, fortified functions, stack clash and control-flow
#     protection, position independence, full RELRO and immediate binding;
#   - reproducible: the same commit gives the same bytes from any folder at
#     any time. SOURCE_DATE_EPOCH (the last commit's time unless set) stands
#     for every date and every file's time, the folders are mapped out of
#     the binaries, and dpkg-deb sorts the archive;
#   - stripped as dh_strip does (symbols and the compiler's .comment note);
#   - the control file made by dpkg-shlibdeps and dpkg-gencontrol, so the
#     library dependencies and Installed-Size are what dpkg itself counts.
#
# Usage: packaging/build-deb.sh [build-dir]    (default: build-package)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
source_dir="$(dirname "$here")"
build_dir="${1:-$source_dir/build-package}"
mkdir -p "$build_dir"
build_dir="$(cd "$build_dir" && pwd)"

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH="$(git -C "$source_dir" log -1 --format=%ct 2>/dev/null)" ||
    SOURCE_DATE_EPOCH="$(date -r "$here/changelog" +%s)"
fi
export SOURCE_DATE_EPOCH
# Sorting and number formats the same whoever builds.
export LC_ALL=C.UTF-8 TZ=UTC
umask 022

# Debian's flags with every hardening feature. Debian 12's dpkg-buildflags
# leaves out two that later releases give by default, stack clash protection
# and the processor's control-flow protection (CET on x86, branch protection
# on arm64); they are added here. CMake takes CPPFLAGS nowhere, so the
# preprocessor's (_FORTIFY_SOURCE) join the compiler's. The folders of the
# source and of this build are mapped to "." (the build's last: the last
# match wins and the build may lie inside the source). The flags are handed
# to CMake on every run, so a changed flag reaches a build folder made before.
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
eval "$(cd "$source_dir" && dpkg-buildflags --export=sh)"
arch="$(dpkg-architecture -qDEB_HOST_ARCH)"
extra=(-fstack-clash-protection)
case "$arch" in
amd64 | i386) extra+=(-fcf-protection) ;;
arm64) extra+=(-mbranch-protection=standard) ;;
esac
for flag in "${extra[@]}"; do
  [[ " $CXXFLAGS " == *" $flag "* ]] || CXXFLAGS="$CXXFLAGS $flag"
done
prefix_maps="-ffile-prefix-map=$source_dir=. -ffile-prefix-map=$build_dir=."
# A compiler cache, when there is one, makes a second build quick; the
# folders above are mapped out, so it serves any build folder of this source.
if command -v ccache >/dev/null && [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$source_dir}"
fi

cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$CXXFLAGS $CPPFLAGS $prefix_maps" \
  -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" -DCMAKE_SHARED_LINKER_FLAGS="$LDFLAGS" \
  -DCMAKE_MODULE_LINKER_FLAGS="$LDFLAGS" \
  -DMORROW_BUILD_TESTS=OFF -DMORROW_BUILD_BENCH=OFF >"$build_dir/configure.log"
# Qt's resource compiler and help generator write SOURCE_DATE_EPOCH into
# what they make; once it moves (a new commit), what they made before goes,
# so that a build folder used again gives what a fresh one gives.
date_stamp="$build_dir/source-date-epoch"
if [ "$(cat "$date_stamp" 2>/dev/null)" != "$SOURCE_DATE_EPOCH" ]; then
  find "$build_dir" \( -name 'qrc_*.cpp' -o -name '*.hlp' \) -delete
  echo "$SOURCE_DATE_EPOCH" >"$date_stamp"
fi
cmake --build "$build_dir" -j"${MORROW_JOBS:-2}"

# The installed tree, then dh_fixperms' and dh_strip's work on it.
stage="$build_dir/deb/root"
rm -rf "$build_dir/deb"
DESTDIR="$stage" cmake --install "$build_dir" >"$build_dir/install.log"
chmod -R u+rwX,go+rX,go-w "$stage"
elf_files=()
while IFS= read -r -d '' file; do
  case "$(file -b "$file")" in
  ELF*shared\ object*)
    strip --remove-section=.comment --remove-section=.note --strip-unneeded "$file"
    chmod 0644 "$file"
    elf_files+=("$file")
    ;;
  ELF*executable*)
    strip --remove-section=.comment --remove-section=.note "$file"
    elf_files+=("$file")
    ;;
  esac
done < <(find "$stage" -type f -print0 | sort -z)

# The pictures, sounds, music and manual are the same on every machine:
# they go in a package of their own, morrowmas-slots-data (Architecture:
# all), which the game's package depends on at its exact version.
data_stage="$build_dir/deb/data"
mkdir -p "$data_stage/usr/share/doc/morrowmas-slots-data"
mv "$stage/usr/share/morrowmas-slots" "$data_stage/usr/share/"
cp "$stage/usr/share/doc/morrowmas-slots/"* "$data_stage/usr/share/doc/morrowmas-slots-data/"

# The control files: dpkg-shlibdeps and dpkg-gencontrol read a source
# package's debian/ folder, made here from packaging/control and changelog.
debian_src="$build_dir/deb/source"
mkdir -p "$debian_src/debian"
cp "$here/control" "$here/changelog" "$debian_src/debian/"
(cd "$debian_src" && dpkg-shlibdeps -Tdebian/morrowmas-slots.substvars "${elf_files[@]}")
version="$(dpkg-parsechangelog -l "$here/changelog" -S Version)"
for package in morrowmas-slots morrowmas-slots-data; do
  root="$stage"
  [ "$package" = morrowmas-slots ] || root="$data_stage"
  mkdir -p "$root/DEBIAN"
  (cd "$debian_src" && dpkg-gencontrol -p"$package" -P"$root" -Tdebian/"$package".substvars -fdebian/files)
  (cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum >DEBIAN/md5sums)
  chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
  arch="$(sed -n 's/^Architecture: //p' "$root/DEBIAN/control")"
  deb="$build_dir/${package}_${version}_$arch.deb"
  # Every file dated SOURCE_DATE_EPOCH: dpkg-deb only clamps later times,
  # and an older file of a build folder used again would keep its own.
  find "$root" -exec touch --no-dereference --date="@$SOURCE_DATE_EPOCH" {} +
  dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
  echo "$deb"
done
