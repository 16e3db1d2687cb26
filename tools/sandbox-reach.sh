#!/bin/sh
# sandbox-reach.sh USER FOLDER... -- COMMAND...: runs COMMAND with every FOLDER reachable for USER, the ordinary
# user that Wine runs as, when the scripts run as root. Run it in a mount namespace of its own (unshare -m): a
# folder on the way that USER may not enter (a clone in /root, mode 700) is covered there by an empty tmpfs that
# everyone may enter, and each FOLDER is mounted back at its own path. Nothing on disk changes, and outside the
# namespace /root stays as it was; inside it the rest of the covered folder is out of sight. The test machine
# does the same at its start (tools/vm/guest-init.sh).
set -eu
# Folder names are taken as words: a name with a blank is not supported.
user=$1
shift
group=$(id -g "$user")
enters() { setpriv --reuid="$user" --regid="$group" --clear-groups test -x "$1"; }

# The first folder on the way to $1 that the user may not enter, or nothing.
blocked_on_the_way() {
  dir=""
  for part in $(printf '%s' "$1" | tr '/' ' '); do
    dir=$dir/$part
    [ -d "$dir" ] || return 0
    if ! enters "$dir"; then printf '%s\n' "$dir"; return 0; fi
  done
}

stash=$(mktemp -d /tmp/qg-reach.XXXXXX)
covers="" kept=""
while [ "$1" != -- ]; do
  folder=${1%/}
  shift
  blocked=$(blocked_on_the_way "$folder")
  [ -n "$blocked" ] || continue
  [ "$blocked" != "$folder" ] || { echo "sandbox: the user $user may not enter $folder itself" >&2; exit 1; }
  inside=""
  for k in $kept; do case "$folder/" in "$k"/*) inside=yes ;; esac; done
  [ -z "$inside" ] || continue  # it comes back with the folder that holds it
  kept="$kept $folder"
  case " $covers " in *" $blocked "*) ;; *) covers="$covers $blocked" ;; esac
done
shift
n=0
for folder in $kept; do
  n=$((n + 1))
  mkdir "$stash/$n"
  mount --bind "$folder" "$stash/$n"
done
for blocked in $covers; do mount -t tmpfs -o mode=0755 tmpfs "$blocked"; done
n=0
for folder in $kept; do
  n=$((n + 1))
  mkdir -p "$folder"
  mount --bind "$stash/$n" "$folder"
done
[ -z "$kept" ] || echo "sandbox: $user reaches$kept through a view of its own (a tmpfs over$covers)"
exec "$@"
