# Starts the tool inside the sandbox on the demo machine of demo-machine.sh (prefix $QG_PREFIX_ROOT/demo,
# made once and reused). With a display (and 32-bit programs running natively) the window opens there and the
# command returns when the tool ends; otherwise the tool runs under Xvfb, is driven through a search and two
# one-key runs (restore, then back-up) with xdotool, and screenshots go to $QG_BUILD_DIR/screenshots. Either
# way the tool's windows are in a Wine virtual desktop of 800x600, with title bars and frames as on Windows.
# The restart is never asked for: the restart prompt is left with Esc (restore) and its quit button (back-up),
# and the reminder that the tool then shows (the boot set is still in place) is answered with its 确定. Headless,
# it checks what each run leaves on C: and that every screenshot was taken, and exits non-zero when a step
# did not go as it should; the test command runs it so (the ctest test demo_run_command).
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

# The tool's windows and controls are found by what they show (tools/demo/window_finder.cpp, run in the tool's
# virtual desktop), and the demo clicks and types there as a user would. Places are in the desktop's
# coordinates: the desktop is one X window, and a click goes to a place inside it.
qg_wine reg add 'HKCU\Software\Wine\AppDefaults\window_finder.exe\Explorer' /v Desktop /d Quenvarghost.exe /f \
  >/dev/null 2>&1
desk=$(xdotool search --name '^Quenvarghost.exe - Wine desktop$' 2>/dev/null | head -n 1)
finder() { qg_wine "$build/tools/window_finder.exe" "$@" 2>/dev/null | tr -d '\r'; }
# shown: the kinds of the tool's visible windows (main, restart-prompt, undo-prompt, file-dialog, message), the
# one in front first; place KIND: "X Y WIDTH HEIGHT" of the window of that kind.
shown() { finder windows Quenvarghost.exe | awk '{print $1}'; }
place() { finder windows Quenvarghost.exe | awk -v k="$1" '$1 == k {print $2, $3, $4, $5; exit}'; }
# wait_for SECONDS KIND...: waits until a window of one of the kinds shows, and prints that kind.
wait_for() {
  until=$(( $(date +%s) + $1 )); shift
  while [ "$(date +%s)" -lt "$until" ]; do
    now=$(shown)
    for k in "$@"; do printf '%s\n' "$now" | grep -qx "$k" && { echo "$k"; return 0; }; done
    sleep 0.5
  done
  return 1
}
# wait_gone SECONDS KIND: waits until no window of that kind shows.
wait_gone() {
  until=$(( $(date +%s) + $1 ))
  while [ "$(date +%s)" -lt "$until" ]; do
    shown | grep -qx "$2" || return 0
    sleep 0.5
  done
  return 1
}
click_at() { xdotool mousemove --window "$desk" "$1" "$2" click 1; }
# click CAPTION: a click on the control with that caption in the window in front.
click() {
  at=$(finder control Quenvarghost.exe "$1") || { say "no control $1 to click"; failed=1; return 1; }
  # shellcheck disable=SC2086
  click_at $at
}
# key KIND KEY: a click on the window's title bar gives it the keyboard, then the key.
key() {
  set -- "$(place "$1")" "$2"
  [ -n "$1" ] || return 1
  # shellcheck disable=SC2086
  set -- $1 "$2"
  click_at $(( $1 + $3 / 2 )) $(( $2 + 8 ))
  xdotool key "$5"
}
# What the display and the prefix show when something did not come.
diagnose() {
  import -display "$DISPLAY" -window root "$shots/demo-failed.png" 2>/dev/null
  say "the screen is in $shots/demo-failed.png; Windows processes:"
  ps -eo args | grep -i '\.exe' | grep -v grep | sed 's/^/    /'
}
# shot KIND NAME: the window of that kind, frame and title bar included, cut out of the screen; the whole screen
# when its place cannot be had.
shot() {
  geometry=""
  at=$(place "$1")
  origin=$(xwininfo -id "$desk" 2>/dev/null | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    END {print x, y}')
  if [ -n "$at" ] && [ -n "$origin" ]; then
    # shellcheck disable=SC2086
    set -- "$1" "$2" $at $origin
    geometry="$5x$6+$(( $3 + $7 ))+$(( $4 + $8 ))"
  fi
  import -display "$DISPLAY" -window root ${geometry:+-crop "$geometry" +repage} "$shots/$2.png"
  say "screenshot $shots/$2.png"
}
# run_to_prompt RUN: the key Y on the main window, then the restart prompt; a message that comes instead is
# shown and the run counts as failed. True when the prompt came.
run_to_prompt() {
  key main y
  case $(wait_for 60 restart-prompt message) in
    restart-prompt) sleep 2; return 0 ;;
    message)
      sleep 1
      shot message demo-run-message
      say "$1 ended with a message instead of the restart prompt (the screenshot shows it)"
      show_c ;;
    *) say "no restart prompt after $1"; diagnose ;;
  esac
  failed=1
  return 1
}
# choose_in_dialog PATH: 打开1 (whatever its caption), then PATH typed into the file dialog's name box.
choose_in_dialog() {
  click "$1" || return 1
  wait_for 60 file-dialog >/dev/null || { say "the file dialog did not open"; diagnose; return 1; }
  sleep 1
  key file-dialog End
  for _ in $(seq 24); do xdotool key BackSpace; done
  xdotool type --delay 30 "$2"
  xdotool key Return
  wait_gone 30 file-dialog || { say "the file dialog did not close"; return 1; }
}
show_c() {
  say "C:\\ now holds: $(cd "$prefix/drive_c" && ls -d grldr ghost.bat ghost.exe Qelo.img boot.bak 2>/dev/null | tr '\n' ' ')"
  [ -f "$prefix/drive_c/ghost.bat" ] && say "C:\\ghost.bat: $(tr '\r\n' '  ' < "$prefix/drive_c/ghost.bat")"
  say 'C:\boot.ini:'
  sed 's/\r$//; s/^/    /' "$prefix/drive_c/boot.ini"
  [ -z "$(tail -c 1 "$prefix/drive_c/boot.ini")" ] || echo  # a last line without its line end
}

backup_target='E:\Ghost\Demo_backup.gho'
# What each run must leave on C: (the demo machine's disk numbers C: to F: as partitions 1 to 4, as the system
# places them): the batch file's two lines, and the boot menu with the boot loader as its default entry.
menu_after_run='[boot loader]\r\ntimeout=2\r\ndefault=C:\\grldr\r\n[operating systems]\r\n'\
'multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS="Microsoft Windows XP Professional" /noexecute=optin /fastdetect\r\n'\
'\r\nC:\\grldr=Drelvok'
restore_batch='Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1  -sure -rb\r\nrestart'
backup_batch='Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\Demo_backup.gho -sure -fro -rb -z1\r\nrestart'
# expect_on_c FILE CONTENT: the file on C: holds exactly CONTENT (printf escapes: \r, \n, \\).
expect_on_c() {
  if ! printf "$2" | cmp -s - "$prefix/drive_c/$1"; then
    failed=1
    say "C:\\$1 is not what the run must write; expected:"
    printf "$2" | sed 's/\r$//; s/^/    /'
    echo
  fi
}
rm -f "$prefix/demo-drives/e/Ghost/Demo_backup.gho"  # the placeholder that an earlier demo's back-up left
say "starting the tool"
qg_wine 'C:\Quenvarghost\Quenvarghost.exe' >/dev/null 2>&1 &
app=$!
# Start-up runs the partition probe (the command interpreter, the partition tool and findstr) first.
if wait_for 300 main >/dev/null; then
  say "main window up"
  sleep 2
  shot main demo-simple
  key main a                        # the key A switches the layout
  sleep 2
  shot main demo-advanced
  click '搜索(&S)'
  wait_for 60 main >/dev/null
  until=$(( $(date +%s) + 60 ))     # the search ends when its button reads 搜索 again
  while ! finder control Quenvarghost.exe '搜索(&S)' >/dev/null && [ "$(date +%s)" -lt "$until" ]; do sleep 0.5; done
  at=$(finder found-image Quenvarghost.exe 0) && click_at $at  # the first image found: details and path
  sleep 2
  shot main demo-search

  # Restore: the image is chosen in the open dialog (打开1), then the one-key run (key Y). The button is
  # clicked rather than its key F pressed: the key would also reach the list of images, which has the focus,
  # and its type-ahead would pick the first image on F: after the dialog.
  choose_in_dialog '打开(&F)' 'E:\Ghost\G_WinXP.gho' || failed=1
  back=""
  if run_to_prompt "the restore run"; then
    shot restart-prompt demo-restart-prompt
    say "restore run done"
    show_c
    expect_on_c ghost.bat "$restore_batch"
    expect_on_c boot.ini "$menu_after_run"
    key restart-prompt Escape       # back to the main window, nothing restarted
    if ! wait_gone 30 restart-prompt; then
      say "Esc did not close the restart prompt"; failed=1; diagnose
    elif wait_for 30 main >/dev/null; then
      back=yes
    else
      say "the main window did not come back after the restart prompt"; failed=1; diagnose
    fi
  fi

  # Back-up: the radio box, a new image name in the save dialog (打开1 is now 保存(&S)), then the run.
  if [ -n "$back" ]; then
    sleep 1
    click '备份系统(&B)'
    sleep 1
    choose_in_dialog '保存(&S)' "$backup_target" || failed=1
      if run_to_prompt "the back-up run"; then
      shot restart-prompt demo-restart-prompt-backup
      say "back-up run done"
      show_c
      expect_on_c ghost.bat "$backup_batch"
      expect_on_c boot.ini "$menu_after_run"
      click '取消(&N)'               # quit without restarting
      wait_gone 60 restart-prompt || { say "the restart prompt did not close"; failed=1; diagnose; }
      # Quitting with the boot set in place: the tool reminds that the run is still pending and how to cancel it.
      if wait_for 60 message >/dev/null; then
        sleep 1
        shot message demo-quit-reminder
        key message Return          # its 确定
        wait_gone 30 message || { say "the quit reminder did not close"; failed=1; diagnose; }
      else
        say "no reminder after quitting with the boot set in place"; failed=1; diagnose
      fi
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
for name in simple advanced search restart-prompt restart-prompt-backup quit-reminder; do
  [ -s "$shots/demo-$name.png" ] || { say "no screenshot demo-$name.png"; failed=1; }
done
[ "$failed" = 0 ] && say "every step went as it should" || say "a step failed (above)"
qg_stop_all
exit $failed
