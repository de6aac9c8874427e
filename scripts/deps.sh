# Installs the Debian packages that are missing: ORBIS_RUN_PACKAGES build and run the
# program (scripts/run), ORBIS_TEST_PACKAGES are needed only by the tests, the benchmarks
# and the checks of scripts/test. Sourced by scripts/run and scripts/test.

ORBIS_RUN_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    librtmidi-dev libasound2-dev libhidapi-dev
    libjack-jackd2-dev liblo-dev libqrencode-dev
    qt6-httpserver-dev qt6-websockets-dev
)

ORBIS_TEST_PACKAGES=(
    libgtest-dev libgmock-dev libbenchmark-dev
    jackd2
    xvfb xauth xdotool fonts-dejavu-core python3 clang-format
    appstream desktop-file-utils shared-mime-info groff-base
    fonts-liberation fonts-dejavu-extra
    clang libclang-rt-14-dev
    chromium chromium-driver python3-selenium python3-liblo
)

# Installs those of the named packages that are not installed yet.
orbis_install_missing() {
    local missing=()
    local pkg
    for pkg in "$@"; do
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
