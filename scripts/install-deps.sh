#!/usr/bin/env bash
# Installs every Debian 12 package Moldrin needs to build, run and test. Safe to run again.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-odbc libqt6sql6-psql libqcustomplot-dev
  libsqlite3-dev sqlite3
  unixodbc unixodbc-dev odbcinst libsqliteodbc odbc-postgresql tdsodbc
  postgresql-15 mariadb-server odbc-mariadb
  mdbtools mdbtools-dev libglib2.0-dev
  libfreexl-dev libzip-dev
  libgsl-dev libgmp-dev rapidjson-dev
  python3 python3-xlwt python3-openpyxl python3-xlsxwriter
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang clang-format libclang-rt-14-dev
  xvfb xauth fonts-dejavu-core fonts-noto-core dbus-daemon
  poppler-utils
  help2man librsvg2-bin desktop-file-utils appstream lintian dpkg-dev fakeroot file
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
