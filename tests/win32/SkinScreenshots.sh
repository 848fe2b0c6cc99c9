#!/bin/bash
# Photographs the skinned windows that the skin tests open, as PNGs of the X display, and checks that the
# fixed frame's cut corners show the desktop. Usage: SkinScreenshots.sh win32_skin.exe OUTPUT_DIR
set -eu
exe=$1
out=$2
. "$(dirname "$0")/../../scripts/wine-env.sh"
corvane_wine_ready
mkdir -p "$out"
rm -f "$out"/*.ready
# The test asks for a picture by writing <name>.ready (the window's geometry) and waits for <name>.png.
CORVANE_SCREENSHOT_DIR=$(winepath -w "$out") wine "$exe" --gtest_brief=1 \
    --gtest_filter='FixedBackgroundFrame.Centred*:MessageDialog.Question*:MessageDialog.Information*' &
pid=$!
shoot() {
    for ready in "$out"/*.ready; do
        [ -e "$ready" ] || continue
        name=${ready%.ready}
        read -r w h x y < <(tr 'x+\r' '   ' < "$ready")
        # One pixel of desktop around the window, so its corners can be compared with what lies outside.
        import -window root -crop "$((w + 2))x$((h + 2))+$((x - 1))+$((y - 1))" +repage "png:$name.margin"
        convert "$name.margin" -crop "${w}x${h}+1+1" +repage "png:$name.tmp"
        mv "$name.tmp" "$name.png"
        rm -f "$ready"
    done
}
while kill -0 "$pid" 2>/dev/null; do
    shoot
    sleep 0.1
done
wait "$pid"

pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info:; }
frame="$out/skin_fixed_frame.margin"
[ -s "$frame" ] || { echo "no picture of the fixed frame" >&2; exit 1; }
w=$(identify -format '%w' "$frame")
h=$(identify -format '%h' "$frame")
[ "$w" = 439 ] && [ "$h" = 256 ] || { echo "fixed frame is $((w - 2)) x $((h - 2)), not 437 x 254" >&2; exit 1; }
# Each corner pixel of the window against the desktop pixel diagonally outside it.
for corner in "1 1 0 0" "$((w - 2)) 1 $((w - 1)) 0" "1 $((h - 2)) 0 $((h - 1))" \
    "$((w - 2)) $((h - 2)) $((w - 1)) $((h - 1))"; do
    set -- $corner
    if [ "$(pixel "$frame" "$1" "$2")" != "$(pixel "$frame" "$3" "$4")" ]; then
        echo "corner pixel $1,$2 does not show the desktop" >&2
        exit 1
    fi
done
inside=$(pixel "$frame" 30 30)
[ "$inside" != "$(pixel "$frame" 0 0)" ] || { echo "the frame's inside looks like the desktop" >&2; exit 1; }
rm -f "$out"/*.margin
echo "screenshots in $out"
