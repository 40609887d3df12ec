#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Fails when a source file includes from a layer above its own (see docs/ARCHITECTURE.md), or
when a source file is longer than the limit. Usage: check_includes.py REPO"""
import os
import re
import sys

ENGINE = ['base', 'platform', 'ui', 'hw', 'config', 'bios', 'eeprom', 'commands', 'app']
# What each folder may include from, besides itself.
ALLOWED = {
    'base': set(),
    'platform': {'base'},
    'host': {'base', 'platform'},
    'backends': {'base', 'platform', 'host'},
    'sim': {'base', 'platform', 'host'},
    'ui': {'base'},
    'hw': {'base', 'platform', 'ui'},
    'config': {'base', 'platform', 'ui'},
    'bios': {'base', 'platform', 'ui', 'hw'},
    'eeprom': {'base', 'platform', 'ui', 'hw', 'config', 'bios'},
    'commands': {'base', 'platform', 'ui', 'hw', 'config', 'bios', 'eeprom'},
    'app': {'base', 'platform', 'ui', 'hw', 'config', 'bios', 'eeprom', 'commands'},
    # The skinned windows' model: below both toolkits' front ends, with no toolkit header.
    'skin': {'base', 'platform', 'ui', 'hw', 'config', 'bios', 'eeprom', 'commands', 'app'},
}
TOOLKIT_HEADER = re.compile(r'^\s*#\s*include\s+<(Q\w*|windows\.h|commctrl\.h|commdlg\.h)[>/]', re.M)
MAX_LINES = 350
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def layer_of(path):
    parts = path.split('/')
    if parts[0] == 'sim':
        return 'sim'
    if parts[0] == 'src' and len(parts) > 2:
        return parts[1]
    return None


def included_layer(spelling):
    top = spelling.split('/')[0]
    if top in ALLOWED or top == 'sim':
        return top
    return None


def main(repo):
    problems = []
    for root in ('src', 'sim', 'tools', 'tests', 'bench'):
        for folder, _, files in os.walk(os.path.join(repo, root)):
            for name in files:
                if not name.endswith(('.h', '.cpp')) or 'corpus' in folder:
                    continue
                full = os.path.join(folder, name)
                rel = os.path.relpath(full, repo).replace(os.sep, '/')
                text = open(full, encoding='utf-8').read()
                # The licence tag on the first line is not part of the file's size.
                lines = text.count('\n') - text.startswith('// SPDX-License-Identifier:')
                if not text.startswith('// SPDX-License-Identifier: GPL-3.0-or-later\n'):
                    problems.append(f'{rel}: does not start with the licence tag')
                if lines > MAX_LINES:
                    problems.append(f'{rel}: {lines} lines (limit {MAX_LINES})')
                own = layer_of(rel)
                if own not in ALLOWED and own != 'sim':
                    continue
                allowed = ALLOWED.get(own, set()) | {own}
                if own == 'skin':
                    for header in TOOLKIT_HEADER.findall(text):
                        problems.append(f'{rel}: includes the toolkit header <{header}>')
                for spelling in INCLUDE.findall(text):
                    target = included_layer(spelling)
                    if target and target not in allowed:
                        problems.append(f'{rel}: includes "{spelling}" ({own} -> {target})')
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else '.'))
