# Runs every test of the build inside the sandbox and exits with ctest's status.
set -u
. "$(dirname "$0")/sandbox.sh"
build=${QG_BUILD_DIR:?}
mkdir -p "$QG_PREFIX_ROOT"
tpl=$(qg_template)
prefix=$QG_PREFIX_ROOT/test-run
qg_clone_prefix "$tpl" "$prefix"
qg_start_display
qg_start_wine "$prefix"
# The main window's test takes its screenshots (build/screenshots) of a window with its title bar.
qg_virtual_desktop app_main_window_test.exe 1024x768
export QG_TEST_PREFIX="$prefix" QG_TEST_TEMPLATE="$tpl"
cd "$build" && ctest --output-on-failure ${QG_CTEST_ARGS:-} </dev/null
rc=$?
# The test programs write their screenshots as BMP files; the screenshots folder holds PNG files only.
for shot in screenshots/*.bmp; do
  [ -f "$shot" ] && convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
done
qg_stop_all
exit $rc
