#!/usr/bin/env python3
"""Makes the hostile and odd workbooks the import must survive, into a folder.

    make_hostile.py OUTDIR
    make_hostile.py --seeds OUTDIR


Each file is small on disk; what it would grow to when read is the point.
Beside them goes expected.txt: one line a file, its name, a tab, "refused"
or "ok", a tab, and a text the program's message (or, for a file read, the
preview's text) must hold. With --seeds, the refused files of at most 64 KB are
written as seeds of the workbook fuzzer instead (each after the byte "Z",
which has the fuzzer read it as the file), so that an amplification the
reader once let through fails the fuzzing run. Python's standard library only.
"""
import os
import random
import struct
import sys
import zlib

MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
RELS = "http://schemas.openxmlformats.org/package/2006/relationships"
DOC = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
ODS_NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"')


def noise(size):
    """Bytes that look encrypted, the same on every run."""
    rng = random.Random(size)
    return bytes(rng.getrandbits(8) for _ in range(size))


def deflate(data):
    c = zlib.compressobj(9, zlib.DEFLATED, -15)
    return c.compress(data) + c.flush()


def zip_bytes(parts):
    """parts: (name, data, options) with options claimed_size, stored, flags."""
    out = bytearray()
    directory = bytearray()
    for name, data, opts in parts:
        name = name.encode()
        stored = opts.get("stored", False)
        body = data if stored else deflate(data)
        crc = zlib.crc32(data) & 0xFFFFFFFF
        size = opts.get("claimed_size", len(data))
        method = 0 if stored else 8
        flags = opts.get("flags", 0)
        offset = len(out)
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, flags, method, 0, 0, crc, len(body), size, len(name), 0)
        out += name + body
        directory += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, flags, method, 0, 0, crc, len(body),
                                 size, len(name), 0, 0, 0, 0, 0, offset) + name
    return finish_zip(out, directory, len(parts))


def finish_zip(out, directory, count):
    offset = len(out)
    return bytes(out + directory + struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, count, count, len(directory), offset, 0))


def xlsx(sheet, strings=None, styles=None, extra=(), sheet_part="xl/worksheets/sheet1.xml", opts=None):
    opts = opts or {}
    rels = (f'<Relationships xmlns="{RELS}"><Relationship Id="rId1" Type="{DOC}/worksheet" '
            f'Target="worksheets/sheet1.xml"/><Relationship Id="rS" Type="{DOC}/sharedStrings" '
            f'Target="sharedStrings.xml"/><Relationship Id="rT" Type="{DOC}/styles" Target="styles.xml"/>'
            '</Relationships>')
    parts = [
        ("_rels/.rels", (f'<Relationships xmlns="{RELS}"><Relationship Id="r1" Type="{DOC}/officeDocument" '
                         'Target="xl/workbook.xml"/></Relationships>').encode(), {}),
        ("xl/workbook.xml", (f'<workbook xmlns="{MAIN}" xmlns:r="{DOC}"><sheets><sheet name="名簿" sheetId="1" '
                             'r:id="rId1"/></sheets></workbook>').encode(), {}),
        ("xl/_rels/workbook.xml.rels", rels.encode(), {}),
    ]
    if sheet is not None:
        parts.append((sheet_part, sheet, opts.get("sheet", {})))
    if strings is not None:
        parts.append(("xl/sharedStrings.xml", strings, opts.get("strings", {})))
    if styles is not None:
        parts.append(("xl/styles.xml", styles, opts.get("styles", {})))
    return zip_bytes(parts + list(extra))


def sheet_xml(rows):
    return f'<worksheet xmlns="{MAIN}"><sheetData>{rows}</sheetData></worksheet>'.encode()


def sst(items):
    return f'<sst xmlns="{MAIN}">'.encode() + items + b"</sst>"


def ods(content, extra=(), stored_content=False):
    return zip_bytes([("mimetype", b"application/vnd.oasis.opendocument.spreadsheet", {"stored": True}),
                      ("content.xml", content, {"stored": stored_content})] + list(extra))


def ods_content(tables):
    return (f'<office:document-content {ODS_NS}><office:body><office:spreadsheet>{tables}'
            '</office:spreadsheet></office:body></office:document-content>').encode()


def entity_doctype(root):
    return (f'<?xml version="1.0"?><!DOCTYPE {root} [<!ENTITY e "{"x" * 4000}">]>').encode()


def overlapping():
    """Three directory entries over the one deflated part: read thrice, stored once."""
    data = b"<a>" + b" " * (30 * 1024 * 1024) + b"</a>"
    body = deflate(data)
    crc = zlib.crc32(data) & 0xFFFFFFFF
    out = bytearray(struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 8, 0, 0, crc, len(body), len(data), 1, 0))
    out += b"a" + body
    directory = bytearray()
    names = ["xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/styles.xml"]
    for name in names:
        directory += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 8, 0, 0, crc, len(body), len(data),
                                 len(name), 0, 0, 0, 0, 0, 0) + name.encode()
    return finish_zip(out, directory, len(names))


def many_entries(count):
    out = bytearray()
    directory = bytearray()
    for i in range(count):
        name = f"{i}".encode()
        offset = len(out)
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 0, 0, 0, 0, 0, 0, len(name), 0) + name
        directory += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 0, 0, 0, 0, 0, 0, len(name), 0, 0, 0,
                                 0, 0, offset) + name
    return finish_zip(out, directory, count)


def files():
    big = 60 * 1024 * 1024
    row = '<row r="1"><c r="A1" t="inlineStr"><is><t>番号</t></is></c></row>'
    yield ("entity.xlsx", xlsx(entity_doctype("worksheet") + f'<worksheet xmlns="{MAIN}"><sheetData><row><c t="inlineStr"><is><t>'.encode()
                               + b"&e;" * 1_000_000 + b"</t></is></c></row></sheetData></worksheet>"),
           "refused", "xl/worksheets/sheet1.xml に、表計算ソフトが書くことのない DOCTYPE")
    yield ("entity.ods", ods(entity_doctype("office:document-content") + ods_content(
        '<table:table table:name="a"><table:table-row><table:table-cell><text:p>'
        + "&e;" * 1_000_000 + "</text:p></table:table-cell></table:table-row></table:table>")),
           "refused", "content.xml に、表計算ソフトが書くことのない DOCTYPE")
    lol = '<?xml version="1.0"?><!DOCTYPE sst [<!ENTITY l0 "lol">' + "".join(
        f'<!ENTITY l{i} "{("&l%d;" % (i - 1)) * 10}">' for i in range(1, 10)) + "]>"
    yield ("laughs_in_strings.xlsx", xlsx(sheet_xml('<row><c t="s"><v>0</v></c></row>'),
                                          lol.encode() + sst(b"<si><t>&l9;</t></si>")),
           "refused", "xl/sharedStrings.xml に、表計算ソフトが書くことのない DOCTYPE")
    yield ("spaces.ods", ods(ods_content('<table:table table:name="a"><table:table-row><table:table-cell><text:p>'
                                         + '<text:s text:c="1000"/>' * 150_000 + "</text:p></table:table-cell>"
                                         "</table:table-row></table:table>")),
           "refused", "32,767 文字")
    yield ("unclosed.xlsx", xlsx(f'<worksheet xmlns="{MAIN}">'.encode() + b"<a>" * 2_000_000), "refused",
           "入れ子が深すぎるか")
    yield ("unclosed.ods", ods(f'<office:document-content {ODS_NS}>'.encode() + b"<x>" * 2_000_000), "refused",
           "入れ子が深すぎるか")
    yield ("deep_string.xlsx", xlsx(sheet_xml('<row><c t="s"><v>0</v></c></row>'),
                                    sst(b"<si>" + b"<r>" * 200 + b"</r>" * 200 + b"</si>")),
           "refused", "入れ子が深すぎるか")
    pad = b" " * (15 * 1024 * 1024)
    yield ("parts_at_the_limit.xlsx", xlsx(sheet_xml(row)[:-12] + pad + b"</worksheet>",
                                           sst(b"<si><t>a</t></si>" + pad), b"<styleSheet>" + pad + b"</styleSheet>"),
           "refused", "展開すると大きくなりすぎる")
    yield ("overlapping.xlsx", overlapping(), "refused", "ZIP の中身が正しくありません")
    yield ("empty_strings_13m.xlsx", xlsx(sheet_xml('<row><c t="s"><v>0</v></c></row>'),
                                          sst(b"<si/>" * 13_000_000)), "refused", "展開すると大きくなりすぎる")
    yield ("empty_strings_3m.xlsx", xlsx(sheet_xml('<row><c t="s"><v>3000000</v></c><c><v>7</v></c></row>'),
                                         sst(b"<si/>" * 3_000_000 + "<si><t>最後</t></si>".encode())), "ok", "最後,7")
    # Just within the budget: three parts of tiny elements that are all parsed, nothing kept.
    yield ("dense_at_the_limit.xlsx", xlsx(sheet_xml('<row><c t="s"><v>1</v></c></row>' + "<c/>" * 1_900_000),
                                           sst(b"<si/><si><t>a</t></si>" + b"<si/>" * 1_300_000),
                                           b"<styleSheet><cellXfs>" + b"<xf/>" * 1_000_000 + b"</cellXfs></styleSheet>"),
           "ok", "a")
    yield ("one_part_60mb.xlsx", xlsx(sheet_xml(row)[:-12] + b" " * big + b"</worksheet>"), "refused",
           "展開すると大きくなりすぎる")
    yield ("one_part_60mb.ods", ods(ods_content("")[:-30] + b" " * big + ods_content("")[-30:]), "refused",
           "展開すると大きくなりすぎる")
    yield ("size_beyond_deflate.xlsx", xlsx(sheet_xml(row), opts={"sheet": {"claimed_size": 3_000_000_000}}),
           "refused", "の中身が正しくありません")
    yield ("size_understated.xlsx", xlsx(sheet_xml(row + "<!--" + " " * 10_000_000 + "-->"),
                                         opts={"sheet": {"claimed_size": 2000}}), "refused", "の中身が正しくありません")
    yield ("many_entries.xlsx", many_entries(10_001), "refused", "展開すると大きくなりすぎる")
    yield ("long_inline_cell.xlsx", xlsx(sheet_xml('<row><c t="inlineStr"><is><t>' + "長" * 40_000 + "</t></is></c></row>")),
           "refused", "32,767 文字")
    yield ("one_text_15mb.xlsx", xlsx(sheet_xml('<row><c t="s"><v>1</v></c></row>'),
                                      sst(b"<si><t>" + b"x" * (15 * 1024 * 1024) + b"</t></si><si><t>b</t></si>")),
           "refused", "xl/sharedStrings.xml の中の入れ子が深すぎるか、区切りのない文字が長すぎて")
    yield ("long_shared_string.xlsx", xlsx(sheet_xml('<row><c t="s"><v>0</v></c></row>'),
                                           sst(("<si><r><t>" + "あ" * 20_000 + "</t></r><r><t>" + "い" * 20_000
                                                + "</t></r></si>").encode())), "refused", "32,767 文字")
    flood = "".join(f'<row r="{r}">' + '<c t="s"><v>0</v></c>' * 60 + "</row>" for r in range(1, 500))
    yield ("sheet_text_flood.xlsx", xlsx(sheet_xml(flood), sst(("<si><t>" + "字" * 30_000 + "</t></si>").encode())),
           "refused", "セルの文字が多すぎて")
    yield ("cells_40000.xlsx", xlsx(sheet_xml("<row>" + "<c><v>1</v></c>" * 40_000 + "</row>")), "refused",
           "列が多すぎて")
    yield ("columns_repeated.ods", ods(ods_content(
        '<table:table table:name="a"><table:table-row><table:table-cell table:number-columns-repeated="1000000" '
        'office:value-type="string"><text:p>x</text:p></table:table-cell></table:table-row></table:table>')),
           "refused", "列が多すぎて")
    yield ("rows_repeated.ods", ods(ods_content(
        '<table:table table:name="a"><table:table-row table:number-rows-repeated="1000000000"><table:table-cell '
        'office:value-type="float" office:value="1"/></table:table-row></table:table>')), "refused", "５０１行を超えて")
    yield ("formulas.xlsx", xlsx(sheet_xml('<row r="1"><c r="A1" t="inlineStr"><is><t>成績</t></is></c></row>'
                                           + "".join(f'<row r="{r}"><c r="C{r}"><f>A{r}*2</f></c></row>' for r in range(2, 10)))),
           "refused", "シート「名簿」に、計算した値が保存されていない数式があります（C2、C3、C4、C5、C6、ほか3個）")
    yield ("formulas.ods", ods(ods_content(
        '<table:table table:name="成績"><table:table-row><table:table-cell office:value-type="string"><text:p>点</text:p>'
        '</table:table-cell><table:table-cell table:formula="of:=[.A1]*2"/></table:table-row></table:table>')),
           "refused", "シート「成績」に、計算した値が保存されていない数式があります（B1）")
    manifest = ('<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0">'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml">'
                '<manifest:encryption-data manifest:checksum-type="SHA1/1K" manifest:checksum="x"/>'
                '</manifest:file-entry></manifest:manifest>').encode()
    yield ("encrypted.ods", ods(noise(2000), [("META-INF/manifest.xml", manifest, {})], stored_content=True),
           "refused", "LibreOffice でブックを開き")
    whole = manifest.replace(b'full-path="content.xml"', b'full-path="encrypted-package"')
    yield ("encrypted_package.ods", zip_bytes([("mimetype", b"application/vnd.oasis.opendocument.spreadsheet",
                                                {"stored": True}), ("META-INF/manifest.xml", whole, {}),
                                               ("encrypted-package", noise(2000), {"stored": True})]),
           "refused", "LibreOffice でブックを開き")
    yield ("missing_sheet_part.xlsx", xlsx(None, sheet_part="xl/worksheets/sheet2.xml"), "refused",
           "シート「名簿」の名前はありますが、その中身がありません")
    yield ("old_excel.xls", b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + bytes(4096), "refused", "古い形式")
    # Odd but sound: what a spreadsheet shows is read.
    yield ("escapes.xlsx", xlsx(sheet_xml('<row><c t="s"><v>0</v></c><c t="inlineStr"><is><t>_x005F_x0041_</t></is></c>'
                                          '</row>'), sst(b"<si><t>_x0041_BC</t></si>")), "ok", "ABC,_x0041_")
    yield ("some_spaces.ods", ods(ods_content(
        '<table:table table:name="a"><table:table-row><table:table-cell><text:p>a<text:s text:c="3"/>b</text:p>'
        '</table:table-cell></table:table-row></table:table>')), "ok", "a   b")
    yield ("cached_formulas.xlsx", xlsx(sheet_xml('<row><c><f>1+1</f><v>2</v></c><c t="str"><f>""</f><v></v></c>'
                                                  '<c><v>3</v></c></row>')), "ok", "2,,3")


def main():
    if sys.argv[1] == "--seeds":
        out = sys.argv[2]
        os.makedirs(out, exist_ok=True)
        for name, data, outcome, _ in files():
            # The amplifications; the sound files at the budget only take time.
            if outcome == "refused" and len(data) < 65536:
                with open(os.path.join(out, "hostile_" + name), "wb") as f:
                    f.write(b"Z" + data)
        return
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    lines = []
    for name, data, outcome, text in files():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        lines.append(f"{name}\t{outcome}\t{text}\n")
    with open(os.path.join(out, "expected.txt"), "w", encoding="utf-8") as f:
        f.writelines(lines)


if __name__ == "__main__":
    main()
