#!/usr/bin/env bash
# The core flow of the window program in a real X window, as a tuner does it: on the module
# emulator (corvane-sim --pty), READ, edit one point by keys and one by a mouse drag, save,
# quit; a second run WRITEs the saved file, READs it back and answers OK to Ctrl+Z's "undo
# ALL edits" right after the READ, and saves again. corvane-cli then checks the files and the
# module: the saved file holds exactly the two edits, the module holds the saved file, and
# Ctrl+Z after the READ changed nothing.
#
# NOT YET PASSING, and so not run by scripts/test.sh: run 1 gets as far as the READ, the key
# edit and the drag, but keys sent after the drag (the File menu) do not reach the program when
# the script runs, while the same keys typed by hand on the same display do. The rest (run 2,
# the checks with corvane-cli) ran once, with an earlier way of saving, up to its Ctrl+S.
#
# Needs Xvfb and xdotool (scripts/deps.sh installs them) and ImageMagick's import and convert,
# and a dev build. Every wait is for a condition (a window, a title, a file) and bounded; the
# whole run is bounded by CORVANE_SMOKE_SECONDS (default 300). Exit 0: passed; 1: failed;
# 77: no X server could be started here.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${CORVANE_BUILD:-build/dev}
app=$build/src/app/corvane
cli=$build/src/cli/corvane-cli
sim=$build/src/cli/corvane-sim
for b in "$app" "$cli" "$sim"; do [ -x "$b" ] || { echo "gui-smoke: $b is not built" >&2; exit 1; }; done
for t in Xvfb xdotool import convert; do command -v "$t" >/dev/null || { echo "gui-smoke: $t not installed (scripts/deps.sh)" >&2; exit 77; }; done

tmp=$(mktemp -d)
deadline=$(( $(date +%s) + ${CORVANE_SMOKE_SECONDS:-300} ))
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    [ -n "${CORVANE_SMOKE_KEEP:-}" ] && echo "gui-smoke: files kept in $tmp" || rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
    echo "gui-smoke: FAILED: $*" >&2
    import -window root "$tmp/failure.png" 2>/dev/null && cp "$tmp/failure.png" "${CORVANE_SMOKE_SHOT:-/tmp/gui-smoke-failure.png}" 2>/dev/null &&
        echo "gui-smoke: screen at the failure: ${CORVANE_SMOKE_SHOT:-/tmp/gui-smoke-failure.png}" >&2
    exit 1
}
step() { echo "gui-smoke: $*"; }
# wait_for DESCRIPTION COMMAND...: until the command succeeds, or fail at the deadline.
wait_for() {
    local what=$1
    shift
    until "$@" >/dev/null 2>&1; do
        [ "$(date +%s)" -lt "$deadline" ] || fail "timed out waiting for $what"
        sleep 0.1
    done
}
window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
has_window() { [ -n "$(window "$1")" ]; }
no_window() { [ -z "$(window "$1")" ]; }
main_title() { xdotool getwindowname "$(window '^CorvaneIII')" 2>/dev/null; }
title_has() { case "$(main_title)" in *"$1"*) return 0 ;; *) return 1 ;; esac; }
title_lacks() { ! title_has "$1"; }
# Answers the message box with this title by its default button.
answer() {
    wait_for "the box \"$1\"" has_window "$1"
    xdotool windowfocus --sync "$(window "$1")" 2>/dev/null || true
    xdotool key Return
    wait_for "the box \"$1\" to close" no_window "$1"
    # Without a window manager nothing gives the focus back.
    xdotool windowfocus --sync "$(window '^CorvaneIII')" 2>/dev/null || true
}
focus_main() { xdotool windowfocus --sync "$(window '^CorvaneIII')" 2>/dev/null || true; }
# until_answering DESCRIPTION COMMAND...: waits for the command to succeed, saying OK to the
# base map name question whenever it comes (it comes when the names differ, which depends on
# what the module and the document hold).
until_answering() {
    local what=$1
    shift
    until "$@" >/dev/null 2>&1; do
        if has_window "^Warning:Base Map Name Discrepancy$"; then answer "^Warning:Base Map Name Discrepancy$"; continue; fi
        [ "$(date +%s)" -lt "$deadline" ] || fail "timed out waiting for $what"
        sleep 0.1
    done
}

# --- An X server of our own and a fresh user ------------------------------------------------
# It picks a free display, or takes CORVANE_SMOKE_DISPLAY (a number) where displays are shared.
if [ -n "${CORVANE_SMOKE_DISPLAY:-}" ]; then
    # Only a server of our own will do: a display already served is somebody else's.
    if [ -e "/tmp/.X$CORVANE_SMOKE_DISPLAY-lock" ] || DISPLAY=":$CORVANE_SMOKE_DISPLAY" xdotool getdisplaygeometry >/dev/null 2>&1; then
        echo "gui-smoke: display :$CORVANE_SMOKE_DISPLAY is taken" >&2
        exit 77
    fi
    Xvfb ":$CORVANE_SMOKE_DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
    pids+=($!)
    until DISPLAY=":$CORVANE_SMOKE_DISPLAY" xdotool getdisplaygeometry >/dev/null 2>&1; do
        kill -0 "${pids[0]}" 2>/dev/null || { echo "gui-smoke: no X server could be started" >&2; exit 77; }
        [ "$(date +%s)" -lt "$deadline" ] || { echo "gui-smoke: the X server did not start" >&2; exit 77; }
        sleep 0.1
    done
    echo "$CORVANE_SMOKE_DISPLAY" >"$tmp/display"
else
    exec 5>"$tmp/display"
    Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
    pids+=($!)
    exec 5>&-
fi
until [ -s "$tmp/display" ]; do
    kill -0 "${pids[0]}" 2>/dev/null || { echo "gui-smoke: no X server could be started" >&2; exit 77; }
    [ "$(date +%s)" -lt "$deadline" ] || { echo "gui-smoke: the X server did not start" >&2; exit 77; }
    sleep 0.1
done
export DISPLAY=":$(cat "$tmp/display")" QT_QPA_PLATFORM=xcb
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_DATA_HOME=$tmp/home/.local/share
mkdir -p "$XDG_CONFIG_HOME/Corvane"
# Markers in a colour nothing else has, so that the drag finds the points on the screen.
marker_rgb=FE01FD
# WRITE without the backup read and the read-back: one progress box, whose end is the WRITE's
# (the module is checked with corvane-cli instead).
printf '[Colors]\nInSyncMarkerColor=%d\nNotInSyncMarkerColor=%d\n\n[Settings]\nBackUpBeforeWrite=0\nVerifyAfterWrite=0\n' \
    $((0xFD01FE)) $((0xFD01FE)) >"$XDG_CONFIG_HOME/Corvane/corvane.conf"

# --- The module: the emulator on a pseudo-terminal, driven through a pipe -------------------
mkfifo "$tmp/sim-in"
"$sim" --pty <"$tmp/sim-in" >"$tmp/sim-out" 2>"$tmp/sim-err" &
pids+=($!)
exec 6>"$tmp/sim-in"
wait_for "the emulator's terminal" grep -q '^/dev/' "$tmp/sim-out"
port=$(head -1 "$tmp/sim-out")
step "module on $port, display $DISPLAY"

run_app() {
    "$app" --port "$port" "$@" >>"$tmp/app.log" 2>&1 &
    app_pid=$!
    pids+=("$app_pid")
    wait_for "the main window" has_window '^CorvaneIII'
    focus_main
}
# A command of the File menu by its mnemonic (menus take keys whatever view has the focus).
visible_windows() { xdotool search --onlyvisible --name '' 2>/dev/null | sort; }
# Whether a window is visible now that was not in the list given.
new_window_since() { [ -n "$(comm -13 <(echo "$1") <(visible_windows))" ]; }
file_menu() {
    local before tries=0
    until [ "$tries" -ge 3 ]; do
        focus_main
        before=$(visible_windows)
        xdotool key alt+f
        # The open menu is a window of its own; a key that came while the program was busy
        # with the module is pressed again.
        local until_t=$(( $(date +%s) + 3 ))
        while [ "$(date +%s)" -lt "$until_t" ]; do
            if new_window_since "$before"; then
                xdotool key "$1"
                return 0
            fi
            sleep 0.1
        done
        tries=$((tries + 1))
    done
    fail "the File menu did not open"
}
quit_app() {
    file_menu x
    wait_for "the program to end" bash -c "! kill -0 $app_pid 2>/dev/null"
}
# The centre of marker N (0-based) of the curve on the screen, "x y".
marker_centre() {
    import -window root "$tmp/screen.png"
    convert "$tmp/screen.png" txt:- | grep -i "#$marker_rgb" |
        sed -E 's/^([0-9]+),([0-9]+):.*/\1 \2/' | sort -n -k1,1 -k2,2 |
        awk -v want="$1" '
            { if (NR == 1 || $1 > last + 1) { n++; } last = $1; xs[n] += $1; ys[n] += $2; c[n]++ }
            END { if (n > want) printf "%d %d\n", xs[want + 1] / c[want + 1], ys[want + 1] / c[want + 1]; }'
}

# --- Before: the module's stock tune --------------------------------------------------------
"$cli" read --port "$port" --yes "$tmp/stock.crv" >/dev/null || fail "corvane-cli could not READ the emulator"

step "run 1: READ, a key edit, a mouse drag, save, quit"
run_app
xdotool key ctrl+r
until_answering "the READ (the modified mark)" title_has '*'
# Into the maps view ("Fuelflow vs TPS @ 0 rpm"): point 11 one step up by keys.
eval "$(xdotool getwindowgeometry --shell "$(window '^CorvaneIII')")"
xdotool mousemove $((X + WIDTH * 2 / 3)) $((Y + HEIGHT * 3 / 4)) click 1
xdotool key Home
for _ in $(seq 10); do xdotool key Right; done
xdotool key Up
# Point 31 dragged up by 40 pixels.
marker=$(marker_centre 30)
[ -n "$marker" ] || fail "no marker of the curve was found on the screen"
read -r mx my <<<"$marker"
xdotool mousemove "$mx" "$my" mousedown 1
for dy in 10 20 30 40; do xdotool mousemove "$mx" $((my - dy)); sleep 0.05; done
xdotool mouseup 1
marker_moved() { [ "$(marker_centre 30)" != "$marker" ]; }
wait_for "the dragged point to move" marker_moved
saved=$tmp/smoke.crv
file_menu a  # Save As...
wait_for "the Save As dialog" has_window '^Save As$'
xdotool windowfocus --sync "$(window '^Save As$')" 2>/dev/null || true
xdotool type --delay 10 "$saved"
xdotool key Return
wait_for "the saved file" test -s "$saved"
wait_for "the saved title" title_lacks '*'
quit_app

step "checking: the file holds the two edits, the module holds the file"
"$cli" info "$saved" | grep -q '^load status: 0' || fail "the saved file does not load"
"$cli" read --port "$port" --yes "$tmp/module1.crv" >/dev/null || fail "corvane-cli could not READ the emulator"
"$cli" diff "$saved" "$tmp/module1.crv" >"$tmp/diff1" || fail "the module does not hold what was saved: $(cat "$tmp/diff1")"
status=0
"$cli" diff "$tmp/stock.crv" "$saved" >"$tmp/diff2" || status=$?
[ "$status" -eq 1 ] || fail "the saved file does not differ from the stock tune"
grep -q '"Fuelflow vs TPS @ 0 rpm" point 10 ' "$tmp/diff2" || fail "the key edit is not in the file: $(cat "$tmp/diff2")"
grep -q '"Fuelflow vs TPS @ 0 rpm" point 30 ' "$tmp/diff2" || fail "the drag is not in the file: $(cat "$tmp/diff2")"
[ "$(grep -c '^map ' "$tmp/diff2")" -eq 2 ] || fail "the file holds more than the two edits: $(cat "$tmp/diff2")"

step "run 2: open the file, WRITE, READ back, Ctrl+Z after the READ, save, quit"
"$cli" write --port "$port" --yes --no-backup --no-verify "$tmp/stock.crv" >/dev/null || fail "could not put the stock tune back"
run_app "$saved"
xdotool key ctrl+w
answer "^Warning$"
until_answering "the WRITE's progress" has_window '^corvane$'
wait_for "the end of the WRITE" no_window '^corvane$'
focus_main
xdotool key ctrl+r
until_answering "the READ back (the modified mark)" title_has '*'
eval "$(xdotool getwindowgeometry --shell "$(window '^CorvaneIII')")"
xdotool mousemove $((X + WIDTH * 2 / 3)) $((Y + HEIGHT * 3 / 4)) click 1
xdotool key ctrl+z
answer "^Warning$"
file_menu s  # Save
wait_for "the saved title" title_lacks '*'
quit_app

step "checking: the module holds the file, and Ctrl+Z after the READ changed nothing"
"$cli" read --port "$port" --yes "$tmp/module2.crv" >/dev/null || fail "corvane-cli could not READ the emulator"
"$cli" diff "$tmp/module1.crv" "$tmp/module2.crv" >"$tmp/diff3" || fail "the WRITE did not put the file into the module: $(cat "$tmp/diff3")"
"$cli" diff "$tmp/module1.crv" "$saved" >"$tmp/diff4" || fail "Ctrl+Z after the READ changed the tune: $(cat "$tmp/diff4")"
step "passed"
