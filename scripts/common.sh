# Shared by the run and test commands: install what is missing, then build out of tree.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Installs the Debian packages that are not yet installed (through sudo when not root).
need_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build_packages=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-tools-dev qt6-l10n-tools
                libzint-dev fonts-wqy-microhei fonts-dejavu-core fonts-freefont-ttf
                fonts-tlwg-loma-otf libxcb1-dev libfreetype-dev libfontconfig-dev libpng-dev
                libmicrohttpd-dev)

# Configures and builds into the given folder with extra CMake arguments.
build() {
    local dir=$1
    shift
    cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}
