#!/usr/bin/env bash
# Fails when a C++ file differs from what clang-format (the repository's .clang-format) makes of
# it, naming the files. Fix them with clang-format -i.
#   tools/check-format.sh [SOURCE_ROOT]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
else
    mapfile -t files < <(find . -path './build*' -prune -o -path ./.git -prune -o \
        \( -name '*.cpp' -o -name '*.h' \) -print | sed 's#^\./##')
fi
mapfile -t differing < <(printf '%s\0' "${files[@]}" |
    xargs -0 clang-format --dry-run 2>&1 | sed -n 's/^\([^: ]*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' |
    sort -u)
if [ ${#differing[@]} -gt 0 ]; then
    echo "check-format: ${#differing[@]} file(s) differ from clang-format (clang-format -i them):" >&2
    printf '  %s\n' "${differing[@]}" >&2
    exit 1
fi
echo "check-format: ${#files[@]} C++ files as clang-format writes them"
