# Sourced inside the sandbox: a throwaway Wine prefix cloned from a cached template, a display, and one
# wineserver kept alive for the whole run. Every Wine command of the run uses this prefix.
#
# QG_PREFIX_ROOT  where the template and the run prefixes live (a local disk)

: "${QG_PREFIX_ROOT:?}"
export WINEDEBUG=-all
# Windows programs get code page 936 from tools/wine-run (LC_ALL=zh_CN.UTF-8 on their command line only);
# the scripts and their tools run in the C locale, which is what they had while that locale, not generated on
# such a machine, was set for everything (and made bash warn at every start).
export LC_ALL=C
qg_template_version=5

# Wine runs as an ordinary user even when the scripts run as root: as root, Wine lets programs replace
# read-only files, which Windows refuses. tools/wine-run drops to this user for every Windows program.
if [ "$(id -u)" = 0 ]; then
  export QG_WINE_USER=${QG_WINE_USER:-nobody}
  export HOME=/tmp/qg-home-$QG_WINE_USER
  mkdir -p "$HOME" && chown "$QG_WINE_USER" "$HOME"
fi
# This folder, found from the first tools/ script that sources this file and passed on to test scripts.
: "${QG_TOOLS_DIR:=$(cd "$(dirname "$0")" && pwd)}"
export QG_TOOLS_DIR
qg_wine() { "$QG_TOOLS_DIR/wine-run" "$@"; }

qg_template() {
  tpl=$QG_PREFIX_ROOT/template-$(wine --version | tr -c 'A-Za-z0-9.\n' _)-$qg_template_version
  if [ ! -d "$tpl" ]; then
    rm -rf "$tpl.new"
    mkdir -p "$tpl.new"
    [ -n "${QG_WINE_USER:-}" ] && chown "$QG_WINE_USER" "$tpl.new"
    WINEPREFIX=$tpl.new qg_wine wineboot -i >/dev/null 2>&1
    # Wine's own fonts (Marlett draws the caption buttons, the others are the system's bitmap and dialog
    # fonts): Debian's Wine 8 never looks in the folder where fonts-wine puts them, only in C:\windows\Fonts.
    cp /usr/share/wine/fonts/* "$tpl.new/drive_c/windows/Fonts/"
    # The stand-in for the Windows XP UI font (tools/ui_font.py) and the names that reach it
    # (tools/sandbox-fonts.reg). regedit takes UTF-16.
    python3 "$QG_TOOLS_DIR/ui_font.py" /usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf \
      "$tpl.new/drive_c/windows/Fonts/gbsn00lp.ttf"
    iconv -f UTF-8 -t UTF-16 "$QG_TOOLS_DIR/sandbox-fonts.reg" >"$tpl.new/drive_c/fonts.reg"
    WINEPREFIX=$tpl.new qg_wine regedit /S 'C:\fonts.reg' >/dev/null 2>&1
    # Z: (the whole file system of the machine that runs the tests) as a network drive. As a fixed drive, the
    # emulated test machine answers for it as a partition of the first disk (its root is a shared folder there),
    # and the tool counts it among the lettered partitions of the system's disk; no machine the tool is for has
    # such a drive.
    WINEPREFIX=$tpl.new qg_wine reg add 'HKLM\Software\Wine\Drives' /v z: /d network /f >/dev/null 2>&1
    WINEPREFIX=$tpl.new qg_wine wineserver -w >/dev/null 2>&1
    rm -f "$tpl.new/drive_c/fonts.reg"
    mv "$tpl.new" "$tpl"
  fi
  echo "$tpl"
}

# qg_clone_prefix TEMPLATE NEW: a private copy of a stopped prefix. The system folders are hard-linked
# (never written in place; replace a file there with rm first), the registry and the rest are copied.
qg_clone_prefix() {
  src=$1; dst=$2
  rm -rf "$dst"
  mkdir -p "$dst/drive_c/windows"
  [ -n "${QG_WINE_USER:-}" ] && chown "$QG_WINE_USER" "$dst" "$dst/drive_c" "$dst/drive_c/windows"
  (cd "$src" && for e in * .[!.]*; do [ -e "$e" ] && [ "$e" != drive_c ] && cp -a "$e" "$dst/"; done
   cd drive_c && for e in *; do [ "$e" != windows ] && cp -a "$e" "$dst/drive_c/"; done
   cd windows && for e in *; do
     case "$e" in system32|syswow64) cp -al "$e" "$dst/drive_c/windows/" ;; *) cp -a "$e" "$dst/drive_c/windows/" ;; esac
   done)
}

qg_start_display() {
  qg_xvfb_pid=""
  if [ -z "${DISPLAY:-}" ]; then
    # Xvfb picks a free display itself and writes its number once it accepts clients, so that runs of several
    # checkouts at once never share a display.
    said=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$said" >/dev/null 2>&1 &
    qg_xvfb_pid=$!
    # Under a loaded emulated machine the server can take many seconds to answer.
    for _ in $(seq 240); do [ -s "$said" ] && break; sleep 0.5; done
    n=$(tr -dc 0-9 <"$said")
    rm -f "$said"
    if [ -n "$n" ]; then export DISPLAY=":$n"; else echo "the virtual display did not come up" >&2; fi
  fi
}

# The wineserver and Wine's own services must not hold the caller's output open: start them with every
# standard stream on /dev/null.
qg_start_wine() {
  export WINEPREFIX=$1
  qg_wine wineserver -p >/dev/null 2>&1
  qg_wine wineboot >/dev/null 2>&1
  qg_wait_for_desktop
}

# Under Wine the desktop process starts with the first program that needs it and ends after the last one; a
# program whose first window comes while it is not ready yet (Wine waits 10 s, too little under emulation)
# cannot create any window. Keep one program on the desktop until the server stops, and wait until a probe
# program can create a window.
qg_wait_for_desktop() {
  probe=${QG_BUILD_DIR:-}/tests/desktop_probe.exe
  [ -f "$probe" ] || return 0
  qg_wine "$probe" --hold >/dev/null 2>&1 &
  # What the probe says goes to a file: the desktop process that it may start would hold a pipe open.
  said=$(mktemp)
  for _ in $(seq 20); do
    qg_wine "$probe" >/dev/null 2>"$said" && { rm -f "$said"; return 0; }
    sleep 1
  done
  echo "the Wine desktop did not come up: $(tail -n 1 "$said")" >&2
  rm -f "$said"
}

# qg_virtual_desktop PROGRAM [WIDTHxHEIGHT]: in the running prefix, the program (and every program it starts)
# shows its windows in a Wine virtual desktop of that size (800x600 by default), where Wine draws title bars,
# frames and caption buttons as Windows does; without a window manager a window is otherwise only its client
# area. The desktop is one X window named "PROGRAM - Wine desktop"; each top-level window is an X window
# inside it that includes the frame. As with the default desktop (qg_wait_for_desktop), a probe program keeps
# the desktop up until the server stops, so that no program waits for it to start.
qg_virtual_desktop() {
  vd_size=${2:-800x600}
  qg_wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$1\\Explorer" /v Desktop /d "$1" /f >/dev/null 2>&1
  qg_wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v "$1" /d "$vd_size" /f >/dev/null 2>&1
  probe=${QG_BUILD_DIR:-}/tests/desktop_probe.exe
  [ -f "$probe" ] || return 0
  qg_wine wine explorer "/desktop=$1,$vd_size" "$probe" --hold >/dev/null 2>&1 &
  for _ in $(seq 120); do
    xdotool search --name "^$1 - Wine desktop\$" >/dev/null 2>&1 && return 0
    sleep 0.5
  done
  echo "the virtual desktop for $1 did not come up" >&2
}

qg_stop_all() {
  [ -n "${WINEPREFIX:-}" ] && qg_wine wineserver -k >/dev/null 2>&1
  [ -n "${qg_xvfb_pid:-}" ] && kill "$qg_xvfb_pid" 2>/dev/null
  return 0
}
