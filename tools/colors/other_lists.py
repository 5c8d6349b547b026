#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes other-lists.tsv: the colours of two more public colour name lists
whose name says its basic colour term, with that term.

    other_lists.py NODE_MODULES/color-name-lists > tools/colors/other-lists.tsv

The lists (both CC0 1.0, in the npm package color-name-lists 3.33.2, MIT):
mlmc_english, the English names of the "Many Languages Many Colors" naming
study (each name's mean colour), and nbsIscc, the ISCC-NBS colour
designations (centroid colours, named from the basic terms with modifiers).
A name is kept when its last word is a basic colour word; a second colour
word ("reddish", "greeny", "blue green") makes it a colour between two
terms, as in tools/bench/survey-basic-terms.tsv; names with three colour
words are left out, and so is any colour with the exact value of a colour
of the survey list, so that no held-out survey colour comes back this way.
"""
import json
import os
import re
import subprocess
import sys

BASIC = {'black': 'černá', 'white': 'bílá', 'grey': 'šedá', 'gray': 'šedá', 'red': 'červená',
         'orange': 'oranžová', 'yellow': 'žlutá', 'green': 'zelená', 'blue': 'modrá',
         'purple': 'fialová', 'violet': 'fialová', 'pink': 'růžová', 'brown': 'hnědá'}
MODIFIER = {w + suffix: t for w, t in BASIC.items() for suffix in ('ish', 'y', 'ey')}
MODIFIER.update({'reddish': 'červená', 'reddy': 'červená', 'bluish': 'modrá', 'bluey': 'modrá',
                 'greyish': 'šedá', 'grayish': 'šedá', 'purplish': 'fialová', 'purpley': 'fialová',
                 'purply': 'fialová', 'orangish': 'oranžová', 'orangey': 'oranžová', 'pinky': 'růžová',
                 'whitish': 'bílá', 'blackish': 'černá'})
LISTS = ('mlmc_english', 'nbsIscc')


def terms(name):
    words = re.split(r"[\s/\-]+", name.split(',')[0].lower().strip())
    found = []
    for w in words:
        t = BASIC.get(w) or MODIFIER.get(w)
        if t and t not in found:
            found.append(t)
    if not found or words[-1] not in BASIC or len(found) > 2:
        return None
    return found


def main():
    package = os.path.abspath(sys.argv[1])
    script = 'const p = require(process.argv[1]); console.log(JSON.stringify(p.lists))'
    lists = json.loads(subprocess.run(['node', '-e', script, package], check=True, capture_output=True,
                                      text=True).stdout)
    survey = {c['hex'].lower() for c in lists['xkcd']}
    print('# Colours of two more public colour name lists whose name says its basic')
    print('# colour term (written by other_lists.py, which says how). They only move')
    print('# the borders between basic terms; no entry of the tables is one of them.')
    print('# mlmc_english: the "Many Languages Many Colors" naming study, English names')
    print('# (CC0 1.0); nbsIscc: the ISCC-NBS colour designations (CC0 1.0); both as')
    print('# packaged in the npm package color-name-lists 3.33.2 (MIT).')
    print('# name<TAB>#rrggbb<TAB>list<TAB>term or term/term')
    for key in LISTS:
        for colour in lists[key]:
            found = terms(colour['name'])
            if found is None or colour['hex'].lower() in survey:
                continue
            name = colour['name'].replace('\t', ' ')
            print(f"{name}\t{colour['hex'].lower()}\t{key}\t{'/'.join(found)}")


if __name__ == '__main__':
    main()
