#!/bin/sh
# The benchmark command (not a test; CI never runs it): builds the tool and the benchmark programs, then
# measures inside the sandbox, side by side in one run, and prints the ratios:
#   - the image search through its button handler against a plain FindFirstFileA walk of the same generated
#     folder tree, at 1,000 and 20,000 folders;
#   - process start to main window shown against an empty Win32 program: the tool itself, its partition probe
#     running against the stand-in partition tool, and the tool built with its partition probe taken out; and
#     the tool without its probe against its main window's windows created bare (the same classes, styles and
#     places, nothing else);
#   - the one-key run's boot set writing through write_file against one CreateFileA and WriteFile of the same
#     bytes per file.
# QG_BENCH_ROUNDS sets the rounds of each comparison (default 5; the 20,000-folder search runs once unless
# QG_BENCH_SEARCH_ROUNDS sets the search's rounds). QG_BENCH_SIZES picks the tree sizes; QG_BENCH_ONLY=startup,
# write or search runs that one alone.
set -eu
. "$(dirname "$0")/setup.sh"
qg_install_missing
qg_configure_and_build
cmake --build "$qg_build" --target bench_programs
qg_in_sandbox "$qg_repo/tools/sandbox-bench.sh"
