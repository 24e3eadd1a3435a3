#!/bin/sh
# Runs the desktop's own validators over the desktop entry and the AppStream metainfo.
# Usage: validate.sh DESKTOP_FILE METAINFO_FILE. Exits 77 (skipped) when neither tool exists.
desktop_file=$1
metainfo_file=$2
checked=0
status=0

if command -v desktop-file-validate >/dev/null 2>&1; then
    checked=1
    # Hints are advice; warnings and errors fail.
    output=$(desktop-file-validate "$desktop_file" 2>&1) || status=1
    if printf '%s\n' "$output" | grep -Eq ': (error|warning):'; then
        status=1
    fi
    [ -n "$output" ] && printf '%s\n' "$output"
else
    echo "desktop-file-validate not installed (package desktop-file-utils): not checked"
fi

if command -v appstreamcli >/dev/null 2>&1; then
    checked=1
    appstreamcli validate --no-net --no-color "$metainfo_file" || status=1
else
    echo "appstreamcli not installed (package appstream): not checked"
fi

[ "$checked" = 1 ] || exit 77
exit $status
