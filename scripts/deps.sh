# Installs the Debian packages that building, running and testing need.
# Sourced by the other scripts.
quillon_packages=(
  cmake g++ make git clang-format
  qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev libqt5svg5-dev libqt5svg5
  fonts-dejavu-core xdg-utils python3 python3-pyvisa
  desktop-file-utils appstream dpkg-dev file xvfb xauth
  clang libclang-rt-14-dev
  lintian help2man
  libtirpc-dev rpcsvc-proto rpcbind python3-pyvisa-py
)

quillon_install_deps() {
  local missing=()
  for p in "${quillon_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}
