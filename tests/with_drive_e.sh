#!/bin/sh
# with_drive_e.sh PROGRAM ARGS...: runs a test program with drive E: mapped to an empty folder of its own in
# the test prefix (the prefix has no E:); the mapping is removed again afterwards.
set -u
link=${QG_TEST_PREFIX:?}/dosdevices/e:
[ -e "$link" ] || [ -L "$link" ] && { echo "the test prefix already has an E:"; exit 1; }
drive=$(mktemp -d /tmp/qgdrive-e.XXXXXX)
chmod 777 "$drive"
ln -s "$drive" "$link"
"$(dirname "$0")/../tools/wine-run" "$@"
status=$?
rm -f "$link"
rm -rf "$drive"
exit $status
