# Debian packages Talvora needs, and a quick installer that skips what is present.
# Sourced by run.sh and test.sh.

TALVORA_BUILD_PACKAGES=(
    cmake ninja-build g++ pkg-config ccache
    qt6-base-dev qt6-declarative-dev qt6-svg-dev qt6-declarative-dev-tools
    qml6-module-qtquick qml6-module-qtqml qml6-module-qtqml-models
    qml6-module-qtquick-controls qml6-module-qtquick-templates qml6-module-qtquick-layouts
    qml6-module-qtqml-workerscript qml6-module-qtquick-window qml6-module-qtquick-dialogs
    qml6-module-qt-labs-folderlistmodel
    libmpv-dev fonts-manrope libitl-dev
    espeak-ng lame
)

TALVORA_RUN_PACKAGES=(
    xvfb xauth dbus
)

TALVORA_TEST_PACKAGES=(
    qml6-module-qttest xvfb xauth dbus playerctl xdotool imagemagick trayer openbox x11-utils
    curl python3 mpv openssl ca-certificates
    iproute2 desktop-file-utils appstream dpkg-dev
    haskell-status-notifier-item-utils haskell-gtk-sni-tray-utils
    at-spi2-core python3-pyatspi
    clang libclang-rt-14-dev
    libreligion-islam-prayertimes-perl
)

# install_packages NAME... : apt-get install the ones not yet installed (sudo unless root).
install_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
