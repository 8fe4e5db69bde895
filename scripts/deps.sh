#!/usr/bin/env bash
# Installs what LEVANTA needs on Debian 12, skipping apt entirely when all is present.
set -euo pipefail
packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libcups2 fonts-liberation2
  qt6-l10n-tools  # lrelease compiles the engine's Turkish texts at build time
  libsqlite3-dev libuemf-dev zlib1g-dev pxlib-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang clang-format libclang-rt-14-dev
  qpdf poppler-utils locales  # pdftoppm also draws a form chosen as PDF, at run time
  libreoffice-draw-nogui  # converts our EMF pages headless in the interop test
  libcups2-dev cups cups-client cups-filters
  libpq-dev  # the invoice table on a PostgreSQL server
  postgresql-15  # the tests' private server (initdb, postgres, pg_ctl); its own cluster is left alone
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The suite runs once under a Turkish locale, which a fresh Debian box has not generated.
if ! locale -a 2>/dev/null | grep -qi '^tr_TR\.utf-\?8$'; then
  sed -i 's/^# *\(tr_TR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^tr_TR.UTF-8 UTF-8' /etc/locale.gen || echo 'tr_TR.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
