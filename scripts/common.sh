# Shared by the run and test commands: install what is missing, then build out of tree.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Another apt (unattended upgrades, a CI runner's own update) may hold the package locks: apt
# waits for them this many seconds, then gives up with a message saying so.
apt_lock_wait=${APT_LOCK_WAIT:-600}
apt_lock_pause=${APT_LOCK_PAUSE:-5} # seconds between tries for the lists' lock

# apt-get with the lock waited for. apt waits for dpkg's lock itself; the lock of the package
# lists (apt-get update) is not waited for by every apt, so a refusal for it is tried again.
apt_get() {
    local sudo=() log status deadline=$((SECONDS + apt_lock_wait)) told=
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    log=$(mktemp)
    while :; do
        status=0
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
            apt-get -o DPkg::Lock::Timeout="$apt_lock_wait" "$@" 2>"$log" || status=$?
        [ "$status" -ne 0 ] && grep -q 'Could not get lock' "$log" && [ "$SECONDS" -lt "$deadline" ] \
            || break
        [ -n "$told" ] || echo "Waiting up to $apt_lock_wait s for another apt to finish: $(grep -m1 'Could not get lock' "$log")"
        told=1
        sleep "$apt_lock_pause"
    done
    cat "$log" >&2
    if [ "$status" -ne 0 ] && grep -q 'Could not get lock' "$log"; then
        echo "Another package manager held apt's lock for $apt_lock_wait s; run this again once it" \
             "has finished (APT_LOCK_WAIT=SECONDS waits longer)." >&2
    fi
    rm -f "$log"
    return "$status"
}

# Installs the Debian packages that are not yet installed (through sudo when not root).
need_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    apt_get update -qq
    apt_get install -y -qq --no-install-recommends "${missing[@]}"
}

build_packages=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-tools-dev qt6-l10n-tools
                libzint-dev fonts-wqy-microhei fonts-dejavu-core fonts-freefont-ttf
                fonts-tlwg-loma-otf libxcb1-dev libfreetype-dev libfontconfig-dev zlib1g-dev
                libmicrohttpd-dev fonts-liberation qt6-translations-l10n libpappl-dev pkgconf)

# Configures and builds into the given folder with extra CMake arguments.
build() {
    local dir=$1
    shift
    cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}
