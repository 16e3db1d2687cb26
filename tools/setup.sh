# Sourced by the run and test commands: installs what is missing on a Debian 12 machine and builds.
# Needs root for apt-get (it is run as root on CI).

qg_repo=$(cd "$(dirname "$0")/.." && pwd)
qg_build=${QG_BUILD_DIR:-$qg_repo/build}

# fonts-wine: Wine's own fonts (Marlett draws the caption buttons); fonts-arphic-gbsn00lp: the sandbox's
# stand-in for the Windows XP Chinese UI font (tools/sandbox-fonts.reg).
qg_packages="cmake ninja-build g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  mingw-w64-i686-dev googletest wine wine32:i386 xvfb xdotool x11-utils imagemagick fonts-wqy-zenhei
  fonts-wine fonts-arphic-gbsn00lp
  qemu-system-x86 linux-image-amd64 busybox-static cpio e2fsprogs mtools dosfstools python3 locales"

qg_install_missing() {
  qg_install_packages && qg_generate_locale
}

# Windows programs run with LC_ALL=zh_CN.UTF-8 (tools/wine-run): code page 936 for their texts. Wine gives them
# that code page even where the locale is not generated, but then cannot translate the names of files: a
# folder 备份 reaches them as other bytes. The locale is generated once.
qg_generate_locale() {
  locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' && return 0
  echo "generating the locale zh_CN.UTF-8"
  if [ "$(id -u)" != 0 ]; then echo "run as root to generate the locale zh_CN.UTF-8" >&2; return 1; fi
  grep -qx 'zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
}

qg_install_packages() {
  missing=""
  for p in $qg_packages; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed' || missing="$missing $p"
  done
  [ -z "$missing" ] && return 0
  echo "installing:$missing"
  if [ "$(id -u)" != 0 ]; then echo "run as root to install the missing packages" >&2; return 1; fi
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  # A mirror caught syncing can fail to hand over a list (seen: the security archive's i386 list). The install
  # then goes on with the lists that came; when the two architectures' versions no longer pair up without the
  # missing list, it takes the release's own archive alone, where they do.
  apt-get update -qq || { sleep 10; apt-get update -qq; } ||
    echo "some package lists could not be fetched; going on with those that were" >&2
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing >/dev/null || {
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "trying again from the $release archive alone" >&2
    apt-get install -y -qq --no-install-recommends -t "$release" $missing >/dev/null
  }
}

qg_configure_and_build() {
  if [ ! -f "$qg_build/build.ninja" ]; then
    cmake -S "$qg_repo" -B "$qg_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$qg_repo/cmake/toolchain-i686-mingw.cmake" ${QG_CMAKE_ARGS:-} >/dev/null
  fi
  cmake --build "$qg_build"
}

# True when this kernel runs 32-bit programs itself (32-bit Wine needs that); otherwise the sandbox runs in
# the small test machine of tools/vm.
qg_native_32bit() {
  [ -z "${QG_FORCE_VM:-}" ] || return 1
  # A binfmt emulator would make the probe below pass without running 32-bit code natively.
  grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386 && return 1
  /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# The settings that the sandbox scripts take from the caller. Both branches of qg_in_sandbox pass exactly
# these (QG_BUILD_DIR is the build folder, QG_PREFIX_ROOT where the branch keeps its Wine prefixes, QG_WHERE
# the line that says where the programs run); tests/sandbox_settings_test.sh fails when a sandbox script
# reads one that is not here.
qg_sandbox_settings="QG_BUILD_DIR QG_PREFIX_ROOT QG_WHERE QG_CTEST_ARGS QG_BENCH_ROUNDS QG_BENCH_SEARCH_ROUNDS
  QG_BENCH_SIZES QG_BENCH_ONLY"

# qg_sandbox_assignments: the settings as VAR='value' words for env, quoted for the shell.
qg_sandbox_assignments() {
  for v in $qg_sandbox_settings; do
    eval "val=\${$v:-}"
    printf "%s='%s' " "$v" "$(printf '%s' "$val" | sed "s/'/'\\\\''/g")"
  done
}

# qg_sandbox_direct SCRIPT ARGS... and qg_sandbox_vm SCRIPT ARGS...: the two branches of qg_in_sandbox.
# Prefixes live in a folder of this checkout's own, so that several checkouts can run at once.
# Run as root, the sandbox runs Windows programs as an ordinary user (tools/sandbox.sh), who must reach the
# checkout and the build folder: where a folder on the way is closed to that user (a clone in /root), the
# sandbox runs in a mount namespace of its own that opens the way (tools/sandbox-reach.sh); nothing on disk
# changes.
qg_sandbox_direct() {
  QG_BUILD_DIR=$qg_build QG_WHERE="directly (this machine's kernel runs 32-bit programs)"
  QG_PREFIX_ROOT=${QG_PREFIX_ROOT:-/var/cache/quenvarghost-vm/prefixes-$(printf '%s' "$qg_repo" | md5sum | cut -c1-12)}
  echo "sandbox: runs $QG_WHERE"
  reach=""
  if [ "$(id -u)" = 0 ]; then
    reach="unshare -m --propagation private sh \"$qg_repo/tools/sandbox-reach.sh\" ${QG_WINE_USER:-nobody} \"$qg_repo\" \"$qg_build\" --"
  fi
  eval "env $(qg_sandbox_assignments) $reach sh \"\$@\""
}
qg_sandbox_vm() {
  QG_BUILD_DIR=$qg_build QG_PREFIX_ROOT=/mnt
  QG_WHERE="in the test machine, emulated (this machine's kernel refuses 32-bit programs, or QG_FORCE_VM is set)"
  echo "sandbox: runs $QG_WHERE"
  "${QG_VM_RUNNER:-$qg_repo/tools/vm/run.sh}" "env $(qg_sandbox_assignments) sh $*"
}

# qg_in_sandbox SCRIPT ARGS...: runs a script of tools/ inside the sandbox (directly or in the test machine).
qg_in_sandbox() {
  if qg_native_32bit; then qg_sandbox_direct "$@"; else qg_sandbox_vm "$@"; fi
}
