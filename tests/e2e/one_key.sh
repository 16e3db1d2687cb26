#!/bin/sh
# one_key.sh TOOLS_DIR TEST_PROGRAM PROGRAM SEAMS_PROGRAM PRODUCTS_PROGRAM STAND_IN...: the one-key run end to end
# in a prefix of its own, cloned from the test template. The program (as Quenvarghost.exe), the same program
# built with its test seams (as QuenvarghostSeams.exe) and built over outside products of the tests (as
# Quenvarghost-products.exe) and the stand-ins (diskpart, findstr) go to C:\qg; D:, E: and F: are
# folders of the test (symlinks in dosdevices, made before the prefix's wineserver starts), and G: to L: too for
# the cases of a machine with ten lettered partitions, run in a second start of the prefix.
#
# C: is a small file system of its own (a loop-mounted 48 MiB ext4 image, which keeps hidden and system like
# the prefix's own folder) so that a test can fill it; the prefix's folders of C: are symlinks on it. Where the
# image cannot be mounted (no mount rights), C: stays the prefix's folder and the test that fills C: skips.
set -eu
tools=$1 test=$2 program=$3 seams_program=$4 products_program=$5
shift 5
: "${QG_TEST_TEMPLATE:?}" "${QG_PREFIX_ROOT:?}"
. "$tools/sandbox.sh"
prefix=$QG_PREFIX_ROOT/one-key-test
small_c=$prefix/small-c
run() { WINEPREFIX=$prefix "$tools/wine-run" "$@"; }
cleanup() {
  run wineserver -k >/dev/null 2>&1 || true
  if mountpoint -q "$small_c" 2>/dev/null; then umount "$small_c"; fi
  rm -rf "$prefix"
}
trap cleanup EXIT

qg_clone_prefix "$QG_TEST_TEMPLATE" "$prefix"
mkdir -p "$small_c"
truncate -s 48M "$prefix/small-c.img"
if mkfs.ext4 -q -F -m 0 "$prefix/small-c.img" >/dev/null 2>&1 &&
   mount -o loop "$prefix/small-c.img" "$small_c" 2>/dev/null; then
  rmdir "$small_c/lost+found"
  for e in "$prefix"/drive_c/*; do ln -s "$e" "$small_c/"; done
  rm -f "$prefix/dosdevices/c:"
  ln -s "$small_c" "$prefix/dosdevices/c:"
else
  echo "C: stays the prefix's folder: a small file system could not be mounted"
  rmdir "$small_c"
  small_c=$prefix/drive_c
fi
mkdir -p "$small_c/qg"
cp "$program" "$small_c/qg/Quenvarghost.exe"
cp "$seams_program" "$small_c/qg/QuenvarghostSeams.exe"
cp "$products_program" "$small_c/qg/Quenvarghost-products.exe"
cp "$@" "$small_c/qg/"
drives=$prefix/drives
mkdir -p "$drives/d" "$drives/e" "$drives/f"
for d in d e f; do
  rm -f "$prefix/dosdevices/$d:"
  ln -s "$drives/$d" "$prefix/dosdevices/$d:"
done
# An image in a folder with a Chinese name, made as a user's files are: the name in UTF-8 on the disk. The programs
# see it as E:\备份 (GBK) only where the locale zh_CN.UTF-8 is generated.
mkdir -p "$drives/e/备份"
printf 'IMAGE IN A FOLDER WITH A CHINESE NAME' >"$drives/e/备份/sys.gho"
[ -n "${QG_WINE_USER:-}" ] && chown "$QG_WINE_USER" "$small_c" && chown -R "$QG_WINE_USER" "$small_c/qg" "$drives"

start_prefix() {
  run wineserver -p >/dev/null 2>&1
  run wineboot >/dev/null 2>&1
  (export WINEPREFIX=$prefix; qg_wait_for_desktop)
}
start_prefix
status=0
# QG_E2E_FILTER (a gtest filter, e.g. 'OneKey.Undo*') runs only those cases, for work on one of them.
filter=${QG_E2E_FILTER:-*}
run "$test" --gtest_filter="$filter-OneKeyTenDrives.*" || status=1
case "$filter" in '*'|*TenDrives*) ;; *) exit $status ;; esac

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
