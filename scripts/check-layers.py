#!/usr/bin/env python3
"""The shape of the code, checked: run from anywhere, exits 1 with every fault named.

- Layers: a file includes files of its own layer or of a layer below it only
  (the table LAYERS, lowest first; tests, benchmarks and scripts stand above all).
- The search (search/) includes nothing but itself, the standard
  library and common/Rounding.h: no Qt.
- No circle of units: a unit is a header with its source (X.h, X.cpp); it
  depends on every unit whose header one of its files includes.
- No source file outside the tests over MAX_LINES lines.
- No function of the core (the folders of CORE: every layer below the
  windows) over MAX_FUNCTION_LINES lines, but the few named in EXCEPTIONS,
  each with its reason. A function is named by its file and its qualified
  name (path:Class::name), so that an exception outlives a moved line; a
  name listed for a function that is no longer there is a fault too.
- The search's Placement is made of parts that know only the narrow view
  they are given (the seats of the students, and each exchange as it is
  made), never the placement's insides: no `friend` anywhere in search/, and
  the parts' header (PLACEMENT_PARTS) includes no search/Placement.h.

--report prints the figures (largest file, longest function of the core,
the units and their edges) as well. --root DIR checks another tree (the
script's own test).
"""
import os, re, sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
if '--root' in sys.argv:
    ROOT = Path(sys.argv[sys.argv.index('--root') + 1]).resolve()
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
    ('files',),
    ('session',),
    ('ui',),
    ('app',),
]
FREE = ('tests', 'bench', 'scripts', 'docs')  # above every layer
SEARCH = 'search'
SEARCH_MAY_INCLUDE = {'common/Rounding.h'}
MAX_LINES = 400
MAX_FUNCTION_LINES = 60
CORE = [l[0] for l in LAYERS if l[0] not in ('ui', 'app')]
# Functions of the core allowed to be longer: 'path:Class::name': 'why'. None is today.
EXCEPTIONS = {
}
# TEMPORARY: long functions that other work in progress splits; emptied when
# that work is merged. Nothing may be added here.
PENDING = set()
PLACEMENT_PARTS = ('search/PlacementParts.h', 'search/Seats.h', 'search/FreeSeats.h')
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


NAME = re.compile(r'((?:~?[A-Za-z_]\w*\s*::\s*)*(?:operator\s*(?:\(\)|[^\s(]+)|~?[A-Za-z_]\w*))\s*\(')
KEYWORDS = {'if', 'for', 'while', 'switch', 'return', 'sizeof', 'decltype', 'alignas', 'noexcept'}


def function_name(head):
    """The qualified name a function's head declares: the first name followed by '('."""
    for m in NAME.finditer(head):
        name = re.sub(r'\s+', '', m.group(1))
        if name.split('::')[-1] not in KEYWORDS:
            return name
    return '?'


def function_lengths(path, text):
    """(first line, lines, name) of every function body, by the kind of each brace."""
    code, stack, start, found = strip_code(text), [], 0, []
    code = re.sub(r'^[ \t]*#[^\n]*', lambda m: ' ' * len(m.group()), code, flags=re.M)
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
                stack.append((kind, line, function_name(before) if kind == 'function' else ''))
            elif ch == '}' and stack:
                kind, first, name = stack.pop()
                if kind == 'function':
                    found.append((first, line - first + 1, name))
            start = i + 1
    return found


def in_core(path):
    return any(path == f or path.startswith(f + '/') and '/' not in path[len(f) + 1:] for f in CORE)


def main():
    report = '--report' in sys.argv
    faults, units, edges = [], {}, {}
    largest, longest, seen = (0, ''), (0, ''), set()
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
        if in_core(path):
            for first, length, name in function_lengths(path, text):
                longest = max(longest, (length, f'{path}:{first} {name}'))
                named = f'{path}:{name}'
                if length > MAX_FUNCTION_LINES and named not in EXCEPTIONS and named not in PENDING:
                    faults.append(f'{path}:{first}: {name}, a function of {length} lines, over {MAX_FUNCTION_LINES}')
                seen.add(named)
        if path.startswith(SEARCH + '/'):
            if re.search(r'\bfriend\b', strip_code(text)):
                faults.append(f'{path}: declares a friend: a part of the search sees another through its interface only')
            if path in PLACEMENT_PARTS and 'search/Placement.h' in [n for _, n in INCLUDE.findall(text)]:
                faults.append(f'{path}: a part of the placement includes search/Placement.h')

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

    for named in sorted(set(EXCEPTIONS) | set(PENDING)):
        if named not in seen:
            faults.append(f'{named}: named as a long function, but there is no such function: take it off the list')

    sys.setrecursionlimit(10000)
    for u in sorted(units):
        if u not in index:
            visit(u)

    if report:
        print(f'largest file outside the tests: {largest[1]}, {largest[0]} lines')
        print(f'longest function of the core: {longest[1]}, {longest[0]} lines')
        print(f'units: {len(units)}, edges: {sum(len(v) for v in units.values())}')
    for fault in faults:
        print(fault)
    return 1 if faults else 0


def strip_code_keep_includes(text):
    """Comments blanked (an include in a comment is none); include lines kept whole."""
    return re.sub(r'//[^\n]*|/\*[\s\S]*?\*/', lambda m: re.sub(r'[^\n]', ' ', m.group()), text)


if __name__ == '__main__':
    sys.exit(main())
