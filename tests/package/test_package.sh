#!/usr/bin/env bash
# Builds the Debian package and checks it as a user would meet it: its metadata and contents list,
# lintian, and the program run from the unpacked package (version, a conversion, the driver library
# loaded from the package's own library folder). What the conversion writes is tested with the
# program's own tests; here it only has to run from where the package puts it.
set -euo pipefail
cd "$(dirname "$0")/../.."

fail() {
  echo "test_package: $*" >&2
  exit 1
}

KORVALE_SKIP_SETUP=1 bash scripts/package.sh

version=$(sed -n 's/^project(korvale VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
arch=$(dpkg --print-architecture)
triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
deb=korvale_${version}_${arch}.deb
[ -f "$deb" ] || fail "$deb was not made"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Metadata: name, version, architecture, the computed and the declared dependencies, scripts.
dpkg-deb --info "$deb" >"$work/info"
[ "$(dpkg-deb -f "$deb" Package)" = korvale ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || fail "architecture"
depends=$(dpkg-deb -f "$deb" Depends)
for dep in fonts-ipafont-gothic fonts-ipafont-mincho qt6-translations-l10n libqt6widgets6 \
  libqcustomplot2.1-qt6 libusb-1.0-0 libc6; do
  grep -Eq "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
grep -q ' postinst ' "$work/info" || fail "no postinst"
grep -q ' postrm ' "$work/info" || fail "no postrm"

# Contents: everything the program needs is there, the header for developers is not.
dpkg-deb --contents "$deb" | awk '{print $6}' >"$work/contents"
for path in ./usr/bin/korvale \
  "./usr/lib/$triplet/korvale/libmdxdrv.so" "./usr/lib/$triplet/korvale/libusbkit.so" \
  ./usr/lib/udev/rules.d/60-mdx4a.rules ./usr/share/applications/korvale.desktop \
  ./usr/share/icons/hicolor/scalable/apps/korvale.svg \
  ./usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/korvale.png \
  ./usr/share/metainfo/org.korvale.korvale.metainfo.xml ./usr/share/man/man1/korvale.1.gz \
  ./usr/share/doc/korvale/README.md ./usr/share/doc/korvale/copyright \
  ./usr/share/doc/korvale/file-formats.md \
  ./usr/share/doc/korvale/changelog.gz ./usr/lib/systemd/user/korvale-record.service \
  ./usr/lib/python3/dist-packages/korvale/__init__.py; do
  grep -qxF "$path" "$work/contents" || fail "missing in the package: $path"
done
! grep -q '^\./usr/include' "$work/contents" || fail "the package holds a header"

# lintian: no errors; its full output is shown.
lintian --display-info "$deb" 2>&1 | grep -v 'running with root privileges' | tee "$work/lintian" || true
! grep -q '^E:' "$work/lintian" || fail "lintian reports errors"

root=$work/root
dpkg-deb -x "$deb" "$root"

# One version everywhere: manual page, AppStream data, program.
zcat "$root/usr/share/man/man1/korvale.1.gz" | grep -q "^\.TH KORVALE 1 .*\"korvale $version\"" ||
  fail "manual page does not show version $version"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/org.korvale.korvale.metainfo.xml" ||
  fail "AppStream data do not show version $version"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.korvale.korvale.metainfo.xml"
grep -qx 'Exec=korvale --demo' "$root/usr/share/applications/korvale.desktop" ||
  fail "the menu entry has no demonstration action"

# The recording service starts the installed program, into ~/korvale-records unless configured,
# sandboxed, and is a unit systemd accepts.
unit=$root/usr/lib/systemd/user/korvale-record.service
execstart="ExecStart=/bin/sh -c 'set -f; exec /usr/bin/korvale --record \"\$\$KORVALE_RECORD_DIR\" "
execstart+="\$\${KORVALE_RECORD_SETTINGS:+--settings \"\$\$KORVALE_RECORD_SETTINGS\"} \$\$KORVALE_RECORD_OPTIONS'"
grep -qxF "$execstart" "$unit" || fail "the recording service does not start /usr/bin/korvale --record"
for line in 'Environment=KORVALE_RECORD_DIR=%h/korvale-records' 'Restart=on-failure' \
  'RestartPreventExitStatus=2' 'StartLimitIntervalSec=600' 'StartLimitBurst=5' \
  'ProtectSystem=strict' 'ReadWritePaths=-%h/korvale-records %h/.local/share/korvale' \
  'PrivateTmp=yes' 'NoNewPrivileges=yes' 'UMask=0077' 'RestrictAddressFamilies=AF_UNIX AF_NETLINK'; do
  grep -qxF "$line" "$unit" || fail "the recording service lacks $line"
done
# The units are reached through /dev/bus/usb: nothing may hide the devices.
! grep -Eq '^(PrivateDevices=yes|DevicePolicy=)' "$unit" || fail "the recording service hides the USB devices"
if command -v systemd-analyze >/dev/null 2>&1; then
  # Checked as a user manager would load it (one of its own, without the manual page installed),
  # starting the unpacked program.
  sed "s|/usr/bin/korvale|$root/usr/bin/korvale|" "$unit" >"$work/korvale-record.service"
  mkdir -p "$work/runtime"
  XDG_RUNTIME_DIR=$work/runtime systemd-analyze verify --user --man=no \
    "$work/korvale-record.service" || fail "systemd-analyze finds faults in the recording service"
  # The exposure score of the sandbox (0 safe .. 10 unsafe), read from the unit file alone, as a
  # user unit; above 3.0 the hardening has been lost.
  XDG_RUNTIME_DIR=$work/runtime systemd-analyze security --offline=yes --user --threshold=30 \
    "$work/korvale-record.service" >"$work/security" 2>&1 ||
    { cat "$work/security"; fail "the recording service's sandbox scores above 3.0"; }
  echo "test_package: recording service $(grep -o 'exposure level.*' "$work/security")"
fi

# The service's command line as its shell runs it: a folder and a settings file with blanks
# each stay one argument, the options are split at blanks; the program writes nowhere in the
# home but where the sandbox lets it.
servicehome="$work/service home"
mkdir -p "$servicehome"
printf '[MeasInfo]\nMflagID0=True\nTimerType=False\nIntervalTM=100\nMeasKind=False\n' \
  >"$servicehome/lab settings.ini"
script=$(sed -n "s|^ExecStart=/bin/sh -c '\(.*\)'\$|\1|p" "$unit")
script=${script//'$$'/'$'}
script=${script//\/usr\/bin\/korvale/$root/usr/bin/korvale}
touch "$work/before-service"
HOME=$servicehome XDG_CONFIG_HOME= XDG_DATA_HOME= QT_QPA_PLATFORM= USBKIT_SIMULATE=demo \
  KORVALE_RECORD_DIR="$servicehome/korvale records" \
  KORVALE_RECORD_SETTINGS="$servicehome/lab settings.ini" KORVALE_RECORD_OPTIONS='--for 2s' \
  timeout 60 /bin/sh -c "$script" 2>"$work/service.log" ||
  { cat "$work/service.log"; fail "the service's command line did not record"; }
ls "$servicehome/korvale records/"*-0001.mx1 >/dev/null 2>&1 ||
  { cat "$work/service.log"; fail "the service's command line wrote no file"; }
outside=$(find "$servicehome" -newer "$work/before-service" ! -type d \
  ! -path "$servicehome/korvale records/*" ! -path "$servicehome/.local/share/korvale/*")
[ -z "$outside" ] || fail "the recorder writes outside the service's writable folders: $outside"

# The unpacked program runs from its folder without a display and with a home of its own.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"
korvale=$root/usr/bin/korvale
# Command-line runs end by themselves; the time limit only keeps a hung run from stalling CI.
run() { timeout 60 "$korvale" "$@"; }

out=$(run --version) || fail "--version failed"
grep -qF "$version" <<<"$out" || fail "--version says '$out', not $version"

# A one-sample own data file: unit 0 of type K at 23.5, the others without values.
printf '\x12\x00%s' '2008/12/25 9:30:15' >"$work/in.mx1"
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00' >>"$work/in.mx1"
printf '\x00\x00\xe8\x03\x00\x00\x00\x00\x00\x00\x04\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00' \
  >>"$work/in.mx1"
printf '\x00\x00\x00\x00\x00\x807@' >>"$work/in.mx1"
for _ in 1 2 3; do printf '\x00\x00\x00\x00\xf0\x69\xf8\xc0' >>"$work/in.mx1"; done
[ "$(stat -c %s "$work/in.mx1")" = 84 ] || fail "test input is not 84 bytes"

run --convert "$work/in.mx1" "$work/out.csv" || fail "--convert to CSV failed"
[ "$(wc -l <"$work/out.csv")" = 16 ] || fail "CSV has not 16 lines"
[ "$(tail -n 1 "$work/out.csv")" = $'23.5,"","",""\r' ] || fail "CSV sample line: $(tail -n 1 "$work/out.csv")"

# The Python reader from the package's folder describes the same file.
out=$(PYTHONPATH=$root/usr/lib/python3/dist-packages PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 \
  -m korvale "$work/in.mx1") || fail "python3 -m korvale failed"
grep -qF 'samples: 1 (' <<<"$out" || fail "python3 -m korvale says: $out"

# A measurement on simulated units loads the driver library from the package's own folder.
USBKIT_SIMULATE=demo LD_DEBUG=files "$korvale" --start 2>"$work/ld" >/dev/null &
pid=$!
loaded="calling init: $root/usr/bin/../lib/$triplet/korvale/libmdxdrv.so"
for _ in $(seq 100); do
  grep -qF "$loaded" "$work/ld" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
running=0
kill -0 "$pid" 2>/dev/null && running=1
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
grep -qF "$loaded" "$work/ld" || fail "the driver library was not loaded from the package's folder"
[ "$running" = 1 ] || fail "korvale --start ended by itself"

echo "test_package: $deb passed"
