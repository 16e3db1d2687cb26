#!/bin/sh
# First process of the test machine. The root is the host's own file system (read-only over 9p); the project
# folder is mounted read-write at its host path, Wine prefixes live on the machine's own disk at /mnt.
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mkdir -p /dev/pts /dev/shm 2>/dev/null
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
for d in /tmp /run /var/tmp /var/lib/xkb; do mount -t tmpfs tmpfs "$d"; done
# Windows programs run as an ordinary user, straight from the build folder: a project folder below a folder
# that others cannot enter (a clone in /root) is reached through a tmpfs laid over that folder (its other
# contents are of no use here). A project folder under /tmp and the like needs its mount point on the tmpfs.
dir=""
for part in $(echo "$QG_WORK" | tr '/' ' '); do
  dir=$dir/$part
  [ "$dir" = "$QG_WORK" ] && break
  if [ -d "$dir" ] && ! setpriv --reuid=nobody --regid=nogroup --clear-groups test -x "$dir"; then
    mount -t tmpfs -o mode=0755 tmpfs "$dir"
    break
  fi
done
mkdir -p "$QG_WORK" 2>/dev/null
mount -t 9p -o trans=virtio,version=9p2000.L,msize=524288,cache=loose work "$QG_WORK"
modprobe ext4 2>/dev/null
mount /dev/vda /mnt
ip link set lo up 2>/dev/null
mkdir -p /tmp/home
export HOME=/tmp/home
cd "$QG_WORK"
CLICOLOR=0 sh "$QG_WORK/build-vm/command.sh" </dev/null >"$QG_WORK/build-vm/output.log" 2>&1
echo $? > "$QG_WORK/build-vm/exit-code"
cd /
sync
umount /mnt 2>/dev/null
umount "$QG_WORK" 2>/dev/null
busybox poweroff -f
