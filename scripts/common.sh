# Shared by scripts/run, scripts/test and scripts/bench: installs what is
# missing from Debian's packages, then configures and builds.
set -euo pipefail
cd "$(dirname "$0")/.."

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# ensure_packages PKG...: installs the packages that are not installed yet.
ensure_packages() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
    fi
}

# help2man makes the manual page from the program's own --help; qt6-multimedia-dev
# brings audio capture and playback (its PulseAudio backend needs no extra package).
# qt6-httpserver-dev and qt6-websockets-dev serve the panel to browsers (--web), openssl makes its certificate.
BUILD_PACKAGES=(build-essential cmake pkg-config qt6-base-dev qt6-multimedia-dev qt6-httpserver-dev qt6-websockets-dev openssl libgl-dev fonts-dejavu-core help2man)

# build DIR CMAKE_ARGS...: configures (once) and builds into DIR.
build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}
