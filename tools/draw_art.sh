#!/bin/sh
# Draws the program's own artwork with ImageMagick: the main window's 48 x 48 icon (32-bit colour) and the
# small picture of the two prompts. The results are committed under forms/art/; run this only to redraw them.
set -eu
cd "$(dirname "$0")/../forms/art"
convert -size 48x48 xc:none \
  -fill '#1f5fbf' -draw 'roundrectangle 2,2 45,45 8,8' \
  -fill '#ffffff' -draw 'roundrectangle 9,12 38,33 3,3' \
  -fill '#1f5fbf' -draw 'rectangle 12,15 35,30' \
  -fill '#7fd0ff' -draw 'circle 24,23 24,16' \
  -fill '#ffd040' -draw 'polygon 17,39 31,39 24,44' -fill '#ffffff' -draw 'rectangle 14,36 34,38' \
  PNG32:/tmp/qg_icon48.png
convert /tmp/qg_icon48.png -define icon:auto-resize=48 main.ico
rm -f /tmp/qg_icon48.png
convert -size 50x41 xc:'#ece9d8' -fill '#2b6cc4' -draw 'circle 20,20 20,4' \
  -fill white -draw 'rectangle 18,9 22,23' -draw 'rectangle 18,27 22,31' \
  -fill '#9bc4ff' -draw 'rectangle 38,6 46,34' -quality 85 -strip prompt.jpg
