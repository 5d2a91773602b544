#!/usr/bin/env python3
"""The shape of the code, checked: run from anywhere, exits 1 with every fault named.

- Layers: a file includes files of its own layer or of a layer below it only
  (the table LAYERS, lowest first; tests, benchmarks and scripts stand above all).
- The search (search/) includes nothing but itself, the standard
  library and common/Rounding.h: no Qt.
- No circle of units: a unit is a header with its source (X.h, X.cpp); it
  depends on every unit whose header one of its files includes.
- No source file outside the tests over MAX_LINES lines, and no function of
  the search over MAX_FUNCTION_LINES.

--report prints the figures (largest file, longest function of the search,
the units and their edges) as well.
"""
import os, re, sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
LAYERS = [  # lowest first; a folder's files, not its subfolders
    ('common',),
    ('search',),
    ('import',),
    ('conditions',),
    ('division/draw',),
    ('division/rules',),
    ('division/lists',),
    ('division',),
    ('division/drafts',),
    ('export',),
    ('session',),
    ('ui',),
    ('app',),
]
FREE = ('tests', 'bench', 'scripts', 'docs')  # above every layer
SEARCH = 'search'
SEARCH_MAY_INCLUDE = {'common/Rounding.h'}
MAX_LINES = 400
MAX_FUNCTION_LINES = 80
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def sources():
    for folder in [l[0] for l in LAYERS] + list(FREE):
        base = ROOT / folder
        if not base.is_dir():
            continue
        for path in sorted(base.iterdir() if folder in [l[0] for l in LAYERS] else base.rglob('*')):
            if path.is_file() and path.suffix in ('.h', '.cpp', '.inc'):
                yield path.relative_to(ROOT).as_posix()


def layer_of(path):
    folder = os.path.dirname(path)
    for i, names in enumerate(LAYERS):
        if folder in names:
            return i
    return len(LAYERS) if folder.split('/')[0] in FREE else None


def strip_code(text):
    """Comments, strings and chars blanked; newlines kept."""
    def blank(m):
        return re.sub(r'[^\n]', ' ', m.group())
    return re.sub(r'//[^\n]*|/\*[\s\S]*?\*/|R"(\w*)\([\s\S]*?\)\1"|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'',
                  blank, text)


def function_lengths(path, text):
    """(first line, lines) of every function body, by the kind of each brace."""
    code, stack, start, found = strip_code(text), [], 0, []
    line = 1
    for i, ch in enumerate(code):
        if ch == '\n':
            line += 1
        elif ch in ';{}':
            if ch == '{':
                before = code[start:i]
                if re.search(r'\bnamespace\b|extern\s*$', before):
                    kind = 'scope'
                elif re.search(r'\b(class|struct|union|enum)\b[^()]*$', before):
                    kind = 'scope'
                elif all(k[0] == 'scope' for k in stack) and ')' in before:
                    kind = 'function'
                else:
                    kind = 'block'
                stack.append((kind, line))
            elif ch == '}' and stack:
                kind, first = stack.pop()
                if kind == 'function':
                    found.append((first, line - first + 1))
            start = i + 1
    return found


def main():
    report = '--report' in sys.argv
    faults, units, edges = [], {}, {}
    largest, longest = (0, ''), (0, '')
    for path in sources():
        text = (ROOT / path).read_text(encoding='utf-8', errors='replace')
        layer = layer_of(path)
        if layer is None:
            faults.append(f'{path}: in no layer of scripts/check-layers.py')
            continue
        lines = text.count('\n')
        if not path.startswith('tests/'):
            largest = max(largest, (lines, path))
            if lines > MAX_LINES:
                faults.append(f'{path}: {lines} lines, over {MAX_LINES}')
        unit = path.rsplit('.', 1)[0]
        units.setdefault(unit, set())
        for kind, name in INCLUDE.findall(strip_code_keep_includes(text)):
            if path.startswith(SEARCH + '/'):
                if kind == '<' and (name.startswith('Q') or '/' in name and name.split('/')[0].startswith('Qt')):
                    faults.append(f'{path}: includes <{name}>: the search uses the standard library only')
                if kind == '"' and not name.startswith(SEARCH + '/') and name not in SEARCH_MAY_INCLUDE:
                    faults.append(f'{path}: includes "{name}", outside the search')
            if kind != '"' or not (ROOT / name).is_file():
                continue
            target = layer_of(name)
            if target is not None and target > layer:
                faults.append(f'{path}: includes "{name}" of a layer above its own')
            other = name.rsplit('.', 1)[0]
            if other != unit:
                units[unit].add(other)
        if path.startswith(SEARCH + '/'):
            for first, length in function_lengths(path, text):
                longest = max(longest, (length, f'{path}:{first}'))
                if length > MAX_FUNCTION_LINES:
                    faults.append(f'{path}:{first}: a function of {length} lines, over {MAX_FUNCTION_LINES}')

    # Circles: Tarjan's strongly connected components of the unit graph.
    index, low, on, stack, order = {}, {}, set(), [], [0]

    def visit(u):
        index[u] = low[u] = order[0]
        order[0] += 1
        stack.append(u)
        on.add(u)
        for v in units.get(u, ()):
            if v not in units:
                continue
            if v not in index:
                visit(v)
                low[u] = min(low[u], low[v])
            elif v in on:
                low[u] = min(low[u], index[v])
        if low[u] == index[u]:
            part = []
            while True:
                w = stack.pop()
                on.discard(w)
                part.append(w)
                if w == u:
                    break
            if len(part) > 1:
                faults.append('a circle of units: ' + ' <-> '.join(sorted(part)))

    sys.setrecursionlimit(10000)
    for u in sorted(units):
        if u not in index:
            visit(u)

    if report:
        print(f'largest file outside the tests: {largest[1]}, {largest[0]} lines')
        print(f'longest function of the search: {longest[1]}, {longest[0]} lines')
        print(f'units: {len(units)}, edges: {sum(len(v) for v in units.values())}')
    for fault in faults:
        print(fault)
    return 1 if faults else 0


def strip_code_keep_includes(text):
    """Comments blanked (an include in a comment is none); include lines kept whole."""
    return re.sub(r'//[^\n]*|/\*[\s\S]*?\*/', lambda m: re.sub(r'[^\n]', ' ', m.group()), text)


if __name__ == '__main__':
    sys.exit(main())
