# Installs the Debian packages that building, running and testing need.
# Sourced by the other scripts. QUILLON_QT picks the toolkit: 6 (the default),
# 5 for Qt 5.15, or "both" for the packages of both.
quillon_common_packages=(
  cmake g++ make git clang-format
  fonts-dejavu-core xdg-utils python3 python3-pyvisa
  desktop-file-utils appstream dpkg-dev file xvfb xauth
  clang libclang-rt-14-dev
  lintian help2man bash-completion man-db
  at-spi2-core dbus-daemon
  libtirpc-dev rpcsvc-proto rpcbind python3-pyvisa-py
  lxi-tools avahi-daemon avahi-utils libavahi-client-dev iproute2 util-linux
  chromium chromium-driver python3-selenium
)
quillon_qt6_packages=(
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-svg-dev libqt6svg6
  libqt6sql6-sqlite
)
quillon_qt5_packages=(
  qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev libqt5svg5-dev libqt5svg5
  libqt5sql5-sqlite
)

# The toolkit's major version from QUILLON_QT: 6 unless it is 5.
quillon_qt_major() {
  if [ "${QUILLON_QT:-6}" = 5 ]; then echo 5; else echo 6; fi
}

# A build folder of the chosen toolkit: Qt 6 trees take the plain name, Qt 5
# trees the name with -qt5.
quillon_build_dir() {
  if [ "$(quillon_qt_major)" = 5 ]; then echo "$1-qt5"; else echo "$1"; fi
}

quillon_install_deps() {
  local wanted=("${quillon_common_packages[@]}")
  case "${QUILLON_QT:-6}" in
    6) wanted+=("${quillon_qt6_packages[@]}") ;;
    5) wanted+=("${quillon_qt5_packages[@]}") ;;
    both) wanted+=("${quillon_qt6_packages[@]}" "${quillon_qt5_packages[@]}") ;;
    *) echo "QUILLON_QT is 6, 5 or both, not '$QUILLON_QT'" >&2; return 1 ;;
  esac
  local missing=()
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}
