#!/usr/bin/env bash
# The layer check on a small tree of its own: it passes a clean tree and names every kind of
# include it must refuse. Run by CTest.
set -euo pipefail
check="$(cd "$(dirname "$0")" && pwd)/check-layers.sh"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

mkdir -p "$tree/low" "$tree/mid" "$tree/high" "$tree/tests"
printf 'set(TESSALY_LAYERS low mid high)\nadd_subdirectory(x)\n' >"$tree/CMakeLists.txt"
printf '#include "low/b.h"\n#include "beside.h"\n#include <vector>\n' >"$tree/low/a.h"
printf '#include "low/a.h"\n' >"$tree/mid/m.cpp"
printf '#include "mid/m.h"\n#include "low/a.h"\n' >"$tree/high/h.cpp"
printf '#include "high/h.h"\n' >"$tree/tests/t.cpp"
"$check" "$tree" >/dev/null

fails_with() { # FILE LINE EXPECTED-TEXT
    printf '%s\n' "$2" >>"$tree/$1"
    if out=$("$check" "$tree" 2>&1); then
        echo "not refused: $2 in $1" >&2
        exit 1
    fi
    grep -qF "$3" <<<"$out" || { echo "unexpected report for $2: $out" >&2; exit 1; }
    sed -i '$d' "$tree/$1"
}
fails_with mid/m.cpp '#include "high/h.h"' 'mid/m.cpp:2: mid (layer 1) includes "high/h.h" (layer 2)'
fails_with low/a.h '  #  include "mid/m.h"' 'low/a.h:4: low (layer 0) includes "mid/m.h"'
fails_with mid/m.cpp '#include "tests/t.h"' 'includes "tests/t.h"'
fails_with mid/m.cpp '#include "../high/h.h"' 'includes "../high/h.h"'
"$check" "$tree" >/dev/null
echo "check-layers-test: passed"
