#!/usr/bin/env bash
# Fails when a file of a layer includes a header of a layer above it.
#   tools/check-layers.sh [SOURCE_ROOT]
# The layers and their order are TESSALY_LAYERS of the root CMakeLists.txt, lowest first. A file
# in a layer's folder may include "L/file.h" only for L its own layer or one before it; an include
# that names another top folder of the tree (tests/, tools/, an unknown layer) or climbs out with
# "../" fails too. The folders on top (tests, tools, fuzz, bench) may include every layer.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}

mapfile -t layers < <(awk '/^set\(TESSALY_LAYERS/ { on = 1 } on { print; if (/\)/) exit }' \
    "$root/CMakeLists.txt" | sed 's/set(TESSALY_LAYERS//; s/).*//' | tr -s ' \t' '\n' | sed '/^$/d')
if [ ${#layers[@]} -eq 0 ]; then
    echo "check-layers: no set(TESSALY_LAYERS ...) in $root/CMakeLists.txt" >&2
    exit 2
fi

declare -A rank
for i in "${!layers[@]}"; do
    rank[${layers[$i]}]=$i
done

violations=0
for layer in "${layers[@]}"; do
    [ -d "$root/$layer" ] || continue
    # file:line:#include "top/rest" for every quoted include of the layer's sources.
    while IFS= read -r hit; do
        file=${hit%%:*}
        line=${hit#*:}
        line=${line%%:*}
        header=${hit#*\"}
        header=${header%%\"*}
        top=${header%%/*}
        if [ "$header" = "$top" ]; then
            continue # a header beside the file, of the same layer
        fi
        if [ "$top" = ".." ] || [ -z "${rank[$top]+set}" ] || [ "${rank[$top]}" -gt "${rank[$layer]}" ]; then
            echo "$file:$line: ${layer} (layer ${rank[$layer]}) includes \"$header\"${rank[$top]+ (layer ${rank[$top]})}" >&2
            violations=$((violations + 1))
        fi
    done < <(cd "$root" && { grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$layer" \
        --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.cc' || true; })
done

if [ "$violations" -gt 0 ]; then
    echo "check-layers: $violations include(s) of a layer above (order: ${layers[*]})" >&2
    exit 1
fi
echo "check-layers: ${#layers[@]} layers, no include of a layer above (${layers[*]})"
