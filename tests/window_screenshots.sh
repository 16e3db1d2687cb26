#!/bin/sh
# Shows the three windows (scenario show_windows of forms_window_test) in a Wine virtual desktop, so that
# Wine draws the title bars, and saves one screenshot per window under the build folder's screenshots/.
# usage: window_screenshots.sh TEST_EXE OUTPUT_DIR TOOLS_DIR
set -eu
exe=$1; out=$2; tools=$3
mkdir -p "$out"
work=$(mktemp -d /tmp/qgshots.XXXXXX)
chmod 777 "$work"
rm -f "$out"/*.png
QG_SHOTS_DONE="Z:$work/done" "$tools/wine-run" wine explorer /desktop=qgshots,1024x768 "$exe" \
  --child=show_windows --child-output="Z:$work/rects.txt" >/dev/null 2>&1 &
pid=$!
for _ in $(seq 900); do
  [ -f "$work/rects.txt" ] && [ "$(wc -l <"$work/rects.txt")" -ge 3 ] && break
  sleep 0.2
done
[ -f "$work/rects.txt" ] || { echo "the windows did not come up"; touch "$work/done"; exit 1; }
sleep 1
import -display "$DISPLAY" -window root "$work/root.png"
touch "$work/done"
# The child's output may hold other lines (its exit routine's trace); keep the window rectangles.
grep -E '^[a-z_]+ -?[0-9]+ -?[0-9]+ [0-9]+ [0-9]+$' "$work/rects.txt" > "$work/windows.txt" || true
status=0
while read -r name x y w h; do
  convert "$work/root.png" -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
  colours=$(identify -format '%k' "$out/$name.png")
  echo "$name: ${w}x${h} at $x,$y, $colours colours"
  [ "$colours" -gt 8 ] || { echo "$name looks empty"; status=1; }
done <"$work/windows.txt"
# The group boxes show the window's background, not what the screen held before: free points inside
# 分组框1, 分组框2 and 分组框3 have the colour of a free point of the window outside them.
if [ -f "$out/main_window.png" ]; then
  pixel() { convert "$out/main_window.png" -format "%[pixel:p{$1}]" info:; }
  background=$(pixel 5,340)
  for p in 251,67 355,180 219,84 219,233; do
    [ "$(pixel $p)" = "$background" ] || { echo "main_window: group box point $p is $(pixel $p), not $background"; status=1; }
  done
fi
[ "$(wc -l <"$work/windows.txt")" -eq 3 ] || status=1
wait "$pid" || true
rm -rf "$work"
exit $status
