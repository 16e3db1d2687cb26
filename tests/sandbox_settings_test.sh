#!/bin/sh
# Both branches of qg_in_sandbox (directly, and in the test machine) hand every sandbox script each setting
# that the scripts read from their caller. Runs on any machine: the shell that would run the script is a
# stand-in that records its environment, and the test machine is a stand-in that runs its command here.
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
stub=$(mktemp -d)
trap 'rm -rf "$stub"' EXIT
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }

cat >"$stub/sh" <<EOF
#!/bin/dash
env >"$stub/seen"
EOF
cat >"$stub/vm-run" <<'EOF'
#!/bin/dash
exec /bin/dash -c "$*"
EOF
chmod +x "$stub/sh" "$stub/vm-run"

# What the scripts read from outside: every QG_ name they mention, less those they set themselves.
scripts="$repo/tools/sandbox.sh $repo/tools/sandbox-tests.sh $repo/tools/sandbox-run.sh \
  $repo/tools/sandbox-bench.sh $repo/tools/demo-machine.sh"
# shellcheck disable=SC2086
mentioned=$(grep -oh 'QG_[A-Z0-9_]*' $scripts | sort -u)
# shellcheck disable=SC2086
own=$(grep -ohE '(^|[ "{])QG_[A-Z0-9_]+:?=' $scripts | grep -o 'QG_[A-Z0-9_]*' | sort -u)
needed=$(printf '%s\n' "$mentioned" | grep -vxF "$own")
# shellcheck disable=SC2086
required=$(grep -ohE '\$\{QG_[A-Z0-9_]+:\?' $scripts | grep -o 'QG_[A-Z0-9_]*' | sort -u)
[ -n "$needed" ] || fail "found no setting that the sandbox scripts read"

check_branch() {
  branch=$1
  rm -f "$stub/seen"
  (
    . "$repo/tools/setup.sh"
    PATH=$stub:$PATH QG_VM_RUNNER=$stub/vm-run "qg_sandbox_$branch" "$repo/tools/sandbox-tests.sh" >/dev/null
  )
  [ -f "$stub/seen" ] || { fail "$branch: the sandbox script was not started"; return; }
  for v in $needed; do
    grep -q "^$v=" "$stub/seen" || fail "$branch: $v is not passed"
  done
  for v in $required; do
    grep -q "^$v=." "$stub/seen" || fail "$branch: $v is empty"
  done
  # A value with blanks and quotes arrives as it was given.
  grep -qx "QG_CTEST_ARGS=-R 'a b'" "$stub/seen" || fail "$branch: QG_CTEST_ARGS changed on the way"
}

# Nothing of the caller's environment may stand in for the list.
for v in $needed; do unset "$v"; done
export QG_CTEST_ARGS="-R 'a b'" QG_BENCH_ROUNDS=3
check_branch direct
check_branch vm

[ "$fails" = 0 ] && echo "sandbox settings: every setting reaches both branches ($(echo $needed | wc -w) settings)"
exit "$((fails != 0))"
