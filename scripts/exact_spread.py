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
size (division/FairShares.h). A student's band is the first stratum of the
distribution table that holds its unrounded score (bandOfScore in
division/DistributionTable.cpp). The averages are unrounded: score total /
head count. Marks and mixing are not modelled.

With --classes, it also reads a division of the same year (a CSV whose first
column is the new class of each student, in the rows of the year, as the
result file holds them) and prints its unrounded spread, and whether it keeps
the head counts and the fair bands.

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
from scipy.optimize import Bounds, LinearConstraint, milp


def text_value(text):
    m = re.match(r"[+-]?(\d+\.?\d*|\.\d+)([EeDd][+-]?\d+)?", re.sub(r"[ \t\n]", "", text))
    return float(m.group(0).replace("D", "E").replace("d", "e")) if m else 0.0


def round_half_even(v):
    return float(round(v))


def read_year(path, id_col, group_col, score_col):
    raw = open(path, "rb").read()
    text = raw[3:].decode("utf-8") if raw.startswith(b"\xef\xbb\xbf") else raw.decode("cp932")
    rows = list(csv.reader(text.splitlines()))[1:]
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
    """Floor and ceiling of head x in_band / size, as division/FairShares.h."""
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


def check_division(path, year, names, plans, points, components):
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
    if args.classes:
        spread, broken = check_division(args.classes, year, names, plans, points, linked)
        print(f"division {args.classes}: spread of unrounded averages {spread:.4f}")
        for line in broken:
            print("  breaks", line)

    worst = 0.0
    for classes in linked:
        inside = [(plans[i], members[name]) for i, name in enumerate(names) if plans[i][0][0] in classes]
        result = best_spread(sorted(classes), inside, year, args.time_limit)
        proven = result.status == 0
        value = result.fun if result.x is not None else float("nan")
        bound = getattr(result, "mip_dual_bound", None)
        if args.verbose and result.x is not None:
            print("  averages:", {n: round(a, 4) for n, a in sorted(result.averages.items())})
        print(f"classes {sorted(classes)}: best spread of unrounded averages {value:.4f}"
              + ("" if proven else f" (time limit; lower bound {bound:.4f})"))
        worst = max(worst, value)
    print(f"year: best spread of unrounded averages {worst:.4f}")


if __name__ == "__main__":
    sys.exit(main())
