#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the release configuration (the `package` preset: release, installed
# under /usr, no tests or benchmarks), checks it with lintian (an error fails) and its desktop entry
# with desktop-file-validate (any finding fails), installs it on this
# machine with dpkg, runs the installed terminal front end on an emulated card and on an example
# machine copied out of the package, opens the practice window off-screen, finds the man pages,
# and removes the package again, also when a step failed. Needs root for dpkg.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh package

cmake --preset package >/dev/null
cmake --build --preset package
rm -f build/package/rzflash_*.deb
(cd build/package && cpack -G DEB >/dev/null)
deb=$(ls build/package/rzflash_*_*.deb)
echo "package: $deb"
dpkg-deb --info "$deb" | sed -n '/^ Architecture:/,$p'

echo "== lintian"
lintian_out=$(lintian --tag-display-limit 0 "$deb" 2>&1) || true
[ -n "$lintian_out" ] && echo "$lintian_out"
if grep -q '^E:' <<<"$lintian_out"; then
  echo "lintian reported errors" >&2
  exit 1
fi

echo "== desktop-file-validate"
# A warning (two main categories, say) fails as an error does: menus file such entries oddly.
desktop_out=$(desktop-file-validate packaging/linux/rzflash.desktop \
  packaging/linux/rzflash-demo.desktop 2>&1) || true
if [ -n "$desktop_out" ]; then
  echo "$desktop_out"
  echo "desktop-file-validate found faults in the desktop entries" >&2
  exit 1
fi

if dpkg-query -W -f='${Status}' rzflash 2>/dev/null | grep -q "install ok installed"; then
  echo "rzflash is installed on this machine already; not replacing it" >&2
  exit 1
fi
trap 'dpkg -r rzflash >/dev/null || echo "removing the package failed" >&2' EXIT
echo "== dpkg -i"
dpkg -i "$deb"

passed=0
failed=0
check() {  # check NAME COMMAND...: runs the command, counts and reports its outcome
  local name=$1
  shift
  if "$@"; then
    echo "ok: $name"
    passed=$((passed + 1))
  else
    echo "FAILED: $name" >&2
    failed=$((failed + 1))
  fi
}
check "rzflash-cli --machine nvidia-spi info" /usr/bin/rzflash-cli --machine nvidia-spi info
check "man -w rzflash-cli" man -w rzflash-cli
check "man -w rzflash" man -w rzflash
check "man -w rzflash-demo" man -w rzflash-demo
practice() {  # an example machine copied out of the package keeps what was flashed into it
  local dir status=0
  dir=$(mktemp -d)
  cp -r /usr/share/rzflash/examples "$dir/ex" && (cd "$dir/ex" &&
    /usr/bin/rzflash-image --block F5 new.rom >/dev/null &&
    /usr/bin/rzflash-cli --machine nvidia-parallel/machine.json flash new.rom </dev/null >/dev/null 2>&1 &&
    /usr/bin/rzflash-cli --machine nvidia-parallel/machine.json info 2>&1 |
      grep -q "BIOS version: PX4R7 F5") || status=1
  rm -rf "$dir"
  return $status
}
check "practice on an installed example machine" practice
practice_window() {  # the practice window finds the installed skin, shows its card and closes
  local dir status=0
  dir=$(mktemp -d)
  (cd / && QT_QPA_PLATFORM=offscreen RZFLASH_DEMO_SCREENSHOT="$dir" timeout 120 /usr/bin/rzflash-demo \
    >/dev/null 2>&1 </dev/null) || status=1
  [ "$status" -eq 0 ] && [ -s "$dir/main.png" ] || status=1
  rm -rf "$dir"
  return $status
}
check "the practice window on its preset" practice_window
check "desktop entry of the practice window" test -f /usr/share/applications/rzflash-demo.desktop
check "installed data folder" test -f /usr/share/rzflash/RZFLASH.CFG -a -f /usr/share/rzflash/HELP.CHM \
  -a -d /usr/share/rzflash/Skin
check "desktop entry and icon" test -f /usr/share/applications/rzflash.desktop \
  -a -f /usr/share/icons/hicolor/48x48/apps/rzflash.png
check "access helper and its polkit action" test -x /usr/libexec/rzflash/rzflash-access \
  -a -f /usr/share/polkit-1/actions/org.rzflash.access.policy
# The helper asks for an administrator every time (nothing remembered after a run), and finds the
# vendor tool's data folder from its own place (../../share/rzflash).
policy_asks_every_time() {
  local p=/usr/share/polkit-1/actions/org.rzflash.access.policy
  [ "$(grep -c '<allow_[a-z]*>auth_admin</allow_[a-z]*>' "$p")" -eq 3 ] && ! grep -q _keep "$p"
}
check "the helper's polkit action asks every time" policy_asks_every_time
check "the helper's data folder" test /usr/libexec/rzflash/../../share/rzflash -ef /usr/share/rzflash
# Root's run takes the machine's single-instance lock, a private file of root's in /run.
root_lock() {
  (cd / && /usr/bin/rzflash-cli info >/dev/null 2>&1 </dev/null) || true
  [ "$(stat -c '%U %a %F' /run/rzflash.lock)" = "root 600 regular empty file" ]
}
check "root's run locks /run/rzflash.lock" root_lock
# An ordinary user reaches the hardware only through the helper, which pkexec starts after polkit's
# prompt. A CI machine has no polkit agent (nor a running authority), so pkexec refuses: the
# bring-up must fail with the specified message and say why, not pass or hang.
user_run() {
  local out status=0
  out=$(cd / && runuser -u nobody -- env HOME=/nonexistent /usr/bin/rzflash-cli info 2>&1 </dev/null) ||
    status=$?
  echo "$out" | sed 's/^/  | /'
  [ "$status" -eq 3 ] && grep -q "Initialize DODozori Fail!!!" <<<"$out" &&
    grep -qi "pkexec\|polkit\|authori" <<<"$out"
}
if id nobody >/dev/null 2>&1 && command -v runuser >/dev/null; then
  check "an ordinary user without a polkit agent is refused with the reason" user_run
fi
echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
