#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Runs the README's practice commands on a copy of the shipped example machines and checks each
documented result: every quoted text of a command's comment appears in what it printed, and its
exit status is the one the comment names ("exit N"; 0 when it names none). The table of examples
must name exactly the folders of examples/, and every NVIDIA example must take the same flash.

usage: check_practice_commands.py REPO RZFLASH_CLI RZFLASH_IMAGE"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

SECTION = '## Practice on an emulated card'
INSTALLED = '/usr/share/rzflash/examples'


def section(readme):
    text = open(readme, encoding='utf-8').read()
    start = text.index(SECTION)
    end = text.find('\n## ', start + len(SECTION))
    return text[start:end if end >= 0 else len(text)]


def documented_commands(text):
    block = re.search(r'```sh\n(.*?)```', text, re.S).group(1)
    for line in block.splitlines():
        m = re.match(r'(.*?)(?:\s+#\s(.*))?$', line)
        yield m.group(1).strip(), m.group(2) or ''


class Runner:
    def __init__(self, repo, programs, home):
        self.repo, self.programs, self.home = repo, programs, home
        self.cwd = home
        self.problems = []

    def run(self, command, comment):
        words = shlex.split(command)
        if words[:2] == ['cp', '-r'] and words[2] == INSTALLED:
            shutil.copytree(os.path.join(self.repo, 'examples'), self.path(words[3]))
            return
        if words[0] == 'cd':
            self.cwd = self.path(words[1])
            return
        if words[0] not in self.programs:
            self.problems.append(f'{command}: not a command the check knows how to run')
            return
        expected_status = int((re.search(r'\bexit (\d+)', comment) or [0, 0])[1])
        done = subprocess.run([self.programs[words[0]]] + words[1:], cwd=self.cwd,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, env=dict(os.environ, HOME=self.home),
                              timeout=300)
        out = done.stdout.decode('utf-8', 'replace')
        missing = [t for t in re.findall(r'"([^"]*)"', comment) if t not in out]
        if done.returncode != expected_status or missing:
            self.problems.append(f'{command}\n  expected exit {expected_status} and {missing}, '
                                 f'got exit {done.returncode}:\n    ' +
                                 '\n    '.join(out.splitlines()))

    def path(self, p):
        return os.path.join(self.cwd, self.home + p[1:] if p.startswith('~') else p)


def main(repo, cli, image):
    text = section(os.path.join(repo, 'README.md'))
    problems = []
    listed = set(re.findall(r'^\| `([\w-]+)` \|', text, re.M))
    shipped = {d for d in os.listdir(os.path.join(repo, 'examples'))
               if os.path.isdir(os.path.join(repo, 'examples', d))}
    if listed != shipped:
        problems.append(f'the table lists {sorted(listed)}, examples/ holds {sorted(shipped)}')
    with tempfile.TemporaryDirectory() as home:
        runner = Runner(repo, {'rzflash-cli': cli, 'rzflash-image': image}, home)
        for command, comment in documented_commands(text):
            runner.run(command, comment)
        # "The other NVIDIA examples take the same commands": on a fresh copy of them.
        runner.cwd = home
        runner.run(f'cp -r {INSTALLED} fresh', '')
        runner.cwd = os.path.join(home, 'fresh')
        runner.run('rzflash-image --block F5 new.rom', '')
        for name in sorted(d for d in shipped if d.startswith('nvidia-')):
            runner.run(f'rzflash-cli --machine {name}/machine.json flash new.rom',
                       '"Flash BIOS completed!!!"')
            runner.run(f'rzflash-cli --machine {name}/machine.json verify new.rom',
                       '"Verify: the card holds this image"')
        problems += runner.problems
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:4]))
