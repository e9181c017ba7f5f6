#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvane developers
# The Windows quorvane-cli.exe and the Linux quorvane-cli on the same Reader:
# a real Wine prefix (made by wineboot) gets the sample Reader 9.0 of
# scripts/make-demo-prefix, its files copied in and its keys brought in with
# Wine's own `reg import`. Two copies of it are then optimized and restored,
# one by each program, and after each step Wine's own `reg query` and the
# files must show the same state in both.
#
# usage: e2e-cli.sh LINUX_CLI WINDOWS_CLI_EXE TEMPLATE_PREFIX WORK_DIR
# TEMPLATE_PREFIX: a prefix made by wineboot, with no wineserver running.
set -euo pipefail
linux_cli=$1 windows_cli=$2 template=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
export WINEDEBUG=-all
# No menu entries or desktop files for the prefix's shortcuts in the user's home.
export WINEDLLOVERRIDES=winemenubuilder.exe=d
unset DISPLAY WAYLAND_DISPLAY
# "My eBook" goes to the trash: a scratch one, not the user's.
export XDG_DATA_HOME=$work/trash-home

rm -rf "$work"
mkdir -p "$work" "$XDG_DATA_HOME"
base=$work/base
cp -a "$template" "$base"

# The sample Reader: files into drive_c, keys through Wine itself. The
# machine-wide keys go into the 32-bit view, where Reader (32-bit) has them.
# The Reader's user is Wine's own (the Unix user): Wine's shell puts that
# user's folders back into "Shell Folders" whenever a Windows program asks,
# so any other name would send the two programs' shortcuts to different desktops.
user=$(id -un)
"$repo/scripts/make-demo-prefix" "$work/demo" --user "$user" >/dev/null
cp -a "$work/demo/drive_c/." "$base/drive_c/"
python3 "$here/demo-to-reg.py" "$work/demo/system.reg" HKEY_LOCAL_MACHINE > "$work/machine.reg"
python3 "$here/demo-to-reg.py" "$work/demo/user.reg" HKEY_CURRENT_USER > "$work/user.reg"
WINEPREFIX=$base wine reg import "$work/machine.reg" /reg:32 >/dev/null 2>&1
WINEPREFIX=$base wine reg import "$work/user.reg" >/dev/null 2>&1
WINEPREFIX=$base wineserver -w

cp -a "$base" "$work/by-linux"
cp -a "$base" "$work/by-windows"

# What Wine reads of the Reader's keys, and the files Quorvane touches
# (a link's bytes differ by who wrote it, so links count by name). The
# host launchers the Linux build writes for a shortcut (.desktop files, as
# Wine's menu builder would) are the host's, not Windows', and stay out;
# so does the Windows build's log in its LocalAppData (times and process
# ids), which the Linux build keeps in the host's state folder.
state() { # prefix
  local p=$1
  {
    WINEPREFIX=$p wine reg query 'HKCU\Software\Adobe\Acrobat Reader' /s 2>&1
    WINEPREFIX=$p wine reg query 'HKLM\Software\Adobe\Acrobat Reader' /s /reg:32 2>&1
    WINEPREFIX=$p wineserver -w
    cd "$p/drive_c"
    find 'Program Files/Adobe' users/Public/Desktop "users/$user" \
         'ProgramData/Microsoft/Windows/Start Menu' \( -type f -o -type l \) 2>/dev/null \
      | grep -v -e '\.desktop$' -e '/AppData/Local/Quorvane/' | LC_ALL=C sort \
      | while read -r f; do
          if [[ $f == *.lnk ]]; then echo "$f (link)"
          elif [[ -d $f ]]; then echo "$f (link to a folder)"
          else echo "$f $(sha1sum < "$f" | cut -c1-12)"; fi
        done
  } | tr -d '\r'
}

failures=0
compare() { # step
  state "$work/by-linux" > "$work/$1.linux"
  state "$work/by-windows" > "$work/$1.windows"
  if diff -u "$work/$1.linux" "$work/$1.windows" > "$work/$1.diff"; then
    echo "e2e: after $1, Wine reads the same keys and sees the same files ($(grep -c . "$work/$1.linux") lines)"
  else
    echo "e2e: after $1 the two differ:"; head -40 "$work/$1.diff"
    failures=$((failures + 1))
  fi
}

# Windows has no Wine prefixes to list: there "prefixes" is an unknown
# command (usage error), never one of the operations.
state "$work/by-windows" > "$work/before.windows"
code=0
WINEPREFIX=$work/by-windows wine "$windows_cli" prefixes > "$work/prefixes.windows.out" 2>&1 || code=$?
WINEPREFIX=$work/by-windows wineserver -w
state "$work/by-windows" > "$work/prefixes.windows"
if [[ $code != 2 ]] || ! cmp -s "$work/before.windows" "$work/prefixes.windows"; then
  echo "e2e: the Windows \"prefixes\" exited $code (2 expected) or changed the Reader:"
  cat "$work/prefixes.windows.out"
  failures=$((failures + 1))
fi

for step in optimize restore; do
  "$linux_cli" --prefix "$work/by-linux" "$step" > "$work/$step.linux.out" 2>&1 \
    || { echo "e2e: the Linux $step failed:"; cat "$work/$step.linux.out"; exit 1; }
  WINEPREFIX=$work/by-windows wine "$windows_cli" "$step" > "$work/$step.windows.out" 2>&1 \
    || { echo "e2e: the Windows $step failed:"; cat "$work/$step.windows.out"; exit 1; }
  WINEPREFIX=$work/by-windows wineserver -w
  compare "$step"
done

# The optimize really changed something: plug-ins left the folder, and a
# preference took its faster value.
grep -q 'plug_ins/AcroForm.api' "$work/restore.windows" && ! grep -q 'plug_ins/AcroForm.api' "$work/optimize.windows" \
  || { echo "e2e: optimize did not take AcroForm out of plug_ins, or restore did not bring it back"; failures=$((failures + 1)); }
grep -q 'iConnectionSpeed    REG_DWORD    0x989680' "$work/optimize.windows" \
  || { echo "e2e: optimize did not write iConnectionSpeed"; failures=$((failures + 1)); }

if ((failures)); then
  echo "e2e: 0 passed, $failures failed"
  exit 1
fi
echo "e2e: the Windows and Linux programs leave the same Reader"
