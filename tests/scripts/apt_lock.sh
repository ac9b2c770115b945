#!/usr/bin/env bash
# need_packages of scripts/common.sh against a stand-in apt-get that finds the package lists
# locked: it waits and carries on once the lock is free, and gives up after its bound with a
# message that says why. Usage: apt_lock.sh path/to/common.sh
set -euo pipefail
common=$1
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT
mkdir "$fake/bin"
# Nothing is installed; sudo runs its command as it is.
printf '#!/bin/sh\nexit 1\n' >"$fake/bin/dpkg-query"
printf '#!/bin/sh\nexec "$@"\n' >"$fake/bin/sudo"
# apt-get is refused for the lock as many times as $fake/refusals says, then succeeds.
cat >"$fake/bin/apt-get" <<'APT'
#!/bin/sh
echo "$*" >>"$FAKE/calls"
left=$(cat "$FAKE/refusals")
if [ "$left" != 0 ]; then
    [ "$left" = always ] || echo $((left - 1)) >"$FAKE/refusals"
    echo "E: Could not get lock /var/lib/apt/lists/lock. It is held by process 4242 (apt-get)" >&2
    exit 100
fi
APT
chmod +x "$fake/bin/"*
export FAKE=$fake PATH="$fake/bin:$PATH"

fail() { echo "FAIL: $*"; exit 1; }

# Two refusals, then the lock is free: the packages are installed.
echo 2 >"$fake/refusals"
output=$(APT_LOCK_WAIT=60 APT_LOCK_PAUSE=0.1 bash -c 'source "$1"; need_packages some-package' _ "$common" 2>&1) \
    || fail "need_packages failed while the lock came free: $output"
grep -q "Waiting up to 60 s for another apt" <<<"$output" || fail "no word of the wait: $output"
grep -q "install .*some-package" "$fake/calls" || fail "nothing installed: $(cat "$fake/calls")"
grep -q -- "-o DPkg::Lock::Timeout=60 install" "$fake/calls" || fail "dpkg's lock is not waited for"

# The lock stays held: need_packages gives up after its bound, saying why.
echo always >"$fake/refusals"
status=0
output=$(APT_LOCK_WAIT=1 APT_LOCK_PAUSE=0.1 bash -c 'source "$1"; need_packages some-package' _ "$common" 2>&1) \
    || status=$?
[ "$status" = 100 ] || fail "exit status $status with the lock held, not apt's 100"
grep -q "Another package manager held apt's lock for 1 s" <<<"$output" || fail "no reason given: $output"
echo "need_packages waits for apt's lock, then gives up with a reason"
