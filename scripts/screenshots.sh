#!/usr/bin/env bash
# Pictures of the four windows of varmesto for the manual, taken under Xvfb
# with the real X11 platform: docs/screenshots/form1.png .. form4.png, the
# conditions window with its menu 調整 open (form3-menu.png), the chart
# window (chart.png), the クラス分けの決まり dialog (spreaddialog.png), the
# class lists (classlists.png) and the first page of their PDF, the meeting sheets (classlists-pdf.png),
# the first page of the student cards' PDF (cards-pdf.png),
# the import window with a workbook's second sheet chosen (form2-workbook.png),
# the drafts window (drafts.png), a comparison of two drafts (drafts-compare.png)
# and the first page of its PDF (drafts-compare-pdf.png), 名簿の変更 over those drafts once the roster changed
# (roster-changes.png), a posted list of a new class (posted-list-pdf.png), the check sheet (checksheet.png),
# the separation record's window (record.png) and the dialog of 最小の移動で直す (fewest-moves.png).
# Usage: scripts/screenshots.sh [build folder]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
out="$root/docs/screenshots"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target make_screenshots -j2
mkdir -p "$out"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" "$build/make_screenshots" "$out"
pdftoppm -r 60 -png -f 1 -l 1 -singlefile "$out/classlists.pdf" "$out/classlists-pdf"
rm "$out/classlists.pdf"
pdftoppm -r 60 -png -f 1 -l 1 -singlefile "$out/cards.pdf" "$out/cards-pdf"
rm "$out/cards.pdf"
pdftoppm -r 60 -png -f 1 -l 1 -singlefile "$out/drafts-compare.pdf" "$out/drafts-compare-pdf"
rm "$out/drafts-compare.pdf"
pdftoppm -r 60 -png -f 1 -l 1 -singlefile "$out/posted-lists.pdf" "$out/posted-list-pdf"
rm "$out/posted-lists.pdf"
ls -l "$out"/form[1-4].png "$out"/form3-menu.png "$out"/chart.png "$out"/spreaddialog.png "$out"/classlists*.png \
  "$out"/form2-workbook.png
ls -l "$out"/drafts.png "$out"/drafts-compare*.png "$out"/posted-list-pdf.png "$out"/checksheet.png "$out"/record.png \
  "$out"/roster-changes.png "$out"/fewest-moves.png
