#!/usr/bin/env bash
# Makes the documentation's pictures under a virtual X server (Xvfb):
#   docs/start-page.png        the start page made from examples/sample-show/beispiel.cfg, in a browser
#   docs/window-datei.png      the window's three tab pages, with the sample show's folders opened
#   docs/window-vorschau.png   and beispiel.cfg loaded
#   docs/window-einzelbild.png
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default: build; `make screenshots` builds first)
# Needs: xvfb-run (xvfb, xauth), xdotool, import and compare (imagemagick), chromium.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
batch="$build/src/batch/bildertafel-batch"
window="$build/src/app/bildertafel"
docs="$repo/docs"

missing=""
for tool in xvfb-run xauth xdotool import compare chromium; do
    command -v "$tool" >/dev/null || missing="$missing $tool"
done
if [ -n "$missing" ]; then
    echo "screenshots: missing tools:$missing" >&2
    echo "install them with: apt-get install xvfb xauth xdotool imagemagick chromium" >&2
    exit 1
fi
for program in "$batch" "$window"; do
    [ -x "$program" ] || { echo "screenshots: $program is not built" >&2; exit 1; }
done

# Everything runs on its own X server, so the user's desktop is never touched.
if [ "${BILDERTAFEL_SCREENSHOTS_INSIDE:-}" != 1 ]; then
    export BILDERTAFEL_SCREENSHOTS_INSIDE=1
    exec xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24" "$0" "$build"
fi

# The folder names show in the window's directory lists, so they are fixed and plain; a folder
# of that name that is not ours is left alone.
root="${TMPDIR:-/tmp}/Fotos"
mkdir "$root" || { echo "screenshots: $root exists; remove it or set TMPDIR" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$root" "$scratch"' EXIT
show="$root/Urlaub"
configs="$root/Vorlagen"
mkdir -p "$configs"
cp -r "$repo/examples/sample-show" "$show"
mv "$show/beispiel.cfg" "$configs/"
log="$scratch"
mkdir -p "$docs"
# Sanitizer builds report the toolkit's leftovers at exit; the pictures do not care.
export ASAN_OPTIONS=detect_leaks=0

# 1. The show, written by the batch command from the sample configuration.
"$batch" --config "$configs/beispiel.cfg" --show "$show" --minis "$show/minis" \
    --pictures "$show/bilder" --name index
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --hide-scrollbars --user-data-dir="$scratch/chromium" --window-size=1024,640 \
    --screenshot="$docs/start-page.png" "file://$show/index.html" >"$log/chromium.txt" 2>&1 ||
    { cat "$log/chromium.txt" >&2; exit 1; }
echo "screenshots: $docs/start-page.png"

# 2. The window. Its controls have fixed places (the window has a fixed size of 640 by 480),
# so the points below are inside the named controls whatever the font.
(cd "$show" && TEMP="$configs" exec "$window") >"$log/window.txt" 2>&1 &
window_pid=$!
trap 'kill "$window_pid" 2>/dev/null || true; rm -rf "$root" "$scratch"' EXIT
wid=$(timeout 30 xdotool search --sync --onlyvisible --name "Fotosammlung" | head -n 1) ||
    { cat "$log/window.txt" >&2; echo "screenshots: the window did not appear" >&2; exit 1; }
sleep 1

at() { xdotool mousemove --window "$wid" "$1" "$2"; }
# Load the sample configuration: double-click the only name in the configuration list File1(0).
at 190 80
xdotool click --repeat 2 --delay 80 1
sleep 0.5
# Open "minis" in Dir1(2) and "bilder" in Dir1(3): click the list's first row, then go to the
# sub-folder with the keys (minis is the last row, bilder the one above it) and open it.
at 60 282
xdotool click 1 key End Return
sleep 0.3
at 372 282
xdotool click 1 key End Up Return
sleep 0.3

shoot() {
    xdotool mousemove 1200 1000 # off the window, so that nothing is hovered
    sleep 0.5
    import -window "$wid" "$docs/$1"
    echo "screenshots: $docs/$1"
}
# The mouse wheel over the tab row steps to the next page, whatever the tabs' widths.
next_page() {
    at 20 11
    xdotool click 5
}
differs() {
    local pixels
    pixels=$(compare -metric AE "$docs/$1" "$docs/$2" null: 2>&1 || true)
    [ "${pixels%% *}" != 0 ] || { echo "screenshots: $2 shows the same as $1" >&2; exit 1; }
}
shoot window-datei.png
next_page
shoot window-vorschau.png
differs window-datei.png window-vorschau.png
next_page
shoot window-einzelbild.png
differs window-vorschau.png window-einzelbild.png

kill "$window_pid" 2>/dev/null || true
wait "$window_pid" 2>/dev/null || true
