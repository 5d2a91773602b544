#!/usr/bin/env python3
"""Reads a saved result file with Python's own csv module and checks its shape.

usage: check_result.py [--self-test] FILE STUDENTS [--utf8]

A second, independent reader: if a teacher's spreadsheet would split a name,
lose a line or see an extra row, this reader sees it too. Exit status 0 when
the file holds a header, STUDENTS student lines, the distribution table title,
its nine-field heading and ten class lines; 1 with the reason otherwise.

With --self-test the file must pass and each of a few damaged copies of it
must fail: a check that passes broken files proves nothing.
"""

import csv
import io
import re
import sys

CLASS_LABELS = ["１組", "２組", "３組", "４組", "５組", "６組", "７組", "８組", "９組", "10組"]


def fail(reason):
    print(f"check_result: {reason}", file=sys.stderr)
    sys.exit(1)


def is_number(text):
    # Plain decimal only: no blanks, no exponent, a point as separator.
    if text != text.strip() or "e" in text.lower() or text.startswith("."):
        return False
    try:
        float(text)
    except ValueError:
        return False
    return not text.startswith("-.")


def is_whole(text):
    return text.lstrip("-").isdigit()


def rows_end_with_crlf(data):
    # A line break inside a quoted text (a name over two lines) belongs to the
    # text; every other one must be CR LF. CP932 and UTF-8 never use the bytes
    # of a quote, CR or LF inside a character.
    quoted = False
    for i, byte in enumerate(data):
        if byte == 0x22:
            quoted = not quoted
        elif quoted:
            continue
        elif byte == 0x0A and data[i - 1:i] != b"\r":
            return False
        elif byte == 0x0D and data[i + 1:i + 2] != b"\n":
            return False
    return True


def check(data, students, encoding):
    if encoding == "utf-8":
        if not data.startswith(b"\xef\xbb\xbf"):
            fail("a UTF-8 result must start with its byte order mark")
        data = data[3:]
    elif data.startswith(b"\xef\xbb\xbf"):
        fail("a CP932 result must not start with a byte order mark")
    if not data.endswith(b"\r\n"):
        fail("the last line does not end with CR LF")
    if not rows_end_with_crlf(data):
        fail("a line ends with something other than CR LF")
    try:
        text = data.decode(encoding, errors="strict")
    except UnicodeDecodeError as error:
        fail(f"not valid {encoding}: {error}")

    rows = list(csv.reader(io.StringIO(text, newline="")))
    expected_rows = 1 + students + 1 + 1 + 10
    if len(rows) != expected_rows:
        fail(f"{len(rows)} rows, expected {expected_rows}")

    header = rows[0]
    if len(header) != 5 or header[0] != "新組":
        fail(f"header {header}")

    for number, row in enumerate(rows[1:1 + students], start=1):
        if len(row) != 5:
            fail(f"student line {number} has {len(row)} fields: {row}")
        for column in (0, 1, 4):
            if not is_number(row[column]):
                fail(f"student line {number}, column {column + 1} is no plain number: {row[column]!r}")
        if not is_whole(row[0]):
            fail(f"student line {number}: class {row[0]!r} is not a whole number")

    rest = rows[1 + students:]
    if rest[0] != ["分布表"]:
        fail(f"expected the line 分布表, found {rest[0]}")
    heading = rest[1]
    if len(heading) != 9 or heading[0] != "境界点" or heading[6] != "" or heading[7:] != ["平均点", "平均差"]:
        fail(f"boundary heading {heading}")
    for field in heading[1:6]:
        if field and not (field.endswith("点") and is_whole(field[:-1])):
            fail(f"boundary {field!r} is not a whole number followed by 点")

    for k, row in enumerate(rest[2:], start=1):
        if len(row) != 9:
            fail(f"class line {k} has {len(row)} fields: {row}")
        if row[0] not in (CLASS_LABELS[k - 1], ""):
            fail(f"class line {k} is labelled {row[0]!r}")
        if not all(is_whole(count) and int(count) >= 0 for count in row[1:7]):
            fail(f"class line {k}: stratum counts {row[1:7]}")
        if not all(is_number(value) for value in row[7:9]):
            fail(f"class line {k}: average and difference {row[7:9]}")

    print(f"check_result: Python {sys.version.split()[0]} csv module ({encoding}) read "
          f"{len(rows)} rows: {students} students, the distribution table and 10 class lines")


# Damaged copies of a good file: (what, bytes, students).
def damaged(data, students):
    yield "a student too many expected", data, students + 1
    yield "a name split by its comma", re.sub(rb'(?<=,)"([^"]*,[^"]*)"(?=,|\r\n)', rb"\1", data, count=1), students
    yield "bare line feeds", data.replace(b"\r\n", b"\n"), students
    yield "a score written with a comma", re.sub(rb",(\d+)\.(\d+)\r\n", rb",\1,\2\r\n", data, count=1), students


def self_test(data, students, encoding):
    check(data, students, encoding)
    for what, bad, expected in damaged(data, students):
        if bad == data and expected == students:
            fail(f"self-test: the damage changes nothing: {what}")
        try:
            check(bad, expected, encoding)
        except SystemExit:
            continue
        fail(f"self-test: a file with {what} passed")
    print("check_result: every damaged copy failed")


def main(argv):
    args = argv[1:]
    testing = args[:1] == ["--self-test"]
    args = args[1:] if testing else args
    if len(args) not in (2, 3) or (len(args) == 3 and args[2] != "--utf8"):
        fail("usage: check_result.py [--self-test] FILE STUDENTS [--utf8]")
    try:
        students = int(args[1])
    except ValueError:
        fail(f"STUDENTS must be a number, not {args[1]!r}")
    encoding = "utf-8" if len(args) == 3 else "cp932"
    try:
        with open(args[0], "rb") as file:
            data = file.read()
    except OSError as error:
        fail(f"cannot read {args[0]}: {error}")
    (self_test if testing else check)(data, students, encoding)


if __name__ == "__main__":
    main(sys.argv)
