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
export QG_TEST_PREFIX="$prefix" QG_TEST_TEMPLATE="$tpl"
cd "$build" && ctest --output-on-failure ${QG_CTEST_ARGS:-} </dev/null
rc=$?
qg_stop_all
exit $rc
