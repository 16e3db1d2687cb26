# The benchmarks of tools/bench.sh, inside the sandbox, in a prefix of their own ($QG_PREFIX_ROOT/bench,
# kept with its generated folder trees for later runs).
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/sandbox.sh"
build=${QG_BUILD_DIR:?}
rounds=${QG_BENCH_ROUNDS:-5}
mkdir -p "$QG_PREFIX_ROOT"
tpl=$(qg_template)
prefix=$QG_PREFIX_ROOT/bench
[ -d "$prefix" ] || qg_clone_prefix "$tpl" "$prefix"
WINEPREFIX=$prefix qg_wine wineserver -k >/dev/null 2>&1

# Folder trees: N folders, ten below each, an image in every tenth folder and another file in every seventh.
trees=$prefix/bench-trees
# QG_BENCH_ONLY names the benchmarks to run (any of: startup write search); all of them by default.
only=${QG_BENCH_ONLY:-startup write search}
wanted() { case " $only " in *" $1 "*) return 0 ;; esac; return 1; }
sizes=${QG_BENCH_SIZES:-1000 20000}
wanted search || sizes=
for n in $sizes; do
  [ -f "$trees/$n.complete" ] && continue
  rm -rf "$trees/$n"
  python3 - "$trees/$n" "$n" <<'PY'
import os, sys
root, n = sys.argv[1], int(sys.argv[2])
paths = {0: root}
for i in range(1, n + 1):
    paths[i] = os.path.join(paths[(i - 1) // 10], "folder%05d" % i)
    os.makedirs(paths[i])
    if i % 10 == 0:
        open(os.path.join(paths[i], "image%05d.gho" % i), "wb").close()
    if i % 7 == 0:
        open(os.path.join(paths[i], "notes%05d.txt" % i), "wb").close()
PY
  touch "$trees/$n.complete"
done
mkdir -p "$trees/empty" "$trees/1000"  # D: exists for the other benchmarks too
[ -n "${QG_WINE_USER:-}" ] && chown -R "$QG_WINE_USER" "$trees"
# D: reaches the tree of the moment through a link that is switched between runs (the drive stays mapped);
# E: and F: are empty.
ln -sfn "$trees/1000" "$trees/current"
for l in d e f; do rm -f "$prefix/dosdevices/$l:"; done
ln -s "$trees/current" "$prefix/dosdevices/d:"
ln -s "$trees/empty" "$prefix/dosdevices/e:"
ln -s "$trees/empty" "$prefix/dosdevices/f:"

# The programs in C:\bench, with the stand-ins of the partition tool and findstr beside the tool: its probe
# runs against them.
folder=$prefix/drive_c/bench
rm -rf "$folder" "$prefix/drive_c/fqs.bat"
mkdir -p "$folder"
cp "$build/bench/bench.exe" "$build/bench/empty_window.exe" "$build/bench/startup_without_probe.exe" \
  "$build/bench/bare_windows.exe" "$build/standins/diskpart.exe" "$build/standins/findstr.exe" \
  "$build/app/Quenvarghost.exe" "$folder/"
[ -n "${QG_WINE_USER:-}" ] && chown -R "$QG_WINE_USER" "$folder"

qg_start_display
qg_start_wine "$prefix"
# The measured programs run as the demo shows them: in a virtual desktop, with title bars and frames drawn
# (the programs that bench.exe starts join its desktop).
qg_virtual_desktop bench.exe 800x600
cd "$folder"
status=0
echo "benchmarks on $(uname -m), $(nproc) processors, $(date -u '+%Y-%m-%d %H:%M UTC')"
# Ratios measured directly and in the emulated test machine differ: every table says where it was made.
echo "the programs run ${QG_WHERE:-(not said)}"
if wanted startup; then
  qg_wine 'C:\bench\bench.exe' startup 'C:\bench\Quenvarghost.exe' 'C:\bench\startup_without_probe.exe' \
    'C:\bench\empty_window.exe' 'C:\bench\bare_windows.exe' "$rounds" || status=1
fi
wanted write && { qg_wine 'C:\bench\bench.exe' write "$rounds" || status=1; }
for n in $sizes; do
  ln -sfn "$trees/$n" "$trees/current"
  # One round of a large tree takes minutes on an emulated machine: one unless QG_BENCH_SEARCH_ROUNDS says.
  r=${QG_BENCH_SEARCH_ROUNDS:-$rounds}
  [ "$n" -gt 1000 ] && [ -z "${QG_BENCH_SEARCH_ROUNDS:-}" ] && r=1
  echo "image search, $n folders:"
  qg_wine 'C:\bench\bench.exe' search "$r" || status=1
done
qg_stop_all
exit $status
