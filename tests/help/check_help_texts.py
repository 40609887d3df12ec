#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Fails when the help quotes a program text that the program does not have.

Usage: check_help_texts.py REPO HELP_FOLDER

Every element of class "msg" in HELP_FOLDER/*.htm is a quoted program text. It is cut at each
<br>, at each <i>...</i> (a placeholder for text that varies) and at each em dash (which stands
for a line break in a quoted question); every piece of 4 characters or more must be found in the
string literals of REPO/src (*.cpp, *.h), whitespace collapsed on both sides. A piece is found
inside one literal (adjacent literals "a" "b" count as one), or as a run of literals the program
joins into one message: the end of one, whole ones, the start of another, each 4 characters or
more, with at most a blank between them.
"""
import glob
import html.parser
import os
import re
import sys

MIN_PIECE = 4
ESCAPES = {'n': ' ', 't': ' ', 'r': ' ', 'v': ' ', 'f': ' ', 'a': '', 'b': ''}


def collapse(text):
    return re.sub(r'\s+', ' ', text).strip()


def read_literal(src, i, out):
    """Decodes the literal whose opening quote is at src[i]; returns the index after it."""
    i += 1
    raw = bytearray()
    while i < len(src) and src[i] != '"':
        c = src[i]
        if c == '\\' and i + 1 < len(src):
            e = src[i + 1]
            i += 2
            if e == 'x':
                m = re.match(r'[0-9A-Fa-f]+', src[i:])
                raw.append(int(m.group(0), 16) & 0xFF)
                i += len(m.group(0))
            elif e in '01234567':
                m = re.match(r'[0-7]{0,2}', src[i:])
                value = int(e + m.group(0), 8)
                raw.extend(b' ' if value in (9, 10, 13) else bytes([value & 0xFF]) if value else b'')
                i += len(m.group(0))
            else:
                raw.extend(ESCAPES.get(e, e).encode())
        else:
            raw.extend(c.encode())
            i += 1
    out.append(raw.decode('utf-8', 'replace'))
    return i + 1


def literal_runs(src):
    """The string literals of one C/C++ source, adjacent ones joined; comments and character
    literals skipped."""
    runs, current, i, n = [], None, 0, len(src)
    while i < n:
        c = src[i]
        if src.startswith('//', i):
            i = src.find('\n', i)
            i = n if i < 0 else i
        elif src.startswith('/*', i):
            i = src.find('*/', i + 2)
            i = n if i < 0 else i + 2
        elif c.isspace():
            i += 1
        elif src.startswith('R"', i):
            delim = src[i + 2:src.index('(', i)]
            end = src.index(')' + delim + '"', i)
            text = src[i + 3 + len(delim):end]
            current = (current or []) + [text]
            i = end + len(delim) + 2
        elif c == '"':
            current = current if current is not None else []
            i = read_literal(src, i, current)
        elif c == "'":
            m = re.match(r"'(\\.|[^\\'])*'", src[i:])
            i += len(m.group(0)) if m else 1
        else:
            if current is not None:
                runs.append(''.join(current))
                current = None
            m = re.match(r"[0-9][0-9A-Za-z_.]*('[0-9A-Fa-f]+)*|[A-Za-z_]\w*", src[i:])  # 1'000: a number
            if m and src.startswith('"', i + len(m.group(0))) and m.group(0) in ('u8', 'u', 'U', 'L'):
                i += len(m.group(0))  # an encoding prefix: the literal follows
            else:
                i += len(m.group(0)) if m else 1
    if current is not None:
        runs.append(''.join(current))
    return runs


def program_texts(repo):
    runs = []
    for pattern in ('*.cpp', '*.h'):
        for path in glob.glob(os.path.join(repo, 'src', '**', pattern), recursive=True):
            with open(path, encoding='utf-8') as f:
                runs.extend(collapse(r) for r in literal_runs(f.read()))
    return [r for r in runs if r]


class MsgPieces(html.parser.HTMLParser):
    """Collects (line, piece) for every class="msg" element."""
    VOID = {'br', 'img', 'hr', 'input', 'meta', 'link'}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.pieces, self.depth, self.placeholder, self.text, self.line = [], 0, 0, '', 0

    def cut(self):
        for chunk in self.text.split('\u2014'):
            self.pieces.append((self.line, collapse(chunk)))
        self.text = ''

    def handle_starttag(self, tag, attrs):
        if self.depth == 0:
            if 'msg' in (dict(attrs).get('class') or '').split():
                self.depth, self.line, self.text = 1, self.getpos()[0], ''
            return
        if tag in ('br', 'i'):
            self.cut()
        if tag == 'i':
            self.placeholder += 1
        elif tag not in self.VOID:
            self.depth += 1

    def handle_endtag(self, tag):
        if self.depth == 0:
            return
        if tag == 'i':
            self.placeholder -= 1
            return
        self.depth -= 1
        if self.depth == 0:
            self.cut()

    def handle_data(self, data):
        if self.depth and not self.placeholder:
            self.text += data


class Finder:
    def __init__(self, runs):
        self.runs = runs
        self.whole = set(runs)
        self.starts = {r[:k].rstrip() for r in runs for k in range(MIN_PIECE, len(r) + 1)}
        self.ends = {r[k:].lstrip() for r in runs for k in range(0, len(r) - MIN_PIECE + 1)}

    def found(self, piece):
        if any(piece in r for r in self.runs):
            return True
        # Joined literals: an end of one, whole ones, a start of another.
        n = len(piece)
        reach = [False] * (n + 1)
        for j in range(MIN_PIECE, n + 1):
            reach[j] = piece[:j] in self.ends
        for i in range(MIN_PIECE, n):
            if not reach[i]:
                continue
            k = i + 1 if piece[i] == ' ' else i
            for j in range(k + MIN_PIECE, n + 1):
                if piece[k:j] in self.whole or (j == n and piece[k:] in self.starts):
                    reach[j] = True
        return reach[n]


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    repo, help_folder = argv[1], argv[2]
    finder = Finder(program_texts(repo))
    checked, missing = 0, 0
    for page in sorted(glob.glob(os.path.join(help_folder, '*.htm'))):
        parser = MsgPieces()
        with open(page, encoding='utf-8') as f:
            parser.feed(f.read())
        for line, piece in parser.pieces:
            if len(piece) < MIN_PIECE:
                continue
            checked += 1
            if not finder.found(piece):
                missing += 1
                print(f'{os.path.basename(page)}:{line}: not a program text: "{piece}"')
    if checked == 0:
        print('no program texts found in the help pages')
        return 1
    if missing:
        print(f'{missing} of {checked} quoted texts are not in the program')
        return 1
    print(f'{checked} quoted texts checked: all are program texts')
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
