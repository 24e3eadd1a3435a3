#!/usr/bin/env bash
# Renews the pictures of the user manual (docs/manual/*.png) from the program itself: twelve
# simulated receivers on loopback (number 12 never answers, to show a warning), Tessaly
# on a virtual display, driven with xdotool and photographed with ImageMagick's import.
#
#   tools/manual-screenshots.sh [BUILD_DIR]      (default: build; needs app/ and sim/ built)
#
# Opening an environment file sweeps the local subnets for receivers, so everything runs in a
# network namespace of its own that holds nothing but a loopback link. The click positions are
# those of the Large Horizontal layout and the dialogs as drawn today; when a picture comes out
# wrong after a layout change, adjust them below and look at every picture again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "${1:-$root/build}" && pwd)
out_dir=$root/docs/manual
screen=1920x1400

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

case "${TESSALY_SHOTS_STAGE:-}" in
"")
    missing=()
    for tool in xdotool:xdotool xvfb-run:xvfb import:imagemagick convert:imagemagick \
        unshare:util-linux ip:iproute2; do
        command -v "${tool%%:*}" >/dev/null 2>&1 || missing+=("${tool#*:}")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
    fi
    for program in app/tessaly sim/tessaly-sim; do
        [ -x "$build_dir/$program" ] || { echo "manual-screenshots: build $program first" >&2; exit 2; }
    done
    # Root gets a plain network namespace; anyone else one inside a user namespace.
    namespace=(unshare -n)
    [ "$(id -u)" -eq 0 ] || namespace=(unshare -r -n)
    exec "${namespace[@]}" env TESSALY_SHOTS_STAGE=namespace "$0" "$build_dir"
    ;;
namespace)
    ip link set lo up
    exec xvfb-run -a -s "-screen 0 ${screen}x24" env TESSALY_SHOTS_STAGE=display "$0" "$build_dir"
    ;;
display) ;;
*) echo "manual-screenshots: unknown stage" >&2; exit 2 ;;
esac

# ---- On the virtual display, inside the namespace -------------------------------------------
work=$(mktemp -d)
sim_pid=
app_pid=
cleanup() {
    local status=$? pid
    if [ "$status" -ne 0 ] && [ -s "$work/tessaly.log" ]; then
        echo "manual-screenshots: the end of Tessaly's output:" >&2
        tail -n 20 "$work/tessaly.log" >&2
    fi
    for pid in $app_pid $sim_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
# A private temporary folder keeps this Tessaly apart from one the user may be running.
export TMPDIR=$work XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$out_dir"
cd "$work"
printf '[splash]\ntime=1\n' >Tessaly.ini
for mode in 0 1 2 3; do
    "$root/tools/make-demo-environment.sh" 12 | sed "s/^mode=1/mode=$mode/" >"stage-$mode.ini"
done
"$build_dir/sim/tessaly-sim" --count 12 --fault 12=silent >sim.log 2>&1 &
sim_pid=$!
sleep 0.5

# The id of the visible window whose title starts with $1, waiting up to 30 seconds for it.
window_named() {
    local id
    for _ in $(seq 300); do
        id=$(xdotool search --onlyvisible --name "^$1" 2>/dev/null | head -n 1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "manual-screenshots: no window \"$1\" appeared" >&2
    return 1
}

# The newest visible window other than the main window $1 (message boxes, pop-ups).
other_window() {
    local id
    for _ in $(seq 50); do
        id=$(xdotool search --onlyvisible --name "." 2>/dev/null | grep -vx "$1" | tail -n 1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "manual-screenshots: no dialog appeared" >&2
    return 1
}

click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
# click_edge ID X Y: like click, but a negative X or Y counts from the right or bottom edge, for
# the buttons of dialogs whose size follows their fonts.
click_edge() {
    # shellcheck disable=SC2034 # only WIDTH and HEIGHT are needed
    local X Y WIDTH HEIGHT SCREEN WINDOW x=$2 y=$3
    eval "$(xdotool getwindowgeometry --shell "$1")"
    [ "$x" -ge 0 ] || x=$((WIDTH + x))
    [ "$y" -ge 0 ] || y=$((HEIGHT + y))
    click "$1" "$x" "$y"
}

# Start on the main window $1, answering the list of changes still to send (an opened file's
# names and frequencies) with its default button, Send and Start.
press_start() {
    local id
    click "$1" "${start_button[@]}"
    sleep 1
    id=$(xdotool search --onlyvisible --name "^Start$" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then
        xdotool key --window "$id" Return
    fi
}
hover() { xdotool mousemove --window "$1" "$2" "$3"; }

# shoot_window ID NAME [CROP]: the window as it stands on the screen, cropped to WxH+X+Y of
# it when given. (import -window ID waits for a mouse click when it cannot read a window.)
shoot_window() {
    # shellcheck disable=SC2034 # SCREEN and WINDOW come with the geometry and are not needed
    local X Y WIDTH HEIGHT SCREEN WINDOW geometry
    if ! geometry=$(xdotool getwindowgeometry --shell "$1" 2>/dev/null); then
        echo "  $2: the window closed before it could be taken" >&2
        return 0
    fi
    eval "$geometry"
    shoot_screen "$2" "${WIDTH}x${HEIGHT}+${X}+${Y}"
    if [ -n "${3:-}" ]; then
        convert "$out_dir/$2" -crop "$3" +repage "$out_dir/$2"
    fi
}

# shoot_screen NAME WxH+X+Y: a part of the screen, for pop-ups and tooltips over the window.
shoot_screen() {
    timeout 30 import -window root -crop "$2" +repage "$out_dir/$1"
    echo "  $1"
}

start_tessaly() {
    "$build_dir/app/tessaly" "$1" >>tessaly.log 2>&1 &
    app_pid=$!
}

stop_tessaly() {
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    app_pid=
}

# Accepts the Receiver Configuration dialog that opening a file brings up; prints the main
# window's id.
accept_configuration() {
    local dialog
    dialog=$(window_named "Receiver Configuration")
    sleep 1.5 # the sweep finds nothing in this namespace, but it runs
    click_edge "$dialog" -224 -23 # OK
    window_named "TESSALY - "
}

# Positions in the main window (Large Horizontal, receiver 1 at the top).
start_button=(140 53)
file_title=(31 17)
view_title=(76 17)
help_title=(121 17)
upload_item=(47 150)
first_frequency=(220 106)
first_name=(90 110)
first_meter=(300 145)
first_memo=(24 132)
warning_of_12=(108 1215)

echo "Large Horizontal, dialogs and menus:"
start_tessaly stage-1.ini
config=$(window_named "Receiver Configuration")
sleep 1.5
shoot_window "$config" receiver-configuration.png
click_edge "$config" -52 271 # IP search...
search=$(window_named "IP Search")
sleep 2
shoot_window "$search" ip-search.png
click_edge "$search" -52 -22 # Cancel
sleep 0.5
click_edge "$config" -224 -23 # OK
main=$(window_named "TESSALY - ")
sleep 1
shoot_window "$main" monitor-stopped.png 1006x382+0+0

press_start "$main"
sleep 4
shoot_window "$main" monitor-large-horizontal.png 1006x574+0+0
hover "$main" "${warning_of_12[@]}"
sleep 1.5
shoot_screen warning-tooltip.png 600x160+0+1130
hover "$main" "${first_memo[@]}"
sleep 1.5
shoot_screen memo-tooltip.png 600x180+0+90
click "$main" "${view_title[@]}"
sleep 1
shoot_screen menu-view.png 360x270+0+0
xdotool key Escape
click "$main" "${help_title[@]}"
sleep 1
shoot_screen menu-help.png 360x170+0+0
xdotool key Escape
sleep 0.5

click "$main" "${start_button[@]}" # Stop
sleep 1
click "$main" "${file_title[@]}"
sleep 1
shoot_screen menu-file.png 360x240+0+0
xdotool key Escape
sleep 0.5

echo "Panel editing:"
click "$main" "${first_meter[@]}"
settings=$(window_named "Receiver Information Setting")
sleep 1
shoot_window "$settings" receiver-settings.png
xdotool key Escape
sleep 0.5
click "$main" "${first_frequency[@]}"
sleep 1.5
shoot_screen frequency-picker.png 520x330+0+70
xdotool key Escape
sleep 0.5
click "$main" "${first_name[@]}"
sleep 1.5
shoot_screen name-editor.png 520x130+0+70
xdotool key Escape
sleep 0.5
click "$main" "${first_memo[@]}"
memo=$(other_window "$main")
sleep 1
shoot_window "$memo" comment.png
xdotool key Escape
sleep 0.5

echo "Upload:"
click "$main" "${file_title[@]}"
sleep 1
click "$main" "${upload_item[@]}"
confirm=$(other_window "$main")
sleep 1
shoot_window "$confirm" upload-confirm.png
xdotool key Return
progress=$(window_named "Upload")
sleep 2 # eleven receivers answer at once; the twelfth keeps it open until its time-out
shoot_window "$progress" upload-progress.png
stop_tessaly

layout_names=("large-vertical" "large-horizontal" "small-vertical" "small-horizontal")
for mode in 0 2 3; do
    echo "Layout ${layout_names[$mode]}:"
    start_tessaly "stage-$mode.ini"
    main=$(accept_configuration)
    sleep 1
    press_start "$main"
    sleep 4
    shoot_window "$main" "monitor-${layout_names[$mode]}.png"
    stop_tessaly
done
shots=$build_dir/tools/show-shots/tessaly-show-shots
if [ -x "$shots" ]; then
    echo "Alarm cues:"
    "$shots" "$work/show"
    cp "$work/show/show-large-horizontal-flash-on.png" "$out_dir/alarms-large-horizontal.png"
    cp "$work/show/show-small-vertical-flash-on.png" "$out_dir/alarms-small-vertical.png"
    cp "$work/show/show-alarm-journal.png" "$out_dir/alarm-journal.png"
    cp "$work/show/show-panel-menu.png" "$out_dir/panel-menu.png"
    cp "$work/show/show-menu-bar-count.png" "$out_dir/menu-bar-alarms.png"
fi
echo "Pictures written to $out_dir"
