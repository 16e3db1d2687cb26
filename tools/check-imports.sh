#!/bin/sh
# check-imports.sh FILE...: fails when a program or DLL imports a DLL that Windows XP SP3 does not ship, or
# one of the functions in post-xp-imports.txt.
here=$(cd "$(dirname "$0")" && pwd)
status=0
for f in "$@"; do
  imports=$(i686-w64-mingw32-objdump -p "$f" | awk '/^\tDLL Name:/ {dll=$3; print "DLL " dll; next} /^\t[0-9a-f]+\t/ && dll {print "FN " $NF}')
  [ -n "$imports" ] || { echo "$f: no import table read"; status=1; continue; }
  for dll in $(echo "$imports" | awk '$1=="DLL"{print $2}'); do
    grep -qixF "$dll" "$here/xp-dlls.txt" || { echo "$f: imports $dll, which Windows XP does not ship"; status=1; }
  done
  bad=$(echo "$imports" | awk '$1=="FN"{print $2}' | grep -xF -f "$here/post-xp-imports.txt")
  [ -z "$bad" ] || { echo "$f: imports functions Windows XP lacks:" $bad; status=1; }
done
[ $status = 0 ] && echo "imports fit Windows XP: $*"
exit $status
