#!/bin/sh
# run.sh COMMAND... : runs a shell command inside the test machine and exits with its status.
#
# The test machine is a small virtual machine with a kernel that runs 32-bit programs (which 32-bit Wine
# needs); this host's kernel may refuse them. Its root is this host's root, read-only, so everything
# installed here is there too; the project folder is shared read-write at the same path. Its disk
# (/var/cache/quenvarghost-vm/wine-*.img, one per checkout, mounted at /mnt) keeps the Wine prefix
# template between runs.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
cache=/var/cache/quenvarghost-vm
mkdir -p "$cache" "$repo/build-vm"

kver=$(ls /lib/modules | sort -V | tail -n 1)
kernel=/boot/vmlinuz-$kver
[ -f "$kernel" ] || { echo "no kernel for the test machine in /boot" >&2; exit 2; }
initrd=$cache/initramfs-$kver.cpio.gz
[ -f "$initrd" ] || "$here/make-initramfs.sh" "$kver" "$initrd"
# One disk per checkout, so that several checkouts can run machines at once; one machine per disk.
disk=$cache/wine-$(printf '%s' "$repo" | md5sum | cut -c1-12).img
exec 9>"$disk.lock"
flock 9
if [ ! -f "$disk" ]; then
  truncate -s 16G "$disk.new"
  mkfs.ext4 -q -F "$disk.new"
  mv "$disk.new" "$disk"
fi

printf '%s\n' "$*" > "$repo/build-vm/command.sh"
rm -f "$repo/build-vm/exit-code"
: > "$repo/build-vm/output.log"
# The machine's console (firmware and kernel messages) goes to console.log; the command's own output is
# shown as it is written.
qemu-system-x86_64 -accel tcg,thread=multi -cpu max,-smap,-pku -smp "$(nproc)" -m "${QG_VM_MEMORY:-3G}" \
  -kernel "$kernel" -initrd "$initrd" \
  -append "console=ttyS0 quiet loglevel=3 panic=-1 QG_GUEST_INIT=$here/guest-init.sh QG_WORK=$repo" \
  -display none -serial file:"$repo/build-vm/console.log" -no-reboot -nic none \
  -virtfs local,path=/,mount_tag=hostroot,security_model=passthrough,readonly=on,multidevs=remap,id=hostroot \
  -virtfs local,path="$repo",mount_tag=work,security_model=passthrough,id=work \
  -drive file="$disk",if=virtio,format=raw,cache=unsafe </dev/null &
vm=$!
tail -n +1 -f --pid=$vm "$repo/build-vm/output.log"
wait $vm || true
[ -f "$repo/build-vm/exit-code" ] || { echo "the test machine ended without a result" >&2; exit 3; }
exit "$(cat "$repo/build-vm/exit-code")"
