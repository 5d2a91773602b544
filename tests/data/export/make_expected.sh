#!/bin/sh
# Writes the expected result files by hand, line by line, independently of the
# program: printf gives the exact bytes in UTF-8, iconv turns them into CP932.
# Run it from this folder after changing a case, and review the diff.
set -eu
cd "$(dirname "$0")"

cp932() { iconv -f UTF-8 -t CP932 > "$1"; }

header() { printf '"新組","番号","氏名","組","点数"\r\n'; }

# The distribution table before the first press: empty texts and zeros.
empty_table() {
    printf '"分布表"\r\n'
    printf '"境界点","","","","","",,"平均点","平均差"\r\n'
    for k in 1 2 3 4 5 6 7 8 9 10; do
        printf '"",0,0,0,0,0,0,0,0\r\n'
    done
}

{ header; empty_table; } | cp932 header_only.csv

{ header
  printf '0,1001,"青木 一郎","音男",78\r\n'
  printf '0,1002,"石井 花子","音女",85\r\n'
  empty_table; } | cp932 before_first_press.csv

{ printf '"新組","番号","","組","点数"\r\n'
  printf '1,1001,"","音男",78\r\n'
  printf '2,1002,"","音女",85\r\n'
  empty_table; } | cp932 no_name_column.csv

# Eight students drawn into classes 1 to 4, then one student of each awkward
# value; classes 5 and 6 still hold the differences of an earlier press in
# which they had students, classes 7 to 10 are written all the same.
{ header
  printf '2,1001,"青木 一郎","音男",78\r\n'
  printf '1,1002,"石井 花子","音女",85\r\n'
  printf '3,1003,"上田 次郎","美男",62\r\n'
  printf '4,1004,"江藤 桃子","美女",91\r\n'
  printf '1,1005,"太田 三郎","音男",55\r\n'
  printf '2,1006,"加藤 夏美","音女",70\r\n'
  printf '3,1007,"木村 四郎","美男",48\r\n'
  printf '4,1008,"久保 秋子","美女",66\r\n'
  printf '3,123,"生徒Ａ","A1",78\r\n'
  printf '3,0,"生徒Ｂ","A1",78\r\n'
  printf '3,1011,"山田, 太郎","A1",78.5\r\n'
  printf '3,1012,"生徒Ｄ","A1",0\r\n'
  printf '3,1013,"生徒Ｅ","A1",-0.5\r\n'
  printf '"分布表"\r\n'
  printf '"境界点","91点","81点","71点","61点","55点",,"平均点","平均差"\r\n'
  printf '"１組",0,1,0,0,1,0,70,-1.1\r\n'
  printf '"２組",0,0,1,1,0,0,74,2.9\r\n'
  printf '"３組",0,0,0,1,0,1,55,-16.1\r\n'
  printf '"４組",1,0,0,1,0,0,78.5,7.4\r\n'
  printf '"５組",0,0,0,0,0,0,0,-0.5\r\n'
  printf '"６組",0,0,0,0,0,0,0,0.5\r\n'
  printf '"７組",0,0,0,0,0,0,0,0\r\n'
  printf '"８組",0,0,0,0,0,0,0,0\r\n'
  printf '"９組",0,0,0,0,0,0,0,0\r\n'
  printf '"10組",0,0,0,0,0,0,0,0\r\n'; } | cp932 small_year.csv

# A name over two lines (a spreadsheet cell with a line break) is written as
# held, its line break between the quotes: a spreadsheet reads the same cell.
{ header
  printf '3,1001,"山田 太郎\nやまだ たろう","A1",78\r\n'
  empty_table; } | cp932 two_line_name.csv

# The same kind of file for a CSV that came as UTF-8 (the program writes it with a byte order mark).
{ printf '\357\273\277'
  header
  printf '3,1001,"생도 €","A1",78\r\n'
  empty_table; } > utf8_bom.csv

# A name and a group holding double quotes (a workbook roster) have them
# doubled, as spreadsheets write them, so that every reader takes them whole.
{ printf '\357\273\277'
  header
  printf '3,1001,"工藤　""里奈""","A""1",78\r\n'
  empty_table; } > quote_in_name.csv
