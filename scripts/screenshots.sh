#!/usr/bin/env bash
# Takes the README's pictures from the real program: starts Orbis on a private X server
# with a factory setup loaded, opens each window by its key or menu and saves it as a PNG
# in docs/screenshots. The setup is opened as a show file in a neutral folder, so the title
# shows no path of the machine the pictures are taken on.
# Usage: scripts/screenshots.sh [path to the Orbis program]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="${1:-$root/build-dev/bin/Orbis}"
out="$root/docs/screenshots"
mkdir -p "$out"

if [[ -z "${ORBIS_SCREENSHOT_DISPLAY:-}" ]]; then
    export ORBIS_SCREENSHOT_DISPLAY=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$program"
fi

home="$(mktemp -d)"
pid=""
stop() {
    if [[ -n "$pid" ]]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
}
shows=/tmp/Shows
trap 'stop; rm -rf "$home"; if [[ -L "$shows" ]]; then rm -f "$shows"; fi' EXIT
# The neutral folder is a link to the private home: made here, or the run stops (-T: an
# existing folder of that name must not get the link inside it).
mkdir "$home/shows"
if ! ln -sT "$home/shows" "$shows" 2>/dev/null; then
    shows=""
    echo "$0: /tmp/Shows exists; move it away first" >&2
    exit 1
fi
show="$shows/Concert Hall 5.1.ocont2"
# A home of its own: no remembered document, no desktop settings of the caller.
export XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" QT_QPA_PLATFORM=xcb
export ORBIS_MIDI_API=alsa # no MIDI system is needed: the lists say what is missing
cd "$root"                 # the working folder's Presets are the factory ones

# The window with this exact title, once it is mapped.
wait_window() {
    local id=""
    for _ in $(seq 100); do
        id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)"
        [[ -n "$id" ]] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "no window \"$1\"" >&2
    return 1
}

shoot() { # title file
    local id
    id="$(wait_window "$1")"
    sleep 0.5 # let it paint
    import -window "$id" "$out/$2"
    echo "$out/$2"
}

# A fresh program on a factory setup, copied afresh as the show file; a modal window ends
# its run, so each gets its own.
# Settings and data go with it: the previous run's unsaved changes would otherwise come
# back as an offer to recover them.
start() {
    stop
    rm -rf "$home/config" "$home/data"
    cp "$root/Presets/5.1_ITU_Firewire_no_bounce.ocont2" "$show"
    "$program" "$show" --remote-port "$remote_port" --remote-code 4711 &
    pid=$!
    main="$(wait_window "ORBIS CONTROLLER")"
}

key() { xdotool key --window "$main" "$1"; }

# The remote page is served on the loopback only, for the phone-sized picture below.
remote_port=9188

start
# About has no key of its own: the Help menu by its mnemonic, then its "About" item, typed
# to the focused window (wherever the menu bar places them).
# A slow start may still be busy when the menu's key comes: asked again until it opens.
for _ in 1 2 3 4 5; do
    xdotool windowfocus --sync "$main" key alt+h
    sleep 1
    xdotool key a
    sleep 1
    xdotool search --onlyvisible --name "^About Orbis Controller 1.5\$" >/dev/null && break
    xdotool key Escape Escape
done
shoot "About Orbis Controller 1.5" about.png

start
shoot "ORBIS CONTROLLER" main-window.png
key ctrl+p
presets="$(wait_window "Default Preset")"
# Try and Set the second row, as an operator would, so the picture shows both marks.
xdotool mousemove --window "$presets" 280 85 click 1 mousemove --window "$presets" 218 85 click 1
shoot "Default Preset" default-preset.png
key ctrl+4 && shoot "Sample Rate" sample-rate.png
key ctrl+8 && shoot "Orbis Diagram" diagram.png

start
key ctrl+7
speakers="$(wait_window "Spat. Outs Position Manager")"
# Drag loudspeaker 1 a little, as an operator places it.
xdotool mousemove --window "$speakers" 150 120 mousedown 1 mousemove --window "$speakers" 130 95 \
    mouseup 1
shoot "Spat. Outs Position Manager" speaker-window.png
key ctrl+6 && shoot "Stereo Source Position Manager" stereo-window.png


start
key ctrl+l
cues="$(wait_window "Cue List")"
# Three cues recorded and named as an operator does, the second with a fade on the Around
# path, then GO twice: the picture shows the live mark, the one standing by and the fade.
cue() { # name [fade seconds]
    xdotool key --window "$cues" alt+r
    sleep 0.3 # a button's key clicks it a moment later
    xdotool key --window "$cues" F2
    xdotool type --window "$cues" "$1"
    xdotool key --window "$cues" Return
    if [[ -n "${2:-}" ]]; then
        xdotool key --window "$cues" Right F2 ctrl+a
        xdotool type --window "$cues" "$2"
        xdotool key --window "$cues" Return Menu
        sleep 0.3
        xdotool key p
        sleep 0.3
        xdotool key a
    fi
}
xdotool windowfocus --sync "$cues"
cue "Opening"
cue "Voices circle" 8
cue "Finale"
xdotool key --window "$cues" ctrl+Home ctrl+Return
sleep 0.3
xdotool key --window "$cues" ctrl+Return
sleep 1
shoot "Cue List" cue-list.png
key ctrl+r && shoot "Room" room.png
# The remote page as a 360-pixel-wide phone shows it, paired, with the same show live.
/usr/bin/python3 "$root/scripts/remote_page_picture.py" "http://127.0.0.1:$remote_port/" 4711 \
    "$out/remote-page.png"
echo "$out/remote-page.png"

# Last: on an X server without a window manager, a program ended while its modal window is up
# leaves the keyboard focus nowhere, and the next program gets no keys.
start
key ctrl+5 && shoot "Patchbay Configuration" patchbay.png
