#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvane developers
# The installer, silently, in a fresh Wine prefix: `setup.exe /S` puts both
# programs with their DLLs in Program Files, a Start-menu entry and an entry
# under installed programs; the installed quorvane-cli.exe runs; the
# uninstaller's `/S` then leaves none of it behind.
#
# usage: installer.sh SETUP_EXE TEMPLATE_PREFIX WORK_DIR
set -euo pipefail
setup=$1 template=$2 work=$3
export WINEDEBUG=-all
# No menu entries or desktop files for the prefix's shortcuts in the user's home.
export WINEDLLOVERRIDES=winemenubuilder.exe=d
unset DISPLAY WAYLAND_DISPLAY

rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX=$work/prefix
cp -a "$template" "$WINEPREFIX"

install_dir=$WINEPREFIX/drive_c/Program\ Files/Quorvane
menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Quorvane
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvane'
failures=0
check() { # description command...
  local what=$1; shift
  if "$@" >/dev/null 2>&1; then return; fi
  echo "installer: $what"
  failures=$((failures + 1))
}

wine "$setup" /S || { echo "installer: $(basename "$setup") /S failed"; exit 1; }
wineserver -w
for f in quorvane.exe quorvane-cli.exe Uninstall.exe Qt6Core.dll Qt6Widgets.dll platforms/qwindows.dll \
         styles/qwindowsvistastyle.dll; do
  check "after /S, $f is not in Program Files\\Quorvane" test -f "$install_dir/$f"
done
check "after /S, the Start menu has no Quorvane entry" test -f "$menu/Quorvane.lnk"
check "after /S, Windows lists no installed Quorvane" wine reg query "$uninstall_key" /v UninstallString /reg:64
wine 'C:\Program Files\Quorvane\quorvane-cli.exe' --help > "$work/help.out" 2>&1 || true
check "the installed quorvane-cli.exe does not run" grep -q optimize "$work/help.out"

wine 'C:\Program Files\Quorvane\Uninstall.exe' /S || { echo "installer: Uninstall.exe /S failed"; exit 1; }
# The uninstaller runs on from a copy of itself: wait for it.
wineserver -w
check "after the uninstall, Program Files\\Quorvane is still there" test ! -e "$install_dir"
check "after the uninstall, the Start menu still has Quorvane" test ! -e "$menu"
check "after the uninstall, Windows still lists Quorvane" bash -c "! wine reg query '$uninstall_key' /reg:64"
wineserver -w

if ((failures)); then
  echo "installer: 0 passed, $failures failed"
  exit 1
fi
echo "installer: installs and uninstalls silently"
