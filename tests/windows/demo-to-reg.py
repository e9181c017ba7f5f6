#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvane developers
"""Turns the keys of a sample prefix's hive into a file for Wine's own `reg import`.

    demo-to-reg.py HIVE ROOT > out.reg

HIVE is a hive file of scripts/make-demo-prefix (system.reg or user.reg),
ROOT the key it stands for (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER). The
language keys stay out: the prefix keeps its own. Value lines are already
in the form reg files use ("x"="text", dword:, hex:).
"""
import re
import sys

hive, root = sys.argv[1], sys.argv[2]
out = ['Windows Registry Editor Version 5.00', '']
keep = False
for line in open(hive, encoding='utf-8'):
    line = line.rstrip('\n')
    m = re.match(r'^\[(.*)\] \d+$', line)
    if m:
        path = m.group(1).replace('\\\\', '\\')
        keep = not path.lower().startswith(('system\\', 'control panel\\'))
        if keep:
            out += ['', '[%s\\%s]' % (root, path)]
        continue
    if keep and line and not line.startswith(('#', ';')):
        out.append(line)
sys.stdout.write('\r\n'.join(out) + '\r\n')
