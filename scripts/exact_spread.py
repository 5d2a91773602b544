#!/usr/bin/python3
"""The best spread of class averages that evening out can reach, for a year
and its conditions, found exactly by integer programming (scipy's milp).

    /usr/bin/python3 scripts/exact_spread.py examples/nen1.csv --id 1 --group 6 --score 7

Reads the CSV (CP932, or UTF-8 with a byte order mark) and the conditions
file beside it (name + "JYOKEN.TXT"), and prints, for every set of linked
classes, the smallest possible largest-minus-smallest average under the same
rules as the program: students stay in their group's classes, every
(group, class) head count as planned, and every (group, class, score band)
count between the floor and the ceiling of head count x band size / group
size (search/FairShares.h). A student's band is the first stratum of the
distribution table that holds its unrounded score (bandOfScore in
division/draw/DistributionTable.cpp). The averages are unrounded: score total /
head count. Without rule options, marks and mixing are not modelled.

With --rules (the columns chosen in the BUNKATSU.TXT file beside the CSV) or
--marks, --together, --fixed and --flags (column numbers, which take the place
of the file's), the teacher's rules are modelled as the program applies them
when it evens out, as hard constraints:

  fixed class   a student whose cell names a class (3, ３ or 3組) is in it;
  keep apart    at most one student of a non-empty mark in each class;
  together      the students sharing a non-empty value (two or more) are in
                one class that all their groups open;
  flags         in each flag column, every non-empty value held by n of the
                P students of a pool (groups opening the same classes) gives a
                class that takes H of the pool the share H x n / P, summed
                over the pools; the class holds between the floor and the
                ceiling of that share (evening::flagsOutside); within
                that, column by column in their order, the largest
                |count - share| is made as small as can be, then the
                number of (class, value) cells at it, each held for what
                follows (two solves a column, each with the time limit),
                and the spread is the best under those deviations;
  bands         as without rules, except where fixed students and together
                sets force a count outside: a first solve finds the fewest
                students outside the fair ranges that the rules above allow
                (0 when the rules force nothing), and the spread is then
                minimised among the placements with no more than that.
                Each of the two solves has the time limit.

Mixing is modelled only with --mix (its column): every class holds floor ..
ceiling of its share of every value, as for a flag, but with no deviation made
small; with --mix-aim too, after the flag columns its largest deviation and
then its cells at it are made as small as they can be, as for a flag column
(the program's aim when it evens mixing that way). When the time limit cuts a solve with rules
short, the lower bound printed is also raised to what the class totals alone
allow (each a whole multiple of the scores' common step, with classes of one
head count apart by at least a step over it): on the 500-student year that
proves the best the solver finds.

With --classes, it also reads a division of the same year (a CSV whose first
column is the new class of each student, in the rows of the year, as the
result file holds them) and prints its unrounded spread, and whether it keeps
the head counts and the fair bands, and with rules every rule above.

With --scores (columns separated by commas, or those of the BUNKATSU.TXT
file's sixth line with --rules), the aim is the program's with score columns
evened beside the main one: for each column (the main score first) the
spread of linked class averages divided by the column's standard deviation
over the year (population, over the students with a number; a cell whose
text does not begin with a half-width number is blank and left out of that
column), the largest of these made as small as can be; then, with that
largest held, the main score's own spread. Each solve has the time limit.

Needs Debian's python3-scipy (1.9 or later); it is a reference for measuring
the program, not part of it.
"""

import argparse
import csv
import math
import re
import sys
from collections import defaultdict

import numpy as np
import unicodedata
from scipy.optimize import Bounds, LinearConstraint, milp
from scipy.sparse import csr_matrix


def text_value(text):
    m = re.match(r"[+-]?(\d+\.?\d*|\.\d+)([EeDd][+-]?\d+)?", re.sub(r"[ \t\n]", "", text))
    return float(m.group(0).replace("D", "E").replace("d", "e")) if m else 0.0


def round_half_even(v):
    return float(round(v))


def read_rows(path):
    raw = open(path, "rb").read()
    text = raw[3:].decode("utf-8") if raw.startswith(b"\xef\xbb\xbf") else raw.decode("cp932")
    return list(csv.reader(text.splitlines()))


def read_year(path, id_col, group_col, score_col):
    rows = read_rows(path)[1:]
    return [(r[group_col - 1].strip(), text_value(r[score_col - 1])) for r in rows if r]


def boundary_points(scores):
    n = len(scores)
    total = 0.0
    for s in scores:
        total = round_half_even(total + s)
    average = math.floor(float(np.float32(total / n)) * 10 + 0.5) / 10
    ordered = sorted((int(round_half_even(s)) for s in scores), reverse=True)
    ordered = [0] + ordered
    top = int(round_half_even(n * 0.1))
    b1 = ordered[top]
    b3 = math.floor(average)
    b2 = math.floor((b1 + b3) / 2)
    b4 = b3 - (b2 - b3)
    b5 = ordered[n - top]
    return [None, b1, b2, b3, b4, b5]


def band(s, b):
    """The first stratum (0 .. 5) that holds the score; the last when none does."""
    strata = [s >= b[1], b[2] <= s < b[1], b[3] <= s < b[2], b[4] <= s < b[3], b[5] <= s < b[4], s < b[5]]
    return next((i for i, inside in enumerate(strata) if inside), 5)


def fair_range(head, in_band, size):
    """Floor and ceiling of head x in_band / size, as search/FairShares.h."""
    return head * in_band // size, -(-head * in_band // size)


def read_conditions(path, groups):
    lines = open(path, "rb").read().decode("cp932").split("\r\n")
    plans = []
    for g in range(groups):
        block = lines[g * 11:(g + 1) * 11]
        count = int(block[0])
        plan = []
        for k in range(count):
            number, head = block[1 + k].split(",")
            plan.append((int(number), int(head)))
        plans.append(plan)
    return plans


def best_spread(component, groups, students, time_limit):
    """groups: list of (plan, [(band, score)]) inside the component."""
    cells = []  # (group index, band, score, count)
    for gi, (plan, members) in enumerate(groups):
        counted = defaultdict(int)
        for key in members:
            counted[key] += 1
        for (b, s), n in sorted(counted.items()):
            cells.append((gi, b, s, n))
    var = {}
    for ci, (gi, b, s, n) in enumerate(cells):
        for number, _ in groups[gi][0]:
            var[(ci, number)] = len(var)
    u, l = len(var), len(var) + 1
    size = len(var) + 2
    heads = defaultdict(int)
    for plan, _ in groups:
        for number, head in plan:
            heads[number] += head
    rows, lo, hi = [], [], []

    def add(coeffs, low, high):
        row = np.zeros(size)
        for i, c in coeffs:
            row[i] += c
        rows.append(row)
        lo.append(low)
        hi.append(high)

    for ci, (gi, b, s, n) in enumerate(cells):
        add([(var[(ci, number)], 1) for number, _ in groups[gi][0]], n, n)
    for gi, (plan, members) in enumerate(groups):
        in_band = defaultdict(int)
        for b, _ in members:
            in_band[b] += 1
        for number, head in plan:
            add([(var[(ci, number)], 1) for ci, c in enumerate(cells) if c[0] == gi], head, head)
            for b, nb in in_band.items():
                add([(var[(ci, number)], 1) for ci, c in enumerate(cells) if c[0] == gi and c[1] == b],
                    *fair_range(head, nb, len(members)))
    for number in component:
        terms = [(var[(ci, number)], c[2] / heads[number]) for ci, c in enumerate(cells) if (ci, number) in var]
        add(terms + [(u, -1)], -np.inf, 0)
        add(terms + [(l, -1)], 0, np.inf)
    cost = np.zeros(size)
    cost[u], cost[l] = 1, -1
    integrality = np.ones(size)
    integrality[u] = integrality[l] = 0
    low = np.zeros(size)
    low[u] = low[l] = -np.inf
    result = milp(cost, constraints=LinearConstraint(np.array(rows), lo, hi), integrality=integrality,
                  bounds=Bounds(low, np.full(size, np.inf)), options={"time_limit": time_limit})
    if result.x is not None:
        result.averages = {n: sum(round(result.x[var[(ci, n)]]) * c[2] for ci, c in enumerate(cells) if (ci, n) in var)
                              / heads[n] for n in component}
    return result


def fixed_class_of(cell):
    """The class a fixed-class cell names, as fixedClassOf in division/rules/RuleChecks.cpp:
    a whole number in half- or full-width digits, 組 after it allowed; -1 for
    any other text, None for an empty cell."""
    text = unicodedata.normalize("NFKC", cell).strip()
    if not text:
        return None
    if text.endswith("組"):
        text = text[:-1].strip()
    return int(text) if re.fullmatch(r"[+-]?[0-9]+", text) else -1


def score_cell(text):
    """The number of a cell of an extra score column, None when it holds none
    (conditions/ScoreCells.cpp)."""
    return text_value(text) if re.match(r"[+-]?\.?\d", re.sub(r"[ \t\n]", "", text)) else None


def scales(columns):
    """1 / the population standard deviation of every column's numbers; 0 for none."""
    out = []
    for values in columns:
        numbers = [v for v in values if v is not None]
        mean = sum(numbers) / len(numbers) if numbers else 0
        sd = math.sqrt(sum((v - mean) ** 2 for v in numbers) / len(numbers)) if numbers else 0
        out.append(1 / sd if sd > 1e-9 else 0.0)
    return out


def read_spread_file(path):
    """The columns of a BUNKATSU.TXT file: marks, mixing, together, fixed, flags
    and score columns (conditions/SpreadColumns.h); 0 for a column not set."""
    try:
        lines = open(path, "rb").read().decode("ascii").split("\r\n")
    except (OSError, UnicodeDecodeError) as error:
        raise SystemExit(f"{path}: {error}; name the columns with --marks, --together, --fixed and --flags instead")
    if len(lines) not in (3, 6, 7) or lines[-1]:
        raise SystemExit(f"{path}: not a file of the rules' columns")
    number = lambda t: int(t) if t else 0
    marks, mix = number(lines[0]), number(lines[1])
    together, fixed, flags, scores = 0, 0, [], []
    if len(lines) >= 6:
        together, fixed = number(lines[2]), number(lines[3])
        flags = [int(t) for t in lines[4].split(",") if t]
    if len(lines) == 7:
        scores = [int(t) for t in lines[5].split(",") if t]
    return marks, mix, together, fixed, flags, scores


class Rules:
    """The rules of every student, in the year's order: its mark, together
    value, fixed class (None when free) and flag values ("" for none)."""

    def __init__(self, rows, marks, together, fixed, flags):
        cell = lambda r, col: r[col - 1].strip() if col and col <= len(r) else ""
        self.columns = (marks, together, fixed, flags)
        self.marks = [cell(r, marks) for r in rows]
        self.fixed = [fixed_class_of(cell(r, fixed)) for r in rows]
        self.flags = [tuple(cell(r, col) for col in flags) for r in rows]
        # Flag columns held to floor..ceiling only, with no deviation made small (--mix: the mixed column).
        self.range_only = set()
        held = defaultdict(list)
        for i, r in enumerate(rows):
            if cell(r, together):
                held[cell(r, together)].append(i)
        # A value beside one student alone binds nobody.
        self.sets = [members for _, members in sorted(held.items()) if len(members) > 1]
        self.set_of = {i: u for u, members in enumerate(self.sets) for i in members}

    def describe(self):
        marks, together, fixed, flags = self.columns
        return (f"rules: keep apart column {marks or '-'}, together {together or '-'}, fixed {fixed or '-'}, "
                f"flags {','.join(map(str, flags)) or '-'}: {sum(1 for m in self.marks if m)} marked, "
                f"{len(self.sets)} together sets, {sum(1 for f in self.fixed if f is not None)} fixed, "
                f"flag holders {[sum(1 for f in self.flags if f[k]) for k in range(len(flags))]}")


def flag_ranges(year_group, plans, rules):
    """Floor and ceiling of every class's fair share of every flag value, pool
    by pool (poolShares in division/EvenAverages.cpp): {(column, value, class): (low, high)}."""
    pools = defaultdict(list)
    for gi, plan in enumerate(plans):
        pools[frozenset(number for number, _ in plan)].append(gi)
    share = defaultdict(float)
    for classes, groups in pools.items():
        heads = defaultdict(int)
        for gi in groups:
            for number, head in plans[gi]:
                heads[number] += head
        students = [i for i, g in enumerate(year_group) if g in groups]
        for k in range(len(rules.columns[3])):
            holding = defaultdict(int)
            for i in students:
                if rules.flags[i][k]:
                    holding[rules.flags[i][k]] += 1
            for v, n in holding.items():
                for c in classes:
                    share[(k, v, c)] += heads[c] * n / len(students)
    return {key: (math.floor(x + 1e-9), math.ceil(x - 1e-9), x) for key, x in share.items()}


def totals_bound(heads, scores):
    """A lower bound on the spread from the class totals alone: each is a sum
    of the scores, so a whole multiple of their greatest common step, and
    together they are the sum of all. Classes of one head count can differ by no less than a
    step over it, which the solver's own bound does not see. 0 when the scores
    have no such step."""
    scale = next((k for k in (1, 2, 4, 5, 10, 20, 100) if all(abs(s * k - round(s * k)) < 1e-9 for s in scores)), None)
    if scale is None:
        return 0.0
    step = math.gcd(*(round(s * scale) for s in scores)) / scale
    if step == 0:
        return 0.0
    classes = sorted(heads)
    size = len(classes) + 2
    rows = [[1] * len(classes) + [0, 0]]
    lo, hi = [round(sum(scores) / step)], [round(sum(scores) / step)]
    for i, c in enumerate(classes):
        row = [0.0] * size
        row[i] = step / heads[c]
        rows += [row[:len(classes)] + [-1, 0], row[:len(classes)] + [0, -1]]
        lo += [-np.inf, 0]
        hi += [0, np.inf]
    cost = np.zeros(size)
    cost[-2], cost[-1] = 1, -1
    low = np.zeros(size)
    low[-2:] = -np.inf
    result = milp(cost, constraints=LinearConstraint(np.array(rows), lo, hi),
                  integrality=np.array([1] * len(classes) + [0, 0]), bounds=Bounds(low, np.full(size, np.inf)),
                  options={"time_limit": 60})
    # Rounding noise of the division must not lift the bound above a true best.
    return max(0.0, result.fun - 1e-9) if result.status == 0 else 0.0


def best_spread_rules(component, plans, year_group, students, rules, flag_range, time_limit, extras=None, scale=None):
    """The best spread of the component's classes under the rules.
    year_group: the group index of every student; students: its (band, score).
    extras: every student's numbers in the extra score columns (None for a
    blank), scale: 1 / standard deviation of the main score and of each; with
    them the aim is the largest normalised spread, then the main spread."""
    blank_extras = ()
    inside = [gi for gi, plan in enumerate(plans) if plan[0][0] in component]
    classes_of = {gi: [number for number, _ in plans[gi]] for gi in inside}
    heads = defaultdict(int)
    for gi in inside:
        for number, head in plans[gi]:
            heads[number] += head

    columns = []  # per column: its kind
    entries = defaultdict(list)  # class -> [(column, group, band, score, mark, flags)]: a student there
    assign = []  # (columns, count): exactly count over these columns

    def column(kind):
        columns.append(kind)
        return len(columns) - 1

    counted = defaultdict(int)
    for i, g in enumerate(year_group):
        if g in classes_of and i not in rules.set_of:
            counted[(g,) + students[i] + (rules.marks[i], rules.fixed[i], rules.flags[i],
                                          extras[i] if extras else blank_extras)] += 1
    for key, n in sorted(counted.items(), key=lambda kv: repr(kv[0])):
        g, b, score, mark, fixed, flags, extra = key
        allowed = [c for c in classes_of[g] if fixed is None or c == fixed]
        if not allowed:
            raise SystemExit(f"a student of group {g + 1} is fixed to class {fixed}, not one of the group's classes")
        cols = []
        for c in allowed:
            cols.append(column("count"))
            entries[c].append((cols[-1], g, b, score, mark, flags, extra))
        assign.append((cols, n))
    for u, members in enumerate(rules.sets):
        if year_group[members[0]] not in classes_of:
            continue
        shared = set(classes_of[year_group[members[0]]])
        for i in members:
            shared &= set(classes_of.get(year_group[i], []))
            if rules.fixed[i] is not None:
                shared &= {rules.fixed[i]}
        if not shared:
            raise SystemExit(f"together set {u + 1} ({len(members)} students) has no class it may go to")
        cols = []
        for c in sorted(shared):
            cols.append(column("set"))
            for i in members:
                entries[c].append((cols[-1], year_group[i]) + students[i] +
                                  (rules.marks[i], rules.flags[i], extras[i] if extras else blank_extras))
        assign.append((cols, 1))
    # Only fixed students and together sets can force a band outside its range.
    binding = "set" in columns or any(rules.fixed[i] is not None for i, g in enumerate(year_group) if g in classes_of)

    rows, lo, hi = [], [], []

    def add(terms, low, high):
        row = defaultdict(float)
        for col, coeff in terms:
            row[col] += coeff
        rows.append(row)
        lo.append(low)
        hi.append(high)

    for cols, n in assign:
        add([(c, 1) for c in cols], n, n)
    # Each flag column's largest |count - share|: a count held to floor..ceiling
    # lies at share - floor or at ceiling - share, linear in the count.
    flag_dev = [column("dev") for _ in rules.columns[3]]
    flag_cells = [[] for _ in rules.columns[3]]

    def deviation_row(dev, cells, terms, low, high, share):
        if low == high:
            add([(dev, 1)], abs(share - low), np.inf)
            cells.append((terms, low, high, share))
            return
        f = share - low  # the deviation at the floor; at the ceiling 1 - f
        add([(c, (1 - 2 * f) * x) for c, x in terms] + [(dev, -1)], -np.inf, -f + (1 - 2 * f) * low)
        cells.append((terms, low, high, share))

    slacks = []
    for gi in inside:
        in_band = defaultdict(int)
        for i, g in enumerate(year_group):
            if g == gi:
                in_band[students[i][0]] += 1
        size = sum(in_band.values())
        for number, head in plans[gi]:
            add([(e[0], 1) for e in entries[number] if e[1] == gi], head, head)
            for b, nb in sorted(in_band.items()):
                terms = [(e[0], 1) for e in entries[number] if e[1] == gi and e[2] == b]
                if binding:
                    under, over = column("slack"), column("slack")
                    slacks += [under, over]
                    terms += [(under, 1), (over, -1)]
                add(terms, *fair_range(head, nb, size))
    for number in component:
        for mark in sorted({e[4] for e in entries[number] if e[4]}):
            add([(e[0], 1) for e in entries[number] if e[4] == mark], -np.inf, 1)
        for k in range(len(rules.columns[3])):
            # Every value of the year, so that a class without any of it still gets its floor.
            for (kk, v, c), (low, high, share) in sorted(flag_range.items()):
                if kk == k and c == number:
                    terms = [(e[0], 1) for e in entries[number] if e[5][k] == v]
                    add(terms, low, high)
                    if k not in rules.range_only:
                        deviation_row(flag_dev[k], flag_cells[k], terms, low, high, share)
    if extras:
        blanks = [sum(1 for i, g in enumerate(year_group) if g in classes_of and extras[i][k] is None)
                  for k in range(len(scale) - 1)]
        aim, spreads = score_rows(component, entries, heads, scale, blanks, column, add)
        u, l = spreads[0]
    else:
        u, l = column("upper"), column("lower")
        for number in component:
            terms = [(e[0], e[3] / heads[number]) for e in entries[number]]
            add(terms + [(u, -1)], -np.inf, 0)
            add(terms + [(l, -1)], 0, np.inf)

    size = len(columns)
    integrality = np.array([1 if kind in ("count", "set", "choice") else 0 for kind in columns])
    low = np.array([-np.inf if kind in ("upper", "lower") else 0.0 for kind in columns])
    high = np.array([1 if kind in ("set", "choice") else np.inf for kind in columns])

    def solve(cost, extra_rows, extra_lo, extra_hi):
        every = rows + extra_rows
        matrix = csr_matrix(([x for row in every for x in row.values()],
                             ([r for r, row in enumerate(every) for _ in row], [c for row in every for c in row])),
                            shape=(len(every), size))
        solved = None
        # The presolve of scipy 1.10's HiGHS calls some small feasible models
        # infeasible (four students, two flag values): such a verdict is checked without it.
        for presolve in (True, False):
            solved = milp(cost, constraints=LinearConstraint(matrix, lo + extra_lo, hi + extra_hi),
                          integrality=integrality, bounds=Bounds(low, high),
                          options={"time_limit": time_limit, "presolve": presolve})
            if solved.status != 2:
                break
        return solved

    outside, proven = 0, True
    if slacks:
        # First the fewest students outside the fair bands that the rules allow.
        cost = np.zeros(size)
        cost[slacks] = 1
        first = solve(cost, [], [], [])
        if first.x is None:
            first.averages, first.outside = None, None
            return first
        # Cut short by the time limit, the fewest found still bounds what the rules force.
        outside, proven = round(first.fun), first.status == 0
    extra = ([{c: 1.0 for c in slacks}], [0], [outside]) if slacks else ([], [], [])
    aimed = [k for k in range(len(flag_dev)) if k not in rules.range_only]
    levels = flag_levels(solve, size, [flag_dev[k] for k in aimed], [flag_cells[k] for k in aimed], extra)
    if levels is None:
        first = solve(np.zeros(size), *extra)
        first.averages, first.outside = None, None
        if first.x is not None:
            # Placements exist: a solve of the deviations ran out of time before it found one.
            first.x = None
            first.message = "the time limit ran out before a solve of the deviations found a placement"
        return first
    cost = np.zeros(size)
    if extras:
        cost[aim] = 1
    else:
        cost[u], cost[l] = 1, -1
    result = solve(cost, *extra)
    result.flag_levels = levels
    if extras and result.x is not None:
        # Then the main score's own spread, the largest normalised spread held.
        cost = np.zeros(size)
        cost[u], cost[l] = 1, -1
        held = ([{aim: 1.0}], [-np.inf], [result.fun + 1e-7])
        second = solve(cost, extra[0] + held[0], extra[1] + held[1], extra[2] + held[2])
        result.main = second.fun if second.x is not None else None
        result.main_proven = second.status == 0
    result.outside = outside if slacks else None
    result.outside_proven = proven
    result.averages = None
    if result.x is not None:
        result.fun = max(result.fun, 0.0)  # no -0.0000 when the averages meet
        result.averages = {n: sum(round(result.x[e[0]]) * e[3] for e in entries[n]) / heads[n] for n in component}
    result.totals_bound = totals_bound(heads, [students[i][1] for i, g in enumerate(year_group) if g in classes_of])
    return result


def flag_levels(solve, size, flag_dev, flag_cells, extra):
    """Column by column in their order: the smallest largest deviation, then
    the fewest cells at it, each held for what follows (extra: the rows so
    far, grown in place). [(deviation, cells, proven)], None when no
    placement meets the rules."""
    levels = []
    for dev, cells in zip(flag_dev, flag_cells):
        cost = np.zeros(size)
        cost[dev] = 1
        first = solve(cost, *extra)
        if first.x is None:
            return None
        worst = first.fun
        extra[0].append({dev: 1.0})
        extra[1].append(-np.inf)
        extra[2].append(worst + 1e-7)
        # A cell at the largest deviation: at the floor, at the ceiling, or both (a half).
        count, fixed = defaultdict(float), 0
        for terms, low, high, share in cells:
            at_low, at_high = abs(share - low - worst) < 1e-7, abs(high - share - worst) < 1e-7
            if low == high or (at_low and at_high):
                fixed += 1 if at_low or at_high else 0
            elif at_low:
                fixed += low + 1
                for c, x in terms:
                    count[c] -= x
            elif at_high:
                fixed -= low
                for c, x in terms:
                    count[c] += x
        second = first
        if count:
            cost = np.zeros(size)
            for c, x in count.items():
                cost[c] = x
            second = solve(cost, *extra)
            if second.x is None:
                return None
            extra[0].append(dict(count))
            extra[1].append(-np.inf)
            extra[2].append(second.fun + 1e-7)
            at = round(second.fun + fixed)
        else:
            at = fixed
        levels.append((worst, at, first.status == 0 and second.status == 0))
    return levels


def score_rows(component, entries, heads, scale, blanks, column, add):
    """The rows of the aim with extra score columns; returns the aim's column
    and the (upper, lower) columns of every score column, the main one first.
    A class whose students may be blank in a column chooses how many of its
    students are counted there (a binary a count), so that its average stays linear."""
    aim = column("aim")
    spreads = []
    for k in range(len(scale)):
        u, l = column("upper"), column("lower")
        spreads.append((u, l))
        add([(aim, 1), (u, -scale[k]), (l, scale[k])], 0, np.inf)
        for number in component:
            head = heads[number]
            if k == 0:
                terms = [(e[0], e[3] / head) for e in entries[number]]
                add(terms + [(u, -1)], -np.inf, 0)
                add(terms + [(l, -1)], 0, np.inf)
                continue
            sums = [(e[0], e[6][k - 1]) for e in entries[number] if e[6][k - 1] is not None]
            blank = [e[0] for e in entries[number] if e[6][k - 1] is None]
            if not blank:
                add([(c, v / head) for c, v in sums] + [(u, -1)], -np.inf, 0)
                add([(c, v / head) for c, v in sums] + [(l, -1)], 0, np.inf)
                continue
            choices = [(column("choice"), m) for m in range(max(1, head - blanks[k - 1]), head + 1)]
            add([(y, 1) for y, _ in choices], 1, 1)
            add([(c, 1) for c in blank] + [(y, -(head - m)) for y, m in choices], 0, 0)
            big = 2 * head * max([abs(v) for _, v in sums] + [1]) + 1
            for y, m in choices:
                add(sums + [(u, -m), (y, big)], -np.inf, big)
                add(sums + [(l, -m), (y, -big)], -big, np.inf)
    return aim, spreads


def rule_breaks(classes, rules, flag_range):
    """The teacher's rules a division breaks (classes: the class of every student)."""
    broken = []
    held = defaultdict(list)
    for i, (mark, c) in enumerate(zip(rules.marks, classes)):
        if mark:
            held[(mark, c)].append(i)
    for (mark, c), students in sorted(held.items()):
        if len(students) > 1:
            broken.append(f"mark {mark}: {len(students)} students in class {c}")
    for members in rules.sets:
        if len({classes[i] for i in members}) > 1:
            broken.append(f"together: rows {[i + 2 for i in members]} in classes {[classes[i] for i in members]}")
    for i, (fixed, c) in enumerate(zip(rules.fixed, classes)):
        if fixed is not None and fixed != c:
            broken.append(f"fixed: row {i + 2} in class {c}, not {fixed}")
    count = defaultdict(int)
    for flags, c in zip(rules.flags, classes):
        for k, v in enumerate(flags):
            if v:
                count[(k, v, c)] += 1
    for (k, v, c), (low, high, _) in sorted(flag_range.items()):
        if not low <= count[(k, v, c)] <= high:
            broken.append(f"flag column {rules.columns[3][k]}: class {c} holds {count[(k, v, c)]} of {v}, "
                          f"fair {low}..{high}")
    return broken


def check_division(path, year, names, plans, points, components, rules=None, flag_range=None):
    """The unrounded spread of a division read from the first column of path,
    and the rules it breaks."""
    raw = open(path, "rb").read()
    text = raw[3:].decode("utf-8") if raw.startswith(b"\xef\xbb\xbf") else raw.decode("cp932")
    rows = list(csv.reader(text.splitlines()))
    classes = [int(text_value(r[0])) for r in rows[1:len(year) + 1]]
    broken = []
    total, heads = defaultdict(float), defaultdict(int)
    for (g, s), c in zip(year, classes):
        total[c] += s
        heads[c] += 1
    for i, name in enumerate(names):
        inside = [(band(s, points), c) for (g, s), c in zip(year, classes) if g == name]
        in_band = defaultdict(int)
        for b, _ in inside:
            in_band[b] += 1
        for number, head in plans[i]:
            if sum(1 for _, c in inside if c == number) != head:
                broken.append(f"{name}: class {number} does not hold {head}")
            for b, nb in in_band.items():
                low, high = fair_range(head, nb, len(inside))
                n = sum(1 for bb, c in inside if c == number and bb == b)
                if not low <= n <= high:
                    broken.append(f"{name}: class {number} holds {n} of band {b + 1}, fair {low}..{high}")
    if rules:
        broken += rule_breaks(classes, rules, flag_range)
    worst = 0.0
    for classes_of in components:
        averages = [total[c] / heads[c] for c in classes_of if heads[c]]
        worst = max(worst, max(averages) - min(averages))
    return worst, broken


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("csv")
    parser.add_argument("--id", type=int, default=1)
    parser.add_argument("--group", type=int, required=True)
    parser.add_argument("--score", type=int, required=True)
    parser.add_argument("--time-limit", type=float, default=120)
    parser.add_argument("--verbose", action="store_true", help="print the class averages of the best")
    parser.add_argument("--classes", help="a division of the year to measure (new class in the first column)")
    parser.add_argument("--rules", action="store_true",
                        help="follow the rules whose columns the BUNKATSU.TXT file beside the CSV names")
    parser.add_argument("--marks", type=int, help="column of the keep-apart marks")
    parser.add_argument("--together", type=int, help="column of the values kept together")
    parser.add_argument("--fixed", type=int, help="column of the fixed classes")
    parser.add_argument("--flags", help="columns whose values are spread fairly, separated by commas")
    parser.add_argument("--scores", help="score columns evened beside the main one, separated by commas")
    parser.add_argument("--mix", type=int, help="column mixed: every class within floor .. ceiling of its share of every value")
    parser.add_argument("--mix-aim", action="store_true",
                        help="with --mix: after the flag columns, the mixed column's largest deviation from its shares "
                             "as small as it can be, then its cells at it, as for a flag column")
    args = parser.parse_args()

    year = read_year(args.csv, args.id, args.group, args.score)
    points = boundary_points([s for _, s in year])
    # The group list sorts by UTF-16 code units, and the conditions follow it.
    names = sorted({g for g, _ in year}, key=lambda t: t.encode("utf-16-be"))
    plans = read_conditions(args.csv + "JYOKEN.TXT", len(names))
    members = {name: [] for name in names}
    for g, s in year:
        members[g].append((band(s, points), s))

    parent = {}

    def root(c):
        while parent.setdefault(c, c) != c:
            c = parent[c]
        return c

    for plan in plans:
        for number, _ in plan:
            parent[root(number)] = root(plan[0][0])
    components = defaultdict(list)
    for plan in plans:
        for number, _ in plan:
            if number not in components[root(number)]:
                components[root(number)].append(number)

    linked = [sorted(c) for c in components.values() if len(c) > 1]
    rules, flag_range, extras, scale = None, None, None, None
    if args.rules or args.marks or args.together or args.fixed or args.flags or args.scores or args.mix:
        marks, mix, together, fixed, flags, scores = (read_spread_file(args.csv + "BUNKATSU.TXT") if args.rules
                                                      else (0, 0, 0, 0, [], []))
        # The file's mixed column is followed only when its aim is asked for, as before.
        args.mix = args.mix or (mix if args.mix_aim else 0)
        marks = args.marks if args.marks is not None else marks
        together = args.together if args.together is not None else together
        fixed = args.fixed if args.fixed is not None else fixed
        flags = [int(t) for t in args.flags.split(",") if t] if args.flags is not None else flags
        scores = [int(t) for t in args.scores.split(",") if t] if args.scores is not None else scores
        rows = [r for r in read_rows(args.csv)[1:] if r]
        rules = Rules(rows, marks, together, fixed, flags + ([args.mix] if args.mix else []))
        if args.mix and not args.mix_aim:
            rules.range_only = {len(flags)}
        if scores:
            extras = [tuple(score_cell(r[c - 1]) for c in scores) for r in rows]
            scale = scales([[s for _, s in year]] + [[e[k] for e in extras] for k in range(len(scores))])
            print(f"score columns {','.join(map(str, scores))}: standard deviations "
                  + ", ".join(f"{1 / x:.4f}" if x else "-" for x in scale)
                  + f"; blanks {[sum(1 for e in extras if e[k] is None) for k in range(len(scores))]}")
        year_group = [names.index(g) for g, _ in year]
        flag_range = flag_ranges(year_group, plans, rules)
        print(rules.describe())
    if args.classes:
        spread, broken = check_division(args.classes, year, names, plans, points, linked, rules, flag_range)
        print(f"division {args.classes}: spread of unrounded averages {spread:.4f}")
        for line in broken:
            print("  breaks", line)

    worst = 0.0
    flag_worst = {}
    for classes in linked:
        if rules:
            result = best_spread_rules(sorted(classes), plans, year_group,
                                       [(band(s, points), s) for _, s in year], rules, flag_range, args.time_limit,
                                       extras, scale)
            if result.x is None:
                print(f"classes {sorted(classes)}: no placement found that meets the rules ({result.message})")
                worst = math.inf
                continue
            for k, (dev, at, exact) in enumerate(getattr(result, "flag_levels", [])):
                kind = "mixing" if args.mix and k == len(rules.columns[3]) - 1 else "flag"
                print(f"classes {sorted(classes)}: {kind} column {rules.columns[3][k]}: largest deviation {dev:.4f}, "
                      f"{at} cells at it" + ("" if exact else " (time limit: the best found)"))
                flag_worst[k] = max(flag_worst.get(k, 0.0), dev)
            if result.outside is not None:
                print(f"classes {sorted(classes)}: students outside the fair bands that fixed classes and together "
                      f"sets force: {result.outside}" + ("" if result.outside_proven else " (time limit: at most)"))
        else:
            inside = [(plans[i], members[name]) for i, name in enumerate(names) if plans[i][0][0] in classes]
            result = best_spread(sorted(classes), inside, year, args.time_limit)
        proven = result.status == 0
        value = result.fun if result.x is not None else float("nan")
        bound = getattr(result, "mip_dual_bound", None)
        if rules and not proven and not extras:
            bound = max(bound, result.totals_bound)
            proven = value <= bound + 1e-6
            if proven:
                print(f"classes {sorted(classes)}: no division's class totals allow less than {bound:.4f}")
        if args.verbose and result.x is not None:
            print("  averages:", {n: round(a, 4) for n, a in sorted(result.averages.items())})
        if extras:
            main_text = "-" if result.main is None else f"{result.main:.4f}" + ("" if result.main_proven else " (time limit)")
            print(f"classes {sorted(classes)}: best largest normalised spread {value:.4f}"
                  + ("" if proven else f" (time limit; lower bound {bound:.4f})")
                  + f"; main score's spread there {main_text}")
            worst = max(worst, value)
            continue
        print(f"classes {sorted(classes)}: best spread of unrounded averages {value:.4f}"
              + ("" if proven else f" (time limit; lower bound {bound:.4f})"))
        worst = max(worst, value)
    if flag_worst:
        print("year: largest deviations of the flag (and mixed) columns "
              + ", ".join(f"{rules.columns[3][k]}: {d:.4f}" for k, d in sorted(flag_worst.items())))
    print(f"year: best {'largest normalised spread' if extras else 'spread of unrounded averages'} {worst:.4f}")


if __name__ == "__main__":
    sys.exit(main())
