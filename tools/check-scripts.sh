#!/usr/bin/env bash
# Runs shellcheck over the project's shell scripts: tessaly.sh, .ci/run and those of tools/, bench/
# and packaging/ (postinst.in is a template, checked as the package's postinst is not built here).
#   tools/check-scripts.sh [SOURCE_ROOT]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
scripts=(tessaly.sh .ci/run)
for file in tools/* tools/*/* bench/* packaging/*; do
    [ -f "$file" ] || continue
    case "$file" in
        *.sh) scripts+=("$file") ;;
        *.in) ;;
        *) head -n1 "$file" | grep -qE '^#!.*\b(ba)?sh\b' && scripts+=("$file") ;;
    esac
done
shellcheck --external-sources "${scripts[@]}"
echo "check-scripts: ${#scripts[@]} scripts, no shellcheck finding"
