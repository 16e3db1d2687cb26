#!/bin/sh
# skin_screenshot.sh TEST_PROGRAM SHOT_DIR: shows the program's main window (the skin library test's scenario
# "main_window") once without a skin and once as start-up skins it with skin 10, saves the two pictures as
# SHOT_DIR/main_window_plain.png and SHOT_DIR/main_window_skin10.png and checks that the skinned one has skin
# 10's colours where the plain one has the system's.
set -u
exe=$1
shots=$2
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$shots"
status=0

# shoot SKIN NAME: one run of the scenario, its window cut out of the screen into SHOT_DIR/NAME.png
shoot() {
  shot=$shots/$2.png
  rm -f "$shot"
  work=$(mktemp -d /tmp/qgskin.XXXXXX)
  chmod 777 "$work"
  # in a Wine virtual desktop, so that the title bar is drawn (by Wine, or by the skin library)
  QG_SKIN=$1 QG_SHOTS_DONE="Z:$work/done" "$here/../tools/wine-run" wine explorer /desktop=qgskin,1024x768 "$exe" \
    --child=main_window --child-output="Z:$work/shown" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 900); do
    grep -qE '^-?[0-9]+ -?[0-9]+ [0-9]+ [0-9]+$' "$work/shown" 2>/dev/null && break
    sleep 0.2
  done
  rect=$(grep -E '^-?[0-9]+ -?[0-9]+ [0-9]+ [0-9]+$' "$work/shown" 2>/dev/null | head -n 1)
  if [ -z "$rect" ]; then
    echo "$2: the window did not come up"; cat "$work/shown" 2>/dev/null
    touch "$work/done"; wait "$pid"; rm -rf "$work"; status=1; return
  fi
  set -- $rect "$2"
  import -display "$DISPLAY" -window root -crop "${3}x${4}+${1}+${2}" +repage "$shot"
  touch "$work/done"
  wait "$pid"
  rm -rf "$work"
  echo "$5: ${3}x${4} at $1,$2: $shot"
}

shoot 0 main_window_plain
shoot 10 main_window_skin10
plain=$shots/main_window_plain.png skinned=$shots/main_window_skin10.png
[ -s "$plain" ] && [ -s "$skinned" ] || { echo "a screenshot is missing"; exit 1; }

pixel() { convert "$1" -format "%[pixel:p{$2}]" info:; }
# Free points of the window's client area: inside 分组框1, and right of the labels near the bottom.
for p in 251,67 560,300; do
  a=$(pixel "$plain" $p) b=$(pixel "$skinned" $p)
  echo "point $p: without skin $a, with skin 10 $b"
  [ "$b" = "srgb(212,227,244)" ] || { echo "the skinned window does not show skin 10's background at $p"; status=1; }
  [ "$a" != "$b" ] || { echo "both windows look the same at $p"; status=1; }
done
exit $status
