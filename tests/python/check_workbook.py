#!/usr/bin/env python3
"""Checks the program's result workbook with openpyxl, a reader of its own.

usage: check_workbook.py roster CSV XLSX
         writes the roster CSV (CP932 or UTF-8) as a workbook with openpyxl:
         numbers as numbers, text as text, a note sheet before it in the file
         but after it in tab order
       check_workbook.py check XLSX RESULT_CSV [--bom]
         compares every sheet of XLSX with the result CSV: 全員 cell for cell,
         分布表 with the CSV's table, each class sheet with the students of
         that class, its head count and average, and its A4 print setup
       check_workbook.py self-test XLSX RESULT_CSV
         the check must pass, and fail on each of a few damaged copies

Exit status 0 when everything matches; 1 with the reasons otherwise.
"""

import csv
import io
import re
import shutil
import sys
import tempfile

import openpyxl


def read_csv(path):
    data = open(path, "rb").read()
    for encoding in ("utf-8-sig", "cp932"):
        try:
            return data, list(csv.reader(io.StringIO(data.decode(encoding), newline="")))
        except UnicodeDecodeError:
            continue
    raise SystemExit(f"{path}: neither UTF-8 nor CP932")


def make_roster(csv_path, xlsx_path):
    _, rows = read_csv(csv_path)
    book = openpyxl.Workbook()
    note = book.active
    note.title = "メモ"
    note["A1"] = "この名簿は試験用です"
    roster = book.create_sheet("名簿", 0)  # first tab, second part
    for row in rows:
        roster.append([int(v) if re.fullmatch(r"-?[1-9][0-9]*|0", v) else v for v in row])
    book.save(xlsx_path)


def leading_number(text):
    # The value the program gives a text: blanks skipped, the number at its start, 0 for none.
    text = text.strip(" \t").translate(str.maketrans("０１２３４５６７８９．－", "0123456789.-"))
    match = re.match(r"-?[0-9]*\.?[0-9]*", text)
    try:
        return float(match.group(0))
    except ValueError:
        return 0.0


def same(cell, field, column=None):
    """A workbook cell against a field of the CSV, which holds numbers as their values."""
    if cell is None:
        return field == ""
    if isinstance(cell, bool):
        return False
    if isinstance(cell, (int, float)):
        try:
            return float(field) == float(cell)
        except ValueError:
            return False
    if field == cell:
        return True
    # An identifier written as text keeps its leading zeros; the CSV writes its value.
    return column == "id" and re.fullmatch(r"-?[0-9.]+", field) is not None and leading_number(cell) == float(field)


def check(xlsx_path, csv_path, bom):
    problems = []
    data, rows = read_csv(csv_path)
    if bom and not data.startswith(b"\xef\xbb\xbf"):
        problems.append("the result CSV has no byte order mark")
    title = next(i for i, r in enumerate(rows) if r[:1] == ["分布表"])
    students, table = rows[:title], rows[title:]
    book = openpyxl.load_workbook(xlsx_path)
    classes = sorted({int(r[0]) for r in students[1:] if int(r[0]) > 0})
    expected_sheets = ["全員", "分布表"] + [f"{k}組" for k in classes]
    if book.sheetnames != expected_sheets:
        problems.append(f"sheets {book.sheetnames}, expected {expected_sheets}")
        return problems

    everyone = [list(r) for r in book["全員"].iter_rows(values_only=True)]
    if len(everyone) != len(students):
        problems.append(f"全員 has {len(everyone)} rows, the CSV {len(students)}")
    kinds = [None, "id", None, None, None]
    for r, (got, want) in enumerate(zip(everyone, students)):
        if len(got) != 5 or not all(same(g, w, kinds[c]) for c, (g, w) in enumerate(zip(got, want))):
            problems.append(f"全員 row {r + 1}: {got} for {want}")
        if r > 0 and not isinstance(got[4], (int, float)):
            problems.append(f"全員 row {r + 1}: the score {got[4]!r} is not a number")

    distribution = [list(r) for r in book["分布表"].iter_rows(values_only=True)]
    if len(distribution) < 12 or not all(
        all(same(g, w) for g, w in zip(got + [None] * len(want), want)) for got, want in zip(distribution, table)
    ):
        problems.append(f"分布表 differs from the CSV's table: {distribution[:3]} ...")

    for k in classes:
        sheet = book[f"{k}組"]
        values = [list(r) for r in sheet.iter_rows(values_only=True)]
        members = [r for r in students[1:] if int(r[0]) == k]
        listed = values[4:]
        if values[1][:2] != ["人数", len(members)] or len(listed) != len(members):
            problems.append(f"{k}組: head count {values[1][:2]} and {len(listed)} rows for {len(members)} students")
        if [r[0] for r in listed] != list(range(1, len(listed) + 1)):
            problems.append(f"{k}組: the rows are not numbered 1..{len(listed)}")
        want = sorted(members, key=lambda r: (r[2], r[1]))
        got = sorted(listed, key=lambda r: (r[2] or "", str(r[1])))
        if len(got) != len(want) or not all(
            same(g[1], w[1], "id") and same(g[2], w[2]) and same(g[3], w[3]) and same(g[4], w[4])
            for g, w in zip(got, want)
        ):
            problems.append(f"{k}組: other students than the class's in 全員")
        scores = [r[4] for r in listed]
        if scores != sorted(scores, reverse=True):
            problems.append(f"{k}組: not highest score first")
        if k <= 10 and not same(values[1][3], table[1 + k][7]):
            problems.append(f"{k}組: average {values[1][3]} where 分布表 says {table[1 + k][7]}")
        if sheet.page_setup.paperSize not in (9, "9") or sheet.print_title_rows not in ("4:4", "$4:$4"):
            problems.append(f"{k}組: print setup paper {sheet.page_setup.paperSize}, titles {sheet.print_title_rows}")
    return problems


def damaged_copies(xlsx_path, folder):
    def edit(name, change):
        book = openpyxl.load_workbook(xlsx_path)
        change(book)
        path = f"{folder}/{name}.xlsx"
        book.save(path)
        return name, path

    def swap_two_names(book):
        sheet = book["全員"]
        sheet["C2"].value, sheet["C3"].value = sheet["C3"].value, sheet["C2"].value

    def score_as_text(book):
        book["全員"]["E2"].value = str(book["全員"]["E2"].value)

    def drop_last_student(book):
        book["全員"].delete_rows(book["全員"].max_row)

    def change_average(book):
        book["1組"]["D2"].value = (book["1組"]["D2"].value or 0) + 0.1

    def drop_repeat(book):
        book["1組"].print_title_rows = None

    return [edit(n, f) for n, f in (("swapped names", swap_two_names), ("score as text", score_as_text),
                                    ("a student missing", drop_last_student), ("another average", change_average),
                                    ("no heading repeated", drop_repeat))]


def main(argv):
    if len(argv) >= 4 and argv[1] == "roster":
        make_roster(argv[2], argv[3])
        return 0
    if len(argv) >= 4 and argv[1] in ("check", "self-test"):
        problems = check(argv[2], argv[3], "--bom" in argv)
        if argv[1] == "self-test" and not problems:
            with tempfile.TemporaryDirectory() as folder:
                for name, path in damaged_copies(argv[2], folder):
                    if not check(path, argv[3], False):
                        problems.append(f"a damaged copy passed: {name}")
        for problem in problems[:20]:
            print(f"check_workbook: {problem}", file=sys.stderr)
        return 1 if problems else 0
    print(__doc__, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
