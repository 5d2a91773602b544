#!/usr/bin/python3
"""The fewest moves that mend a kept division of a changed year, found exactly
by integer programming (scipy's milp), and the best spread of class averages
at that many moves.

    python3 scripts/exact_moves.py year.csv --draft 8 --marks 5 --together 6 --fixed 7 --flags 10,11

Reads the CSV (CP932, or UTF-8 with a byte order mark) and the conditions
file beside it (name + "JYOKEN.TXT"), as scripts/exact_spread.py does, and
the column --draft: the class each student had in the kept division (0 or
blank for a new student). A division of the year must keep, as hard
constraints: every student in a class of its group's plan; every
(group, class) head count; every (group, class, score band) count between
the floor and the ceiling of its fair share (widened to the students fixed
there); at most one student of a keep-apart mark in a class; together sets
in one class; fixed classes; every flag value's count between the floor and
the ceiling of its pooled fair share; with --mix, the same for the mixing
column; with --locked, the students of those classes where they were.

A student that had a class and is in another counts as one move (a class the
plans no longer open included); a new student is placed for nothing. The
first solve finds the fewest moves; the second, with that many, the
smallest spread of unrounded class averages (score total / head count)
within sets of linked classes, the largest over the sets.

With --mended, the column of a division the program made is measured: its
moves, its spread and the rules it breaks.

Needs Debian's python3-scipy (1.9 or later); it is a reference for measuring
the program, not part of it.
"""

import argparse
import math
import os
import sys
from collections import defaultdict

import numpy as np
from scipy.optimize import Bounds, LinearConstraint, milp
from scipy.sparse import csr_matrix

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from exact_spread import (Rules, band, boundary_points, fair_range, fixed_class_of, flag_ranges,  # noqa: E402
                          read_conditions, read_rows, text_value)


def class_of(cell):
    value = fixed_class_of(cell)
    return value if value and value > 0 else 0


class Model:
    def __init__(self, args):
        rows = [r for r in read_rows(args.csv)[1:] if r]
        self.rows = rows
        self.groups = [r[args.group - 1].strip() for r in rows]
        self.scores = [text_value(r[args.score - 1]) for r in rows]
        names = sorted(set(self.groups), key=lambda t: t.encode("utf-16-be"))
        self.plans = read_conditions(args.csv + "JYOKEN.TXT", len(names))
        self.gi = [names.index(g) for g in self.groups]
        points = boundary_points(self.scores)
        self.band = [band(s, points) for s in self.scores]
        self.draft = [class_of(r[args.draft - 1]) for r in rows]
        flags = [int(t) for t in args.flags.split(",") if t] if args.flags else []
        self.rules = Rules(rows, args.marks or 0, args.together or 0, args.fixed or 0, flags)
        self.flag_range = flag_ranges(self.gi, self.plans, self.rules)
        self.mix_range = {}
        if args.mix:
            mix_rules = Rules(rows, 0, 0, 0, [args.mix])
            self.mix_range = flag_ranges(self.gi, self.plans, mix_rules)
            self.mix = mix_rules.flags
        self.locked = {int(t) for t in args.locked.split(",") if t} if args.locked else set()
        self.var = {}
        for i, g in enumerate(self.gi):
            for c, _ in self.plans[g]:
                self.var[(i, c)] = len(self.var)
        self.heads = defaultdict(int)
        for plan in self.plans:
            for c, h in plan:
                self.heads[c] += h

    def constraints(self):
        """(terms, low, high) rows: every hard rule."""
        out = []
        n = len(self.rows)
        for i in range(n):
            out.append(([(self.var[(i, c)], 1) for c, _ in self.plans[self.gi[i]]], 1, 1))
        for g, plan in enumerate(self.plans):
            members = [i for i in range(n) if self.gi[i] == g]
            in_band = defaultdict(int)
            for i in members:
                in_band[self.band[i]] += 1
            for c, head in plan:
                out.append(([(self.var[(i, c)], 1) for i in members], head, head))
                for b in range(6):
                    lo, hi = fair_range(head, in_band[b], len(members))
                    fixed = sum(1 for i in members if self.band[i] == b and self.rules.fixed[i] == c)
                    out.append(([(self.var[(i, c)], 1) for i in members if self.band[i] == b], lo, max(hi, fixed)))
        by_mark = defaultdict(list)
        for i, m in enumerate(self.rules.marks):
            if m:
                by_mark[m].append(i)
        for members in by_mark.values():
            for c in self.heads:
                terms = [(self.var[(i, c)], 1) for i in members if (i, c) in self.var]
                if len(terms) > 1:
                    out.append((terms, 0, 1))
        for members in self.rules.sets:
            first = members[0]
            for j in members[1:]:
                for c in self.heads:
                    terms = [(self.var[k], s) for k, s in (((first, c), 1), ((j, c), -1)) if k in self.var]
                    out.append((terms, 0, 0))
        for i, f in enumerate(self.rules.fixed):
            if f is not None and f > 0:
                out.append(([(self.var[(i, f)], 1)] if (i, f) in self.var else [], 1, 1))
        for ranges, values in ((self.flag_range, self.rules.flags), (self.mix_range, getattr(self, "mix", None))):
            for (k, v, c), (lo, hi, _) in ranges.items():
                terms = [(self.var[(i, c)], 1) for i in range(n) if values[i][k] == v and (i, c) in self.var]
                out.append((terms, lo, hi))
        for i, d in enumerate(self.draft):
            if d in self.locked and (i, d) in self.var:
                out.append(([(self.var[(i, d)], 1)], 1, 1))
        return out

    def stays(self):
        return [(self.var[(i, d)], 1) for i, d in enumerate(self.draft) if d and (i, d) in self.var]

    def placed(self):
        return sum(1 for d in self.draft if d)

    def components(self):
        parent = {}

        def root(c):
            while parent.setdefault(c, c) != c:
                c = parent[c]
            return c

        for plan in self.plans:
            for c, _ in plan:
                parent[root(c)] = root(plan[0][0])
        groups = defaultdict(list)
        for c in sorted(self.heads):
            groups[root(c)].append(c)
        return [cs for cs in groups.values() if len(cs) > 1]


def solve(model, rows, cost, integrality, size, time_limit):
    data, ri, ci, lo, hi = [], [], [], [], []
    for r, (terms, low, high) in enumerate(rows):
        for col, val in terms:
            ri.append(r)
            ci.append(col)
            data.append(val)
        lo.append(low)
        hi.append(high)
    a = csr_matrix((data, (ri, ci)), shape=(len(rows), size))
    lower = np.zeros(size)
    upper = np.ones(size)
    upper[integrality == 0] = np.inf
    lower[integrality == 0] = -np.inf
    return milp(cost, constraints=LinearConstraint(a, lo, hi), integrality=integrality,
                bounds=Bounds(lower, upper), options={"time_limit": time_limit})


def measure(model, column):
    classes = [class_of(r[column - 1]) for r in model.rows]
    moves = sum(1 for d, c in zip(model.draft, classes) if d and d != c)
    x = np.zeros(len(model.var))
    for i, c in enumerate(classes):
        if (i, c) in model.var:
            x[model.var[(i, c)]] = 1
    broken = 0
    for terms, low, high in model.constraints():
        value = sum(x[col] * val for col, val in terms)
        broken += not (low - 1e-9 <= value <= high + 1e-9)
    totals = defaultdict(float)
    for i, c in enumerate(classes):
        totals[c] += model.scores[i]
    spread = max(max(totals[c] / model.heads[c] for c in cs) - min(totals[c] / model.heads[c] for c in cs)
                 for cs in model.components())
    return moves, spread, broken


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("csv")
    parser.add_argument("--id", type=int, default=1)
    parser.add_argument("--group", type=int, default=3)
    parser.add_argument("--score", type=int, default=4)
    parser.add_argument("--draft", type=int, required=True, help="column of the kept classes")
    parser.add_argument("--marks", type=int, default=5)
    parser.add_argument("--together", type=int, default=6)
    parser.add_argument("--fixed", type=int, default=7)
    parser.add_argument("--flags", default="", help="flag columns, by commas")
    parser.add_argument("--mix", type=int, help="column of the mixing values")
    parser.add_argument("--locked", default="", help="classes whose students stay, by commas")
    parser.add_argument("--mended", type=int, help="column of a division to measure")
    parser.add_argument("--time-limit", type=float, default=120)
    parser.add_argument("--verbose", action="store_true", help="list the students the best division moves")
    args = parser.parse_args()

    model = Model(args)
    rows = model.constraints()
    size = len(model.var)
    integrality = np.ones(size)
    cost = np.zeros(size)
    for col, val in model.stays():
        cost[col] -= val
    first = solve(model, rows, cost, integrality, size, args.time_limit)
    if first.x is None:
        print(f"no division keeps every rule ({first.message})")
        return 1
    stays = int(round(-first.fun))
    fewest = model.placed() - stays
    print(f"fewest moves {fewest}" + ("" if first.status == 0 else " (time limit: the best found)")
          + f"; new students placed {sum(1 for d in model.draft if not d)}")

    # The spread at that many moves: a continuous high and low a set of linked classes, and their largest difference.
    components = model.components()
    extra = 2 * len(components) + 1
    cost2 = np.zeros(size + extra)
    cost2[-1] = 1
    integrality2 = np.concatenate([integrality, np.zeros(extra)])
    rows2 = list(rows) + [(model.stays(), stays, len(model.rows))]
    for k, cs in enumerate(components):
        high, low = size + 2 * k, size + 2 * k + 1
        for c in cs:
            avg = [(model.var[(i, c)], model.scores[i] / model.heads[c]) for i in range(len(model.rows)) if (i, c) in model.var]
            rows2.append((avg + [(high, -1)], -np.inf, 0))
            rows2.append((avg + [(low, -1)], 0, np.inf))
        rows2.append(([(size + extra - 1, 1), (high, -1), (low, 1)], 0, np.inf))
    second = solve(model, rows2, cost2, integrality2, size + extra, args.time_limit)
    if second.x is not None:
        bound = getattr(second, "mip_dual_bound", None)
        print(f"best spread of unrounded averages at {fewest} moves {second.fun:.4f}"
              + ("" if second.status == 0 else f" (time limit; lower bound {bound:.4f})"))
    if args.verbose and second.x is not None:
        for (i, c), col in sorted(model.var.items()):
            if second.x[col] > 0.5 and c != model.draft[i]:
                print(f"  line {i + 2}: {model.rows[i][args.id - 1]} {model.groups[i]} band {model.band[i] + 1}"
                      f" score {model.scores[i]:g}: {model.draft[i] or '-'} -> {c}")
    if args.mended:
        moves, spread, broken = measure(model, args.mended)
        print(f"column {args.mended}: moves {moves}, spread {spread:.4f}, rules broken {broken}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
