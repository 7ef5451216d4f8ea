#!/usr/bin/env bash
# Installs the Debian 12 packages Corvale needs to build, run and test.
# Does nothing when everything is already there.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql qt6-translations-l10n
  # the owner's statistics window draws its charts with Qt Charts
  qt6-charts-dev libqt6opengl6-dev
  libsqlite3-dev sqlite3 mdbtools-dev libqpdf-dev zlib1g-dev
  # printing: what became of a job (libcups); the tests print through a private
  # CUPS scheduler into PDF files
  libcups2-dev cups-daemon cups-client cups-filters
  # catalogue reports as spreadsheets; the tests read them back with openpyxl
  libxlsxwriter-dev python3-openpyxl
  fonts-noto-cjk fonts-arphic-uming fonts-arphic-ukai
  poppler-utils libgl-dev
  xvfb xauth openbox xdotool x11-utils
  # a Chinese input method for the desktop scenarios, on a D-Bus session of its own
  fcitx5 fcitx5-pinyin fcitx5-module-punctuation fcitx5-frontend-qt6 dbus-bin libglib2.0-bin
  # the shop-server store's own link to libpq (its connection's socket), and
  # a private PostgreSQL server for its tests
  libpq-dev postgresql
  clang libclang-rt-14-dev
  # make package: library dependencies, icons, and the checks Debian runs on a
  # package (lintian, with man-db for the manual pages), the menu entry and
  # the software-centre description
  dpkg-dev librsvg2-bin desktop-file-utils appstream lintian man-db
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "These Debian packages are missing and installing them needs root." >&2
    echo "As root, run:" >&2
    echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
