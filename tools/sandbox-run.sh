# Starts the tool inside the sandbox on the demo machine of demo-machine.sh (prefix $QG_PREFIX_ROOT/demo,
# made once and reused). With a display (and 32-bit programs running natively) the window opens there and the
# command returns when the tool ends; otherwise the tool runs under Xvfb, is driven through a search and two
# one-key runs (restore, then back-up) with xdotool, and screenshots go to $QG_BUILD_DIR/screenshots. Either
# way the tool's windows are in a Wine virtual desktop of 800x600, with title bars and frames as on Windows.
# The restart is never asked for: the restart prompt is left with Esc (restore) and its quit button (back-up).
set -u
started=$(date +%s)
say() { printf 'demo [%ss]: %s\n' "$(( $(date +%s) - started ))" "$*"; }
here=$(cd "$(dirname "$0")" && pwd)
. "$here/sandbox.sh"
. "$here/demo-machine.sh"
build=${QG_BUILD_DIR:?}
mkdir -p "$QG_PREFIX_ROOT"
tpl=$(qg_template)
prefix=$QG_PREFIX_ROOT/demo
# The prefix is made anew when the template has changed (its fonts, for example).
if [ -f "$prefix/demo-machine.env" ] && [ "$(cat "$prefix/demo-template" 2>/dev/null)" = "$tpl" ]; then
  say "reusing the demo machine in $prefix (made by an earlier run; C: is put back as it was)"
else
  say "making the demo machine in $prefix"
  qg_clone_prefix "$tpl" "$prefix"
  echo "$tpl" > "$prefix/demo-template"
fi
WINEPREFIX=$prefix qg_wine wineserver -k >/dev/null 2>&1  # a server left over would not see the drives
qg_demo_machine "$prefix" "$build/standins"
say "starting Wine"
. "$prefix/demo-machine.env"
interactive=${DISPLAY:+yes}
qg_start_display
qg_start_wine "$prefix"
qg_virtual_desktop Quenvarghost.exe 800x600
folder=$prefix/drive_c/Quenvarghost
rm -f "$folder/Quenvarghost.exe"
cp "$build/app/Quenvarghost.exe" "$folder/"
cd "$folder"
if [ -n "$interactive" ]; then
  qg_wine 'C:\Quenvarghost\Quenvarghost.exe'
  qg_stop_all
  exit 0
fi

shots=$build/screenshots
mkdir -p "$shots"
rm -f "$shots"/demo-*.png  # an earlier run's, a failure screen among them
failed=0

# Visible windows of the tool. In the virtual desktop each top-level window is an X window that includes its
# frame and title bar; frame_x, frame_y say where its client area begins.
probe_said=$(mktemp)
qg_wine "$build/tests/desktop_probe.exe" --frame >"$probe_said" 2>/dev/null
read -r frame_x frame_y <"$probe_said" || { frame_x=3 frame_y=22; }
rm -f "$probe_said"
windows() { xdotool search --onlyvisible --class quenvarghost.exe 2>/dev/null; }
# wait_window SECONDS [KNOWN...]: the first visible window of the tool that is not one of KNOWN.
wait_window() {
  until=$(( $(date +%s) + $1 )); shift
  while [ "$(date +%s)" -lt "$until" ]; do
    for w in $(windows); do
      case " $* " in *" $w "*) ;; *) echo "$w"; return 0 ;; esac
    done
    sleep 0.5
  done
  return 1
}
# wait_prompt SECONDS: the restart prompt, or a message box that came instead. Both are told from the main
# window and the file dialogs by their height (the windows share the class and the title; the main window
# stays mapped for a moment after the prompt appears), and from each other by the width: the prompt is 413
# pixels wide. Prints the window; returns 2 for a message box, 1 when nothing came.
wait_prompt() {
  until=$(( $(date +%s) + $1 ))
  while [ "$(date +%s)" -lt "$until" ]; do
    for w in $(windows); do
      WIDTH="" HEIGHT=""
      eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null | grep -E '^(WIDTH|HEIGHT)=')"
      [ -n "${HEIGHT:-}" ] && [ "$HEIGHT" -lt 170 ] || continue
      [ "$WIDTH" -ge 410 ] && [ "$WIDTH" -le 416 ] && { echo "$w"; return 0; }
      echo "$w"
      return 2
    done
    sleep 0.5
  done
  return 1
}
# wait_listed SECONDS WINDOW yes|no: waits until the window is (yes) or is no longer (no) among the tool's
# visible windows.
wait_listed() {
  until=$(( $(date +%s) + $1 ))
  while [ "$(date +%s)" -lt "$until" ]; do
    if windows | grep -qx "$2"; then [ "$3" = yes ] && return 0; else [ "$3" = no ] && return 0; fi
    sleep 0.5
  done
  return 1
}
wait_gone() { wait_listed "$1" "$2" no; }
wait_shown() { wait_listed "$1" "$2" yes; }
# What the display and the prefix show when something did not come.
diagnose() {
  import -display "$DISPLAY" -window root "$shots/demo-failed.png" 2>/dev/null
  say "the screen is in $shots/demo-failed.png; Windows processes:"
  ps -eo args | grep -i '\.exe' | grep -v grep | sed 's/^/    /'
}
# shot WINDOW NAME: the window, frame and title bar included, cut out of the screen (import -window waits for a
# click when the window has gone meanwhile); the whole screen when the window's place cannot be had.
shot() {
  geometry=$(xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {if (w) print w "x" h "+" x "+" y}')
  import -display "$DISPLAY" -window root ${geometry:+-crop "$geometry" +repage} "$shots/$2.png"
  say "screenshot $shots/$2.png"
}
# no_prompt RUN: what came instead of the restart prompt ($found and $prompt from wait_prompt).
no_prompt() {
  failed=1
  if [ "$found" = 2 ]; then
    sleep 1
    shot "$prompt" demo-run-message
    say "$1 ended with a message instead of the restart prompt (the screenshot shows it)"
    show_c
  else
    say "no restart prompt after $1"; diagnose
  fi
}
# click WINDOW X Y: a click at X, Y of the window's client area.
click() { xdotool mousemove --window "$1" $(( $2 + frame_x )) $(( $3 + frame_y )) click 1; }
# Keys go to the focused window as the keyboard sends them: in the virtual desktop, Wine may replace the X window
# that a search found just after the window appeared, and an event sent to the old one is lost.
key() { xdotool windowfocus "$1" 2>/dev/null; xdotool key "$2"; }
# choose_in_dialog WINDOW_BEFORE PATH: types PATH into the file dialog that has just opened.
choose_in_dialog() {
  dialog=$(wait_window 60 "$1") || { say "the file dialog did not open"; diagnose; return 1; }
  sleep 1
  xdotool windowfocus "$dialog" 2>/dev/null
  xdotool key End
  for _ in $(seq 24); do xdotool key BackSpace; done
  xdotool type --delay 30 "$2"
  xdotool key Return
  wait_gone 30 "$dialog" || { say "the file dialog did not close"; return 1; }
}
show_c() {
  say "C:\\ now holds: $(cd "$prefix/drive_c" && ls -d grldr ghost.bat ghost.exe Qelo.img boot.bak 2>/dev/null | tr '\n' ' ')"
  [ -f "$prefix/drive_c/ghost.bat" ] && say "C:\\ghost.bat: $(tr '\r\n' '  ' < "$prefix/drive_c/ghost.bat")"
  say 'C:\boot.ini:'
  sed 's/\r$//; s/^/    /' "$prefix/drive_c/boot.ini"
  [ -z "$(tail -c 1 "$prefix/drive_c/boot.ini")" ] || echo  # a last line without its line end
}

backup_target='E:\Ghost\Demo_backup.gho'
rm -f "$prefix/demo-drives/e/Ghost/Demo_backup.gho"  # the placeholder that an earlier demo's back-up left
say "starting the tool"
qg_wine 'C:\Quenvarghost\Quenvarghost.exe' >/dev/null 2>&1 &
app=$!
# Start-up runs the partition probe (the command interpreter, the partition tool and findstr) first.
if main=$(wait_window 300); then
  say "main window up"
  sleep 2
  shot "$main" demo-simple
  key "$main" a                     # the key A switches the layout
  sleep 2
  shot "$main" demo-advanced
  click "$main" 554 226             # 搜索按钮
  sleep 5
  click "$main" 420 24              # the first image found: its details and the image path
  sleep 2
  shot "$main" demo-search

  # Restore: the image is chosen in the open dialog (打开1), then the one-key run (key Y). The button is
  # clicked rather than its key F pressed: the key would also reach the list of images, which has the focus,
  # and its type-ahead would pick the first image on F: after the dialog.
  click "$main" 311 82              # 打开1
  choose_in_dialog "$main" 'E:\Ghost\G_WinXP.gho' || failed=1
  key "$main" y
  back=""
  prompt=$(wait_prompt 60); found=$?
  if [ "$found" = 0 ]; then
    sleep 2
    shot "$prompt" demo-restart-prompt
    say "restore run done"
    show_c
    key "$prompt" Escape            # back to the main window, nothing restarted
    if ! wait_gone 30 "$prompt"; then
      say "Esc did not close the restart prompt"; failed=1; diagnose
    elif wait_shown 30 "$main"; then
      back=yes
    else
      say "the main window did not come back after the restart prompt"; failed=1; diagnose
    fi
  else
    no_prompt "the restore run"
  fi

  # Back-up: the radio box, a new image name in the save dialog (打开1 is now 保存(&S)), then the run.
  if [ -n "$back" ]; then
    sleep 1
    click "$main" 190 30            # 备份单选框
    sleep 1
    click "$main" 311 82            # 打开1
    choose_in_dialog "$main" "$backup_target" || failed=1
    key "$main" y
    prompt=$(wait_prompt 60); found=$?
    if [ "$found" = 0 ]; then
      sleep 2
      shot "$prompt" demo-restart-prompt-backup
      say "back-up run done"
      show_c
      click "$prompt" 255 66        # 取消(&N): quit without restarting
      wait_gone 60 "$prompt" || { say "the restart prompt did not close"; failed=1; diagnose; }
    else
      no_prompt "the back-up run"
    fi
  fi
else
  say "the main window did not appear"; failed=1
  diagnose
fi
until=$(( $(date +%s) + 60 ))
while kill -0 "$app" 2>/dev/null && [ "$(date +%s)" -lt "$until" ]; do sleep 0.5; done
if kill -0 "$app" 2>/dev/null; then
  say "the tool did not end; stopping it"; failed=1; diagnose
else
  say "the tool ended"
fi
qg_stop_all
exit $failed
