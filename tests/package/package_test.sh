#!/usr/bin/env bash
# The package as a user's machine meets it, without ever installing it here:
#   package_test.sh <step> <build folder> <work folder>
# "build" makes the .deb once and unpacks it; every other step reads what it left.
set -euo pipefail
step="$1" build="$2" work="$3"
root="$work/root"
app_id=tr.levanta.Levanta

fail() { echo "FAIL: $*" >&2; exit 1; }

deb() {
  local debs=("$work"/deb/levanta_*.deb)
  [ -f "${debs[0]}" ] || fail "no package in $work/deb: did the build step run?"
  echo "${debs[0]}"
}

# The folders a run may touch: its home, working folder, temporary and runtime folders, the
# copied program's folder and the unpacked package.
watched() { echo "$work/home" "$work/cwd" "$work/tmp" "$work/runtime" "$work/own" "$root"; }

# Starts a program with a home of its own and stops it once its table exists, after the
# start sequence had a moment to finish.
run_program() {
  local exe="$1" table="$2" home="$work/home"
  (
    cd "$work/cwd"
    exec env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/data" \
      XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" XDG_STATE_HOME="$home/state" \
      XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work/tmp" LEVANTA_INSTALL_ROOT="$root" \
      QT_QPA_PLATFORM=offscreen LANG="${LANG:-C}" LC_ALL="${LC_ALL:-C}" "$exe"
  ) >"$work/program.log" 2>&1 &
  local pid=$!
  for _ in $(seq 1 300); do
    [ -f "$table" ] && break
    kill -0 "$pid" 2>/dev/null || { cat "$work/program.log" >&2; fail "$exe ended early"; }
    sleep 0.1
  done
  sleep 1
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ -f "$table" ] || { cat "$work/program.log" >&2; fail "no $table after 30 s"; }
}

# Every path a run added in the watched folders must lie inside the expected one (or be a
# folder on the way to it).
only_in() {
  local expected="${1%/}" path stray=""
  # shellcheck disable=SC2046
  while IFS= read -r path; do
    [[ "$path" == "$expected" || "$path" == "$expected/"* || "$expected" == "$path/"* ]] \
      || stray+="$path"$'\n'
  done < <(comm -13 "$work/before" <(find $(watched) -mindepth 1 2>/dev/null | sort))
  [ -z "$stray" ] || fail "files made outside $expected:"$'\n'"$stray"
}

remember() {
  # shellcheck disable=SC2046
  find $(watched) -mindepth 1 2>/dev/null | sort >"$work/before"
}

case "$step" in
build)
  prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
  [ "$prefix" = /usr ] || fail "the package is built for /usr; configure with -DCMAKE_INSTALL_PREFIX=/usr (not $prefix)"
  rm -rf "$work"
  mkdir -p "$work/deb" "$work/tmp"
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; fail "cpack"; }
  dpkg-deb -x "$(deb)" "$root"
  ls -l "$(deb)"
  ;;
contents)
  for f in usr/bin/levanta usr/share/applications/$app_id.desktop \
    usr/share/metainfo/$app_id.metainfo.xml usr/share/icons/hicolor/scalable/apps/levanta.svg \
    usr/share/levanta/pages/bilgi.html usr/share/doc/levanta/copyright \
    usr/share/doc/levanta/changelog.gz usr/share/man/man1/levanta.1.gz; do
    [ -f "$root/$f" ] || fail "$f is not in the package"
  done
  for size in 16 22 24 32 48 64 128 256; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/levanta.png"
    [ -f "$png" ] || fail "no $size px icon"
    file "$png" | grep -q "$size x $size" || fail "$png is not $size px: $(file -b "$png")"
  done
  file "$root/usr/bin/levanta" | grep -q 'ELF.*, stripped' || fail "the program is not stripped"
  control=$(dpkg-deb -f "$(deb)" Depends)
  for dep in qt6-qpa-plugins qt6-translations-l10n fonts-liberation2 poppler-utils libqt6widgets6 libsqlite3-0; do
    [[ ", $control," == *", $dep"[\ ,]* ]] || fail "Depends lacks $dep: $control"
  done
  dpkg-deb -f "$(deb)" Description | sed -n 2p | grep -q . || fail "no extended description"
  ;;
lintian)
  lintian --fail-on error,warning --tag-display-limit 0 "$(deb)"
  ;;
apt)
  # Resolves the dependencies only: --simulate changes nothing on this machine.
  apt-get install --simulate --no-install-recommends "$(deb)" >"$work/apt.log" 2>&1 \
    || { cat "$work/apt.log"; fail "apt-get cannot resolve the dependencies"; }
  grep -q '^Inst levanta ' "$work/apt.log" || { cat "$work/apt.log"; fail "apt-get would not install levanta"; }
  ;;
desktop)
  desktop-file-validate "$root/usr/share/applications/$app_id.desktop"
  appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml"
  ;;
folders)
  data="$work/home/data/levanta"
  rm -rf "$work/home" "$work/cwd" "$work/own" "$work/runtime" "$root/usr/bin/levanta.portable"
  mkdir -p "$work/home" "$work/cwd" "$work/tmp" "$work/runtime" "$work/own"
  chmod 700 "$work/runtime"
  cp "$root/usr/bin/levanta" "$work/own/"

  # Run from its install prefix: its files go to the data folder, made on this start.
  remember
  run_program "$root/usr/bin/levanta" "$data/fatura.DB"
  [ -f "$data/fatura_ayar.ini" ] || fail "no settings file in $data"
  [ "$(stat -c %a "$data")" = 700 ] || fail "$data is not the user's alone: $(stat -c %a "$data")"
  only_in "$data"

  # The same program copied into a folder of its own keeps its files there.
  remember
  run_program "$work/own/levanta" "$work/own/fatura.DB"
  only_in "$work/own"

  # So does the installed program when its own folder says it is a portable one.
  touch "$root/usr/bin/levanta.portable"
  remember
  run_program "$root/usr/bin/levanta" "$root/usr/bin/fatura.DB"
  only_in "$root/usr/bin"
  rm -f "$root"/usr/bin/fatura* "$root/usr/bin/levanta.portable"
  ;;
clean)
  rm -rf "$work"
  ;;
*)
  fail "unknown step $step"
  ;;
esac
