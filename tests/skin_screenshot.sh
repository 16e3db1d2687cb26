#!/bin/sh
# skin_screenshot.sh TEST_PROGRAM SHOT_DIR: shows the skin library test's "showcase" (the same window
# unskinned on the left and drawn with skin 10 on the right), saves a screenshot as SHOT_DIR/skin10.png and
# checks on it that the right window has skin 10's background and the left one does not.
set -u
exe=$1
shots=$2
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$shots"
shot=$shots/skin10.png
rm -f "$shot"
work=$(mktemp -d /tmp/qgskin.XXXXXX)
chmod 777 "$work"

QG_SHOTS_DONE="Z:$work/done" "$here/../tools/wine-run" "$exe" --child=showcase --child-output="Z:$work/shown" \
  >/dev/null 2>&1 &
pid=$!
for _ in $(seq 600); do
  [ -s "$work/shown" ] && break
  sleep 0.2
done
[ -s "$work/shown" ] || { echo "the windows did not come up"; touch "$work/done"; exit 1; }
sleep 1
# The windows are 360 x 300 at (20, 40) and (400, 40), each with a one-pixel border.
import -display "$DISPLAY" -window root -crop 760x320+0+30 +repage "$shot"
touch "$work/done"
wait "$pid"
rm -rf "$work"
[ -s "$shot" ] || { echo "no screenshot taken"; exit 1; }
echo "screenshot: $shot"

pixel() { convert "$shot" -format "%[pixel:p{$1,$2}]" info:; }
# A background point between the combo box and the button of each window.
left=$(pixel 321 196)
right=$(pixel 701 196)
echo "background without skin: $left, with skin 10: $right"
status=0
[ "$right" = "srgb(212,227,244)" ] || { echo "the skinned window's background is not skin 10's colour"; status=1; }
[ "$left" != "$right" ] || { echo "both windows look the same"; status=1; }
exit $status
