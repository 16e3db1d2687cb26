#!/bin/sh
# The partition list on drive layouts of its own: clones the test template into a prefix of this test, maps
# drive letters (symlinks in dosdevices; the wineserver restarts after every change) and runs the main window
# test's drive case in each layout.
# usage: app_drives_test.sh REPO MAIN_WINDOW_TEST_EXE
set -u
repo=$1 exe=$2
. "$repo/tools/sandbox.sh"
qg_wine() { "$repo/tools/wine-run" "$@"; }
prefix=$QG_PREFIX_ROOT/app-drives
qg_clone_prefix "${QG_TEST_TEMPLATE:?}" "$prefix"
mkdir -p "$prefix/drives/d" "$prefix/drives/e"
# A folder in the probe script's place makes the start-up's partition probe fail at once: this test is about
# the partition list only.
mkdir -p "$prefix/drive_c/fqs.bat"
[ -n "${QG_WINE_USER:-}" ] && chown "$QG_WINE_USER" "$prefix/drive_c/fqs.bat"
[ -n "${QG_WINE_USER:-}" ] && chown -R "$QG_WINE_USER" "$prefix/drives"
failed=0

# layout EXPECTED_LETTERS EXPECTED_DRIVE_TEXT [letter:target]...
# (QG_EXPECT_LAST_FIGURES, when set: the used, free and total figures of the last listed drive, as shown)
layout() {
  expect=$1 last=$2
  shift 2
  # The drive letters change only while no wineserver of the prefix runs: stop it and wait until it is gone.
  WINEPREFIX=$prefix qg_wine wineserver -k >/dev/null 2>&1
  WINEPREFIX=$prefix qg_wine wineserver -w >/dev/null 2>&1
  for l in d e f g; do rm -f "$prefix/dosdevices/$l:"; done
  for m in "$@"; do ln -s "${m#*=}" "$prefix/dosdevices/${m%%=*}"; done
  (export WINEPREFIX=$prefix QG_EXPECT_PARTITIONS=$expect QG_EXPECT_DRIVE_TEXT=$last \
          QG_EXPECT_LAST_FIGURES="${QG_EXPECT_LAST_FIGURES:-}"
   qg_wine wineserver -p >/dev/null 2>&1
   qg_wine wineboot >/dev/null 2>&1
   qg_wait_for_desktop
   qg_wine "$exe" --gtest_filter=MainWindowTest.DrivesOfThisPrefix --gtest_brief=1) || failed=1
  echo "layout $*: expected $expect, last drive $last"
}

# E: of 2,000,000 MB where the file system can be mounted (an empty tmpfs of that size takes no memory): its
# figures show their first six digits, 200000.
big=$prefix/drives/big
mkdir -p "$big"
if mount -t tmpfs -o size=2000000m,mode=0777 tmpfs "$big" 2>/dev/null; then
  QG_EXPECT_LAST_FIGURES="0 200000 200000"
  layout CDE E d:="$prefix/drives/d" e:="$big"
  QG_EXPECT_LAST_FIGURES=
else
  echo "no drive of 2,000,000 MB: mounting a file system needs root"
  layout CDE E d:="$prefix/drives/d" e:="$prefix/drives/e"
fi
layout C C e:="$prefix/drives/e"                             # E: without D:: only C:
layout C D d:=/sys/kernel e:="$prefix/drives/e"              # D: has no free space: the list ends before it

WINEPREFIX=$prefix qg_wine wineserver -k >/dev/null 2>&1
WINEPREFIX=$prefix qg_wine wineserver -w >/dev/null 2>&1
mountpoint -q "$big" && { umount "$big" || umount -l "$big"; }
rm -rf "$prefix"
exit $failed
