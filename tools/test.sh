#!/bin/sh
# The test command: installs what is missing, builds, and runs every test under Wine in a throwaway
# prefix. Prints ctest's summary and exits non-zero when a test fails.
set -eu
. "$(dirname "$0")/setup.sh"
qg_install_missing
qg_configure_and_build
set +e
qg_in_sandbox "$qg_repo/tools/sandbox-tests.sh"
