# Installs the Debian packages the build, the tests and the program need, when any is missing.
# Sourced by scripts/run and scripts/test.

ORBIS_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    librtmidi-dev libasound2-dev libhidapi-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    jackd2 libjack-jackd2-dev
    xvfb xauth xdotool fonts-dejavu-core python3 clang-format
)

orbis_install_missing() {
    local missing=()
    local pkg
    for pkg in "${ORBIS_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    # jackd2 asks about realtime priority; answer no without a prompt.
    echo "jackd2 jackd/tweak_rt_limits boolean false" | $sudo debconf-set-selections
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq "${missing[@]}"
}
