#!/bin/sh
# The example year divided twice with one seed, read once from its CSV and
# once from a workbook openpyxl wrote of it: both give the same result, and
# each result workbook matches its result CSV cell for cell in openpyxl.
# usage: workbook_roundtrip.sh DIVIDE_CSV EXAMPLES_FOLDER WORK_FOLDER
set -eu
divide=$1 examples=$2 work=$3
here=$(dirname "$0")
# openpyxl comes from Debian's python3-openpyxl, which only Debian's own Python sees.
python3() { if [ -x /usr/bin/python3 ]; then /usr/bin/python3 "$@"; else command python3 "$@"; fi; }
rm -rf "$work" && mkdir -p "$work"
cp "$examples/nen1.csv" "$examples/nen1.csvJYOKEN.TXT" "$work/"
cp "$examples/nen1.csvJYOKEN.TXT" "$work/nen1.xlsxJYOKEN.TXT"
python3 "$here/check_workbook.py" roster "$work/nen1.csv" "$work/nen1.xlsx"
"$divide" "$work/nen1.csv" 14 1 3 6 7 20261208 "$work/from_csv.csv" "$work/from_csv.xlsx"
"$divide" "$work/nen1.xlsx" 14 1 3 6 7 20261208 "$work/from_xlsx.csv" "$work/from_xlsx.xlsx"
python3 "$here/check_workbook.py" self-test "$work/from_csv.xlsx" "$work/from_csv.csv"
python3 "$here/check_workbook.py" check "$work/from_xlsx.xlsx" "$work/from_xlsx.csv" --bom
# The same students, the same draw: the same result, only the encoding differs.
python3 - "$work/from_csv.csv" "$work/from_xlsx.csv" <<'PY'
import sys
a = open(sys.argv[1], "rb").read().decode("cp932")
b = open(sys.argv[2], "rb").read().decode("utf-8-sig")
sys.exit(0 if a == b else "the workbook roster gave another result than its CSV")
PY
