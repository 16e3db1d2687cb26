#!/bin/sh
# search_drives.sh TOOLS_DIR TEST_PROGRAM: runs the image search tests in a prefix of their own, cloned from
# the test template: first without drives D:, E:, F:, then with the three mapped to folders of the test.
# Drive letters are symlinks in dosdevices; the prefix's wineserver is restarted after changing them.
set -eu
tools=$1
program=$2
: "${QG_TEST_TEMPLATE:?}" "${QG_PREFIX_ROOT:?}"
. "$tools/sandbox.sh"
prefix=$QG_PREFIX_ROOT/search-test
run() { WINEPREFIX=$prefix "$tools/wine-run" "$@"; }
cleanup() { run wineserver -k >/dev/null 2>&1 || true; rm -rf "$prefix"; }
trap cleanup EXIT

qg_clone_prefix "$QG_TEST_TEMPLATE" "$prefix"
rm -f "$prefix/dosdevices/d:" "$prefix/dosdevices/e:" "$prefix/dosdevices/f:"
echo image > "$prefix/drive_c/c.gho"
# A folder in the probe script's place makes the window's start-up probe fail at once (the search is tested).
mkdir "$prefix/drive_c/fqs.bat"
drives=$prefix/drives
mkdir -p "$drives/d/a/b" "$drives/d/.hide" "$drives/d/x.gho" "$drives/e/Ghost" "$drives/f/deep/1/2/3" \
         "$drives/e/m/a" "$drives/e/m/b" "$drives/e/hidden"
# e/m: images whose names sort after the folder names beside them; e/hidden is made hidden and system by the
# test; the .ghost file's short name ends in .GHO, the .gho.txt file's does not.
for f in d/a/x.gho d/a/b/y.gho d/.hide/z.gho d/UP.GHO d/x.gho/w.gho d/a/not-an-image.txt e/Ghost/G_WinXP.gho \
         f/deep/1/2/3/f.gho e/m/z.gho e/m/Mixed.GhO e/m/a/i.gho e/m/b/j.gho e/m/old.gho.txt e/m/copy.ghost \
         e/hidden/h.gho; do
  echo image > "$drives/$f"
done
[ -n "${QG_WINE_USER:-}" ] && chown -R "$QG_WINE_USER" "$prefix/drive_c/c.gho" "$prefix/drive_c/fqs.bat" "$drives"

status=0
run wineserver -p >/dev/null 2>&1
run wineboot >/dev/null 2>&1
(export WINEPREFIX=$prefix; qg_wait_for_desktop)
run "$program" --gtest_filter='SearchWithoutDrives.*:Prompts.*' || status=1
run wineserver -k >/dev/null 2>&1 || true
run wineserver -w >/dev/null 2>&1 || true

for d in d e f; do ln -s "$drives/$d" "$prefix/dosdevices/$d:"; done
run wineserver -p >/dev/null 2>&1
run wineboot >/dev/null 2>&1
(export WINEPREFIX=$prefix; qg_wait_for_desktop)
run "$program" --gtest_filter='SearchOnDrives.*' || status=1
exit $status
