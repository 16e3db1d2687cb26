#!/bin/sh
# make-initramfs.sh KERNEL_VERSION OUT.cpio.gz
# A tiny initramfs for the test machine: busybox plus the modules that mount the host's root over 9p.
set -eu
kver=$1; out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/proc" "$work/sys" "$work/dev" "$work/newroot" "$work/lib/modules"
cp /bin/busybox "$work/bin/busybox"
for m in virtio_pci 9pnet_virtio 9p virtio_blk ext4; do
  modprobe --show-depends -S "$kver" "$m" | awk '$1 == "insmod" {print $2}'
done | awk '!seen[$0]++' > "$work/order"
while read -r ko; do cp "$ko" "$work/lib/modules/"; echo "/lib/modules/$(basename "$ko")"; done < "$work/order" > "$work/modules"
cat > "$work/init" <<'INIT'
#!/bin/busybox sh
/bin/busybox mount -t proc proc /proc
/bin/busybox mount -t devtmpfs dev /dev
while read -r m; do /bin/busybox insmod "$m" 2>/dev/null; done < /modules
/bin/busybox mount -t 9p -o ro,trans=virtio,version=9p2000.L,msize=524288,cache=loose hostroot /newroot || {
  echo "initramfs: cannot mount the host root"; /bin/busybox poweroff -f; }
/bin/busybox umount /proc
/bin/busybox mount --move /dev /newroot/dev
exec /bin/busybox switch_root /newroot "$QG_GUEST_INIT"
INIT
chmod +x "$work/init"
(cd "$work" && find . | cpio -o -H newc --quiet | gzip -1) > "$out"
