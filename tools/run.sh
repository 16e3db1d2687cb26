#!/bin/sh
# The run command: installs what is missing, builds, and starts the tool in a sandbox Wine prefix (never
# on this machine's own files). Without a display it takes screenshots and prints where they are.
set -eu
. "$(dirname "$0")/setup.sh"
qg_install_missing
qg_configure_and_build
qg_in_sandbox "$qg_repo/tools/sandbox-run.sh"
