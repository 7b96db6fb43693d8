#!/usr/bin/env bash
# The core flow of the window program in a real X window, as a tuner does it: on the module
# emulator (corvane-sim --pty), READ, edit one point by keys and one by a mouse drag, save,
# quit; a second run WRITEs the saved file, READs it back and answers OK to Ctrl+Z's "undo
# ALL edits" right after the READ, and saves again. corvane-cli then checks the files and the
# module: the saved file holds exactly the two edits, the module holds the saved file, and
# Ctrl+Z after the READ changed nothing.
#
# It runs a window manager on its X server, as every desktop has one. Without one, Qt moves
# the X input focus itself, stamped with the time of the last X event it saw; a focus given
# from outside (xdotool windowfocus) is stamped later, so the server ignores Qt's next request:
# the READ's progress box becomes Qt's active window while the X focus stays on the main
# window, and when the box closes no focus event comes back. Qt is then left with no active
# window: plain keys still reach the view, but shortcuts and the menu bar's Alt+F go nowhere,
# and focusing the window that holds the X focus changes nothing. Under a window manager every
# activation goes through it, and the script activates windows the way a click would.
#
# Needs Xvfb, openbox, xdotool, xprop and ImageMagick's import (scripts/deps.sh installs them)
# and a dev build. Every wait is for a condition (a window, a title, a file, a pixel) and
# bounded; the whole run is bounded by CORVANE_SMOKE_SECONDS (default 300). It starts its own
# X server on a free display (CORVANE_SMOKE_DISPLAY=N asks for :N, and gives up if that one is
# taken), and ends everything it started on every exit. Exit 0: passed; 1: failed; 77: no X
# server or window manager could be started here.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${CORVANE_BUILD:-build/dev}
app=$build/src/app/corvane
cli=$build/src/cli/corvane-cli
sim=$build/src/cli/corvane-sim
for b in "$app" "$cli" "$sim"; do [ -x "$b" ] || { echo "gui-smoke: $b is not built" >&2; exit 1; }; done
for t in Xvfb openbox xdotool xprop import; do
    command -v "$t" >/dev/null || { echo "gui-smoke: $t is not installed (scripts/deps.sh)" >&2; exit 77; }
done

tmp=$(mktemp -d)
deadline=$(( $(date +%s) + ${CORVANE_SMOKE_SECONDS:-300} ))
pids=()
cleanup() {
    local p
    # The program first, then the emulator, the window manager and the X server they use.
    for (( i = ${#pids[@]} - 1; i >= 0; i-- )); do kill "${pids[i]}" 2>/dev/null || true; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
    if [ -n "${CORVANE_SMOKE_KEEP:-}" ]; then echo "gui-smoke: files kept in $tmp"; else rm -rf "$tmp"; fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
shot=${CORVANE_SMOKE_SHOT:-/tmp/gui-smoke-failure.png}
fail() {
    echo "gui-smoke: FAILED: $*" >&2
    [ -s "$tmp/app.log" ] && sed 's/^/gui-smoke: corvane: /' "$tmp/app.log" | tail -20 >&2
    if [ -n "${DISPLAY:-}" ] && import -window root "$shot" 2>/dev/null; then
        echo "gui-smoke: the screen at the failure: $shot" >&2
    fi
    exit 1
}
# No X server here (a container without one, a display taken): not a failure of the program.
skip() {
    echo "gui-smoke: skipped: $*" >&2
    exit 77
}
step() { echo "gui-smoke: $*"; }
# corvane-cli, bounded by what is left of the run's time.
cvcli() {
    local left=$(( deadline - $(date +%s) ))
    [ "$left" -gt 0 ] || fail "out of time before: corvane-cli $*"
    timeout "$left" "$cli" "$@"
}
# wait_for DESCRIPTION COMMAND...: until the command succeeds, or fail at the deadline.
wait_for() {
    local what=$1
    shift
    until "$@" >/dev/null 2>&1; do
        [ "$(date +%s)" -lt "$deadline" ] || fail "timed out waiting for $what"
        sleep 0.1
    done
}

# --- An X server and a window manager of our own, and a fresh user ---------------------------
if [ -n "${CORVANE_SMOKE_DISPLAY:-}" ]; then
    # Only a server of our own will do: a display already served is somebody else's. Xvfb
    # itself refuses a display whose lock file exists.
    [ -e "/tmp/.X$CORVANE_SMOKE_DISPLAY-lock" ] && skip "display :$CORVANE_SMOKE_DISPLAY is taken"
    Xvfb ":$CORVANE_SMOKE_DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
    pids+=($!)
    echo "$CORVANE_SMOKE_DISPLAY" >"$tmp/display"
else
    # -displayfd: the server takes the first free display and writes its number when it is
    # ready to serve.
    exec 5>"$tmp/display"
    Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
    pids+=($!)
    exec 5>&-
fi
xvfb_pid=${pids[0]}
server_up() { [ -s "$tmp/display" ] && DISPLAY=":$(cat "$tmp/display")" xprop -root >/dev/null 2>&1; }
until server_up; do
    kill -0 "$xvfb_pid" 2>/dev/null || skip "no X server could be started: $(tail -1 "$tmp/xvfb.log")"
    [ "$(date +%s)" -lt "$deadline" ] || skip "the X server did not start"
    sleep 0.1
done
export DISPLAY=":$(cat "$tmp/display")" QT_QPA_PLATFORM=xcb
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_DATA_HOME=$tmp/home/.local/share
mkdir -p "$XDG_CONFIG_HOME/Corvane"
openbox --sm-disable >"$tmp/wm.log" 2>&1 &
pids+=($!)
wm_pid=$!
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
until wm_up; do
    kill -0 "$wm_pid" 2>/dev/null || skip "the window manager did not start: $(tail -1 "$tmp/wm.log")"
    [ "$(date +%s)" -lt "$deadline" ] || skip "the window manager did not start"
    sleep 0.1
done
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

# --- The windows ---------------------------------------------------------------------------
window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
has_window() { [ -n "$(window "$1")" ]; }
no_window() { [ -z "$(window "$1")" ]; }
main_window() { window '^CorvaneIII'; }
main_title() { xdotool getwindowname "$(main_window)" 2>/dev/null; }
title_has() { case "$(main_title)" in *"$1"*) return 0 ;; *) return 1 ;; esac; }
title_lacks() { ! title_has "$1"; }
active_is() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
# Makes a window the active one through the window manager, and waits until it is.
activate() {
    local w
    w=$(window "$1")
    [ -n "$w" ] || fail "no window \"$1\" to activate"
    xdotool windowactivate "$w" 2>/dev/null || true
    wait_for "the window \"$1\" to become active" active_is "$w"
}
# Answers the message box with this title by its default button.
answer() {
    wait_for "the box \"$1\"" has_window "$1"
    activate "$1"
    xdotool key Return
    wait_for "the box \"$1\" to close" no_window "$1"
}
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
run_app() {
    "$app" --port "$port" "$@" >>"$tmp/app.log" 2>&1 &
    app_pid=$!
    pids+=("$app_pid")
    wait_for "the main window" has_window '^CorvaneIII'
    activate '^CorvaneIII'
}
# The windows shown now, one id a line.
visible_windows() { xdotool search --onlyvisible --name '' 2>/dev/null | sort; }
new_window_since() { [ -n "$(comm -13 <(echo "$1") <(visible_windows))" ]; }
# A command of the File menu by its mnemonic (the menu bar takes Alt+F whatever view has the
# focus, once the main window is active).
file_menu() {
    local before
    activate '^CorvaneIII'
    before=$(visible_windows)
    xdotool key alt+f
    wait_for "the File menu to open" new_window_since "$before"
    xdotool key "$1"
}
quit_app() {
    file_menu x
    wait_for "the program to end" bash -c "! kill -0 $app_pid 2>/dev/null"
}
# Clicks into the maps view (below the plot, where no marker is), which takes the keys.
click_view() {
    eval "$(xdotool getwindowgeometry --shell "$(main_window)")"
    xdotool mousemove --sync $((X + WIDTH * 2 / 3)) $((Y + HEIGHT * 3 / 4)) click 1
}
# The centre of marker N (0-based) of the curve on the screen, "x y".
marker_centre() {
    import -window root -depth 8 txt:- 2>/dev/null | grep -i "#$marker_rgb" |
        sed -E 's/^([0-9]+),([0-9]+):.*/\1 \2/' | sort -n -k1,1 -k2,2 |
        awk -v want="$1" '
            { if (NR == 1 || $1 > last + 1) { n++; } last = $1; xs[n] += $1; ys[n] += $2; c[n]++ }
            END { if (n > want) printf "%d %d\n", xs[want + 1] / c[want + 1], ys[want + 1] / c[want + 1]; }'
}

# --- Before: the module's stock tune --------------------------------------------------------
cvcli read --port "$port" --yes "$tmp/stock.crv" >/dev/null 2>&1 || fail "corvane-cli could not READ the emulator"

step "run 1: READ, a key edit, a mouse drag, save, quit"
run_app
xdotool key ctrl+r
until_answering "the READ (the modified mark)" title_has '*'
# Into the maps view ("Fuelflow vs TPS @ 0 rpm"): point 11 one step up by keys.
activate '^CorvaneIII'
click_view
xdotool key Home
for _ in $(seq 10); do xdotool key Right; done
xdotool key Up
# Point 31 dragged up by 40 pixels.
marker=$(marker_centre 30)
[ -n "$marker" ] || fail "no marker of the curve was found on the screen"
read -r mx my <<<"$marker"
xdotool mousemove --sync "$mx" "$my" mousedown 1
for dy in 10 20 30 40; do xdotool mousemove --sync "$mx" $((my - dy)); done
xdotool mouseup 1
marker_moved() { [ "$(marker_centre 30)" != "$marker" ]; }
wait_for "the dragged point to move" marker_moved
saved=$tmp/smoke.crv
file_menu a  # Save As...
wait_for "the Save As dialog" has_window '^Save As$'
activate '^Save As$'
xdotool type --delay 10 "$saved"
xdotool key Return
wait_for "the saved file" test -s "$saved"
wait_for "the saved title" title_lacks '*'
quit_app

step "checking: the file holds the two edits, the module holds the file"
cvcli info "$saved" >"$tmp/info" 2>&1 || fail "corvane-cli info failed on the saved file: $(cat "$tmp/info")"
grep -q '^load status: 0' "$tmp/info" || fail "the saved file does not load: $(cat "$tmp/info")"
cvcli read --port "$port" --yes "$tmp/module1.crv" >/dev/null 2>&1 || fail "corvane-cli could not READ the emulator"
cvcli diff "$saved" "$tmp/module1.crv" >"$tmp/diff1" || fail "the module does not hold what was saved: $(cat "$tmp/diff1")"
status=0
cvcli diff "$tmp/stock.crv" "$saved" >"$tmp/diff2" || status=$?
[ "$status" -eq 1 ] || fail "the saved file does not differ from the stock tune"
grep -q '"Fuelflow vs TPS @ 0 rpm" point 10 ' "$tmp/diff2" || fail "the key edit is not in the file: $(cat "$tmp/diff2")"
grep -q '"Fuelflow vs TPS @ 0 rpm" point 30 ' "$tmp/diff2" || fail "the drag is not in the file: $(cat "$tmp/diff2")"
[ "$(grep -c '^map ' "$tmp/diff2")" -eq 2 ] || fail "the file holds more than the two edits: $(cat "$tmp/diff2")"

step "run 2: open the file, WRITE, READ back, Ctrl+Z after the READ, save, quit"
cvcli write --port "$port" --yes --no-backup --no-verify "$tmp/stock.crv" >/dev/null 2>&1 || fail "could not put the stock tune back"
run_app "$saved"
xdotool key ctrl+w
answer "^Warning$"
until_answering "the WRITE's progress" has_window '^corvane$'
until_answering "the end of the WRITE" no_window '^corvane$'
activate '^CorvaneIII'
xdotool key ctrl+r
until_answering "the READ back (the modified mark)" title_has '*'
activate '^CorvaneIII'
click_view
xdotool key ctrl+z
answer "^Warning$"
file_menu s  # Save
wait_for "the saved title" title_lacks '*'
quit_app

step "checking: the module holds the file, and Ctrl+Z after the READ changed nothing"
cvcli read --port "$port" --yes "$tmp/module2.crv" >/dev/null 2>&1 || fail "corvane-cli could not READ the emulator"
cvcli diff "$tmp/module1.crv" "$tmp/module2.crv" >"$tmp/diff3" || fail "the WRITE did not put the file into the module: $(cat "$tmp/diff3")"
cvcli diff "$tmp/module1.crv" "$saved" >"$tmp/diff4" || fail "Ctrl+Z after the READ changed the tune: $(cat "$tmp/diff4")"
step "passed"
