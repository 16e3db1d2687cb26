# Starts the tool inside the sandbox. With a display (and 32-bit programs running natively) the window
# opens there and the command returns when the tool ends; otherwise the tool runs under Xvfb and a
# screenshot of its window is written to $QG_BUILD_DIR/screenshots.
set -u
. "$(dirname "$0")/sandbox.sh"
build=${QG_BUILD_DIR:?}
mkdir -p "$QG_PREFIX_ROOT"
tpl=$(qg_template)
prefix=$QG_PREFIX_ROOT/demo
[ -d "$prefix" ] || qg_clone_prefix "$tpl" "$prefix"
interactive=${DISPLAY:+yes}
qg_start_display
qg_start_wine "$prefix"
mkdir -p "$prefix/drive_c/Quenvarghost"
[ -n "${QG_WINE_USER:-}" ] && chown "$QG_WINE_USER" "$prefix/drive_c/Quenvarghost"
cp "$build/app/Quenvarghost.exe" "$prefix/drive_c/Quenvarghost/"
cd "$prefix/drive_c/Quenvarghost"
if [ -n "$interactive" ]; then
  qg_wine 'C:\Quenvarghost\Quenvarghost.exe' </dev/null
else
  qg_wine 'C:\Quenvarghost\Quenvarghost.exe' </dev/null >/dev/null 2>&1 &
  shots=$build/screenshots
  mkdir -p "$shots"
  for _ in $(seq 300); do
    w=$(xdotool search --onlyvisible --class quenvarghost.exe 2>/dev/null | head -n 1)
    [ -n "$w" ] && break
    sleep 0.2
  done
  sleep 2
  import -display "$DISPLAY" -window root "$shots/main-window.png"
  echo "screenshot: $shots/main-window.png"
fi
qg_stop_all
