#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, installs it as a user
# would, runs the installed programs (rptool draws the sheet; broodlog starts
# from its menu entry on a virtual display until its main window shows), then
# removes the package — whatever happened in between.
# Usage: scripts/package_check.sh [build dir]   (run as root; CI runs it)
# Needs the build packages, lintian, xvfb-run and xdotool (scripts/setup.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
cmake -S "$here" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
build=$(cd "$build" && pwd)

SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
work=$(mktemp -d)
installed=0
cleanup() {
  local rc=$?
  if [ "$installed" = 1 ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq broodlog >/dev/null ||
      { echo "package_check: removing broodlog failed" >&2; rc=1; }
  fi
  rm -rf "$work"
  exit $rc
}
trap cleanup EXIT
fail() { echo "package_check: FAIL: $*" >&2; exit 1; }

# The package, made afresh.
rm -f "$build"/broodlog_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/broodlog_*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no broodlog_*.deb"
deb=${debs[0]}
echo "package_check: $(basename "$deb"): Depends: $(dpkg-deb -f "$deb" Depends); Recommends: $(dpkg-deb -f "$deb" Recommends)"

# Debian's own checks: any error or warning fails (informational tags do not).
command -v lintian >/dev/null || fail "lintian is not installed (scripts/setup.sh installs it)"
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
  fail "lintian found faults in $(basename "$deb"):
$(cat "$work/lintian.log")"
echo "package_check: lintian: no errors or warnings"

# Installed as a user would: apt-get pulls in what it depends on.
installed=1
(cd "$(dirname "$deb")" && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "./$(basename "$deb")" >/dev/null) ||
  fail "apt-get install ./$(basename "$deb") failed"

expected="broodlog $(dpkg-deb -f "$deb" Version)"
for program in broodlog rptool; do
  [ -x "/usr/bin/$program" ] || fail "/usr/bin/$program is not installed"
  got=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "/usr/bin/$program" --version) ||
    fail "$program --version failed"
  [ "$got" = "$expected" ] || fail "$program --version says '$got', expected '$expected'"
done
desktop=/usr/share/applications/org.broodlog.broodlog.desktop
[ -f "$desktop" ] || fail "no menu entry $desktop"
[ -f /usr/share/icons/hicolor/scalable/apps/org.broodlog.broodlog.svg ] || fail "no scalable icon"
[ -f /usr/share/metainfo/org.broodlog.broodlog.metainfo.xml ] || fail "no AppStream metadata"
for lang in de fr; do
  [ -f "/usr/share/broodlog/translations/broodlog_$lang.qm" ] || fail "no $lang translation"
done
# The main window's link opens the installed README unless a packager set an address.
[ -f /usr/share/doc/broodlog/README.md ] || fail "no README for the main window's link"

# The installed rptool draws the sheet headlessly, as a picture and as the
# PDF a printer would get.
(cd "$work" && /usr/bin/rptool sheet sheet.png --apiary "Package check") || fail "rptool sheet failed"
[ "$(head -c 8 "$work/sheet.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  fail "rptool sheet wrote no PNG"
(cd "$work" && /usr/bin/rptool sheet sheet.pdf) || fail "rptool sheet to PDF failed"
[ "$(head -c 5 "$work/sheet.pdf")" = "%PDF-" ] || fail "rptool sheet wrote no PDF"

# The menu entry's command, run as a menu runs it (no field codes to expand),
# from the home-like working directory, until the main window shows.
exec_line=$(sed -n 's/^Exec=//p' "$desktop" | head -1)
[ -n "$exec_line" ] || fail "the menu entry has no Exec line"
cat >"$work/start.sh" <<SH
#!/usr/bin/env bash
set -u
cd "$work"
export HOME="$work" XDG_CONFIG_HOME="$work/config"
unset QT_QPA_PLATFORM
$exec_line >"$work/broodlog.log" 2>&1 &
app=\$!
if timeout 30 xdotool search --sync --onlyvisible --name '^broodlogprint\$' >/dev/null; then rc=0; else rc=1; fi
kill "\$app" 2>/dev/null; wait "\$app" 2>/dev/null
exit \$rc
SH
chmod +x "$work/start.sh"
PATH=/usr/bin:$PATH xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$work/start.sh" ||
  fail "the installed broodlog showed no main window within 30 s: $(cat "$work/broodlog.log" 2>/dev/null)"
echo "package_check: installed, ran rptool sheet and broodlog, removing"
