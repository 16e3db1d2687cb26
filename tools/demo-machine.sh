# Sourced inside the sandbox (after sandbox.sh): turns a Wine prefix into a small demo machine on which every
# part of the tool has something to work on, without ever touching this machine's own files.
#
#   qg_demo_machine PREFIX STANDINS_DIR
#
# PREFIX is an existing prefix whose wineserver is not running (drive letters are read when it starts);
# STANDINS_DIR holds the built stand-ins (diskpart.exe, findstr.exe). Afterwards:
#   C:            the prefix's drive_c, with a five-line Windows XP boot.ini (read-only, hidden, system)
#   D:, E:, F:    folders under PREFIX/demo-drives holding a few folders and Ghost images (*.gho); the images
#                 are sparse files of a plausible size, so they take no room
#   C:\Quenvarghost\  the tool's folder (the caller copies the program there) with the stand-ins beside it:
#                 the partition probe's script runs in that folder
#   PREFIX/demo-machine.env  the environment of the demo disk, for `.` before starting Windows programs: one
#                 disk with a primary partition and an extended one holding three logical drives, so the
#                 partition tool counts four partitions (C: to F:) and the first partition has a letter.
#
# The drives and folders are made once and reused by later runs. Everything that the tool writes to C: (boot
# loader, batch file, Ghost, floppy image, boot.bak) is removed again and boot.ini is put back as it was, so
# every run starts on the same machine.

qg_demo_folder='C:\Quenvarghost'

qg_demo_machine() {
  demo_prefix=$1 demo_standins=$2
  demo_c=$demo_prefix/drive_c
  demo_drives=$demo_prefix/demo-drives

  if [ ! -f "$demo_drives/.complete" ]; then
    rm -rf "$demo_drives"
    for dir in d/Backup/2015-07 d/Software/Drivers d/.recycle e/Ghost e/Ghost/old f/Ghost f/Images/Office; do
      mkdir -p "$demo_drives/$dir"
    done
    # name:size in bytes (sizes as the image details show them: bytes / 1,024,000 MB)
    for image in d/Backup/2015-07/SYS_C.gho:1742807040 e/Ghost/G_WinXP.gho:1587609600 \
                 e/Ghost/old/WinXP_SP2.GHO:1203499008 f/Ghost/G_WinXP.gho:1615462400 \
                 f/Images/Office/Office2003.gho:649216000 d/.recycle/deleted.gho:1024; do
      truncate -s "${image#*:}" "$demo_drives/${image%%:*}"
    done
    printf 'Intel chipset driver 9.1\r\n' > "$demo_drives/d/Software/Drivers/readme.txt"
    printf 'not an image\r\n' > "$demo_drives/e/Ghost/notes.txt"
    touch "$demo_drives/.complete"
  fi
  for letter in d e f; do
    rm -f "$demo_prefix/dosdevices/$letter:"
    ln -s "$demo_drives/$letter" "$demo_prefix/dosdevices/$letter:"
  done

  # C: as a Windows XP machine boots it; what an earlier run installed goes away.
  for f in grldr grldr.bak ghost.bat ghost.exe Qelo.img boot.bak fqs.bat; do
    rm -f "$demo_c/$f" "$demo_c/$(printf '%s' "$f" | tr 'A-Z' 'a-z')"
  done
  rm -f "$demo_c/boot.ini"
  printf '%s\r\n' '[boot loader]' 'timeout=30' 'default=multi(0)disk(0)rdisk(0)partition(1)\WINDOWS' \
    '[operating systems]' \
    'multi(0)disk(0)rdisk(0)partition(1)\WINDOWS="Microsoft Windows XP Professional" /noexecute=optin /fastdetect' \
    > "$demo_c/boot.ini"

  mkdir -p "$demo_c/Quenvarghost"
  for tool in diskpart findstr; do
    rm -f "$demo_c/Quenvarghost/$tool.exe"
    cp "$demo_standins/$tool.exe" "$demo_c/Quenvarghost/"
  done
  if [ -n "${QG_WINE_USER:-}" ]; then
    chown -R "$QG_WINE_USER" "$demo_drives" "$demo_c/Quenvarghost" "$demo_c/boot.ini"
  fi
  # Wine keeps hidden and system in an extended attribute and read-only as the file mode.
  python3 -c 'import os, sys; os.setxattr(sys.argv[1], "user.DOSATTRIB", b"0x6")' "$demo_c/boot.ini"
  chmod 0444 "$demo_c/boot.ini"

  printf 'export QG_DISKPART_DISKS=1 QG_DISKPART_PARTITIONS=5\n' > "$demo_prefix/demo-machine.env"
}
