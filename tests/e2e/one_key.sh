#!/bin/sh
# one_key.sh TOOLS_DIR TEST_PROGRAM PROGRAM STAND_IN...: the one-key run end to end in a prefix of its own,
# cloned from the test template. The program and the stand-ins (attrib, diskpart, findstr) go to C:\qg; D:, E:
# and F: are folders of the test (symlinks in dosdevices, made before the prefix's wineserver starts), and G: to
# L: too for the cases of a machine with ten lettered partitions, run in a second start of the prefix.
set -eu
tools=$1 test=$2 program=$3
shift 3
: "${QG_TEST_TEMPLATE:?}" "${QG_PREFIX_ROOT:?}"
. "$tools/sandbox.sh"
prefix=$QG_PREFIX_ROOT/one-key-test
run() { WINEPREFIX=$prefix "$tools/wine-run" "$@"; }
cleanup() { run wineserver -k >/dev/null 2>&1 || true; rm -rf "$prefix"; }
trap cleanup EXIT

qg_clone_prefix "$QG_TEST_TEMPLATE" "$prefix"
mkdir -p "$prefix/drive_c/qg"
cp "$program" "$@" "$prefix/drive_c/qg/"
drives=$prefix/drives
mkdir -p "$drives/d" "$drives/e" "$drives/f"
for d in d e f; do
  rm -f "$prefix/dosdevices/$d:"
  ln -s "$drives/$d" "$prefix/dosdevices/$d:"
done
[ -n "${QG_WINE_USER:-}" ] && chown -R "$QG_WINE_USER" "$prefix/drive_c/qg" "$drives"

start_prefix() {
  run wineserver -p >/dev/null 2>&1
  run wineboot >/dev/null 2>&1
  (export WINEPREFIX=$prefix; qg_wait_for_desktop)
}
start_prefix
status=0
run "$test" --gtest_filter='-OneKeyTenDrives.*' || status=1

# The machine with ten lettered partitions: G: to L: as well. Drive letters change only while no wineserver of
# the prefix runs.
run wineserver -k >/dev/null 2>&1 || true
run wineserver -w >/dev/null 2>&1 || true
for d in g h i j k l; do
  mkdir -p "$drives/$d"
  rm -f "$prefix/dosdevices/$d:"
  ln -s "$drives/$d" "$prefix/dosdevices/$d:"
done
[ -n "${QG_WINE_USER:-}" ] && chown -R "$QG_WINE_USER" "$drives"
start_prefix
run "$test" --gtest_filter='OneKeyTenDrives.*' || status=1
exit $status
