#!/usr/bin/env bash
# Installs what LEVANTA needs on Debian 12, skipping apt entirely when all is present.
#   deps.sh        what building, packaging and running the program need
#   deps.sh test   that and the test tools, oracles and servers the suite starts privately
set -euo pipefail
packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n qt6-qpa-plugins libcups2 fonts-liberation2
  qt6-l10n-tools  # lrelease, at build time
  libsqlite3-dev libuemf-dev pxlib-dev libcups2-dev
  libpq-dev  # the invoice table on a PostgreSQL server
  libqrencode-dev  # the karekod
  poppler-utils  # pdftoppm draws a form chosen as PDF, at run time
  librsvg2-bin  # the icon's sizes, at build time
)
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev
  clang clang-format libclang-rt-14-dev
  qpdf locales
  libreoffice-draw-nogui  # converts our EMF pages headless in the interop test
  cups cups-client cups-filters  # the tests' private scheduler
  postgresql-15  # the tests' private server: initdb, postgres, pg_ctl, no cluster of its own
  desktop-file-utils appstream lintian  # the package's checks
  libxml2-utils default-jre-headless libsaxonhe-java  # checking e-Arşiv XML
  zbar-tools  # reading a karekod back
)
[ "${1:-}" = test ] && packages+=("${test_packages[@]}")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  # Nothing installed here starts a service, for as long as the install lasts; a policy the
  # machine already has is kept.
  if [ ! -e /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' > /usr/sbin/policy-rc.d
    chmod 755 /usr/sbin/policy-rc.d
    trap 'rm -f /usr/sbin/policy-rc.d' EXIT
  fi
  apt-get update -qq
  # PostgreSQL makes a cluster on its first install unless its common part says not to, and
  # that part must be in place first to be told.
  if [[ " ${missing[*]} " == *" postgresql-"* ]]; then
    apt-get install -y -qq --no-install-recommends postgresql-common
    conf=/etc/postgresql-common/createcluster.conf
    if grep -q '^ *create_main_cluster' "$conf"; then
      sed -i 's/^ *create_main_cluster.*/create_main_cluster = false/' "$conf"
    else
      echo 'create_main_cluster = false' >> "$conf"
    fi
  fi
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The suite runs once under a Turkish locale, which a fresh Debian box has not generated.
if [ "${1:-}" = test ] && ! locale -a 2>/dev/null | grep -qi '^tr_TR\.utf-\?8$'; then
  sed -i 's/^# *\(tr_TR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^tr_TR.UTF-8 UTF-8' /etc/locale.gen || echo 'tr_TR.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
