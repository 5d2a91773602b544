#!/usr/bin/env python3
"""scripts/check-layers.py on small made-up trees: each fault it must find, and none where there is none."""
import subprocess, sys, tempfile, unittest
from pathlib import Path

SCRIPT = Path(__file__).resolve().parent.parent.parent / 'scripts' / 'check-layers.py'


def function(name, lines):
    """A function of exactly `lines` lines from its opening brace to its closing one."""
    body = ''.join(f'    x += {i};\n' for i in range(lines - 3))
    return f'int {name}(int x)\n{{\n{body}    return x;\n}}\n'


class CheckLayers(unittest.TestCase):
    def faults(self, files):
        with tempfile.TemporaryDirectory() as root:
            for path, text in files.items():
                (Path(root) / path).parent.mkdir(parents=True, exist_ok=True)
                (Path(root) / path).write_text(text, encoding='utf-8')
            run = subprocess.run([sys.executable, str(SCRIPT), '--root', root], capture_output=True, text=True)
        # The lists of long functions name files of the real tree, absent here.
        lines = [l for l in run.stdout.splitlines() if 'take it off the list' not in l]
        self.assertEqual(run.returncode != 0, bool(run.stdout.strip()))
        return lines

    def test_each_fault_named_and_nothing_else(self):
        cases = [
            ('60 lines in the core', {'common/A.cpp': function('fits', 60)}, []),
            ('61 lines in the core', {'division/rules/A.cpp': function('tooLong', 61)},
             ['division/rules/A.cpp:2: tooLong, a function of 61 lines, over 60']),
            ('a member, named by its class', {'search/A.cpp': function('Part::step', 70)},
             ['search/A.cpp:2: Part::step, a function of 70 lines, over 60']),
            ('long in the windows and the tests', {'ui/A.cpp': function('paint', 90),
                                                   'tests/search/t.cpp': function('table', 90)}, []),
            ('a friend in the search', {'search/P.h': 'class P {\n    friend class Q;\n};\n'},
             ['search/P.h: declares a friend: a part of the search sees another through its interface only']),
            ('a friend in a comment', {'search/P.h': '// no friend here\nclass P {};\n'}, []),
            ('the parts above the placement', {'search/Placement.h': '#pragma once\n',
                                                'search/PlacementParts.h': '#include "search/Placement.h"\n'},
             ['search/PlacementParts.h: a part of the placement includes search/Placement.h']),
            ('an include upwards', {'common/A.h': '#include "search/B.h"\n', 'search/B.h': '#pragma once\n'},
             ['common/A.h: includes "search/B.h" of a layer above its own']),
        ]
        for what, files, expected in cases:
            with self.subTest(what):
                self.assertEqual(self.faults(files), expected)


if __name__ == '__main__':
    unittest.main()
