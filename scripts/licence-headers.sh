#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source file of the game says its licence in its first lines.
#   bash scripts/licence-headers.sh         list the files that do not, and fail if any
#   bash scripts/licence-headers.sh --add   give those files the line
set -euo pipefail
cd "$(dirname "$0")/.."

readonly tag='SPDX-License-Identifier: GPL-3.0-or-later'

# The comment that carries the line in each kind of file, and the files of that kind.
comment_for() {
    case "$1" in
        *.cpp | *.h) echo "// $tag" ;;
        *.abc) echo "% $tag" ;;
        *) echo "# $tag" ;;
    esac
}
sources() {
    git ls-files -- '*.cpp' '*.h' '*.cmake' '*.sh' '*.py' '*.abc' \
        'CMakeLists.txt' '*/CMakeLists.txt' 'Makefile' '.ci/run'
}

missing=0
while IFS= read -r file; do
    head -n 3 "$file" | grep -q "$tag" && continue
    if [[ ${1:-} != --add ]]; then
        echo "no licence line: $file" >&2
        missing=$((missing + 1))
        continue
    fi
    line=$(comment_for "$file")
    first=$(head -n 1 "$file")
    # A first line the file needs where it is (#!, %abc-2.1) keeps its place.
    if [[ $first == '#!'* || $first == '%abc'* ]]; then
        { echo "$first"; echo "$line"; tail -n +2 "$file"; } >"$file.licence"
    else
        { echo "$line"; cat "$file"; } >"$file.licence"
    fi
    chmod --reference="$file" "$file.licence"
    mv "$file.licence" "$file"
done < <(sources)

if ((missing > 0)); then
    echo "$missing source files lack the line '$tag': run bash scripts/licence-headers.sh --add" >&2
    exit 1
fi
