#!/usr/bin/env python3
"""Writes examples/nen1.csv: a synthetic school year of 240 students.

Column 8, 別クラス, marks four pairs of students who must not share a class
(A..D); each pair's groups share their new classes, so only the marks keep
them apart. The columns after it hold the other rules a teacher writes:
同じクラス (sets kept in one class, one of them over two groups), クラス指定
(three students with a fixed class) and two flag columns, リーダー and ピアノ,
whose holders are spread evenly over the classes. The last two columns are
scores a teacher evens out beside the main one (点数): 50m走, a time in
seconds with one decimal (欠席 for a few absent students), and 数学.

CP932, CR LF after every line, no byte order mark. The same seed always gives
the same bytes, so the file can be regenerated and compared in review.

    python3 scripts/make-example.py [output path]
"""

import random
import sys
from pathlib import Path

SEED = 20240401
OLD_CLASSES = 6
PER_CLASS = 40

# group -> number of students; the group is elective + sex.
GROUP_SIZES = {
    "音男": 40, "音女": 40,
    "美男": 38, "美女": 42,
    "書男": 44, "書女": 36,
}

FAMILY_NAMES = (
    "青木 秋山 浅野 荒井 池田 石川 石原 市川 伊藤 井上 今井 岩崎 上田 上野 内田 遠藤 大木 大塚 "
    "大野 岡田 岡本 小川 荻野 奥村 小野 加藤 金子 川口 川村 菊池 北村 木下 工藤 久保 栗田 小島 "
    "後藤 小林 近藤 斎藤 坂本 佐々木 佐藤 沢田 柴田 島田 清水 杉山 鈴木 関口 高木 高田 高橋 竹内 "
    "田中 谷口 千葉 土屋 中川 中島 中村 西川 西村 野口 橋本 長谷川 服部 浜田 早川 原田 平野 福田 "
    "藤井 藤田 古川 星野 本田 前田 松井 松本 丸山 三浦 水野 宮崎 村上 森田 山口 山崎 山下 山本 "
    "横山 吉川 吉田 渡辺"
).split()

MALE_NAMES = (
    "蒼 朝陽 篤 彰 勇気 一輝 樹 海斗 和也 健太 健 浩二 光 悟 翔太 翔 颯太 大輝 大和 拓海 "
    "達也 匠 智也 直樹 隼人 陽斗 悠真 優斗 裕太 亮 涼 蓮 航 湊 誠 学 稔 秀人 将太 俊介"
).split()

FEMALE_NAMES = (
    "愛 明日香 彩 杏奈 綾乃 葵 茜 紗希 咲 早紀 沙織 静香 千尋 千夏 知佳 翼 菜々子 奈緒 陽菜 "
    "真央 舞 美咲 美穂 美月 萌 結衣 由佳 優花 陽子 凛 里奈 玲奈 和花 瑞希 春香 香織 恵 麻衣 桃子 遥"
).split()


# mark -> the groups of the two students it pairs.
MARKED_PAIRS = {"A": ("音男", "音男"), "B": ("音男", "音女"), "C": ("美男", "美女"), "D": ("書女", "書男")}


def add_marks(rows, rng):
    # A generator of its own: the columns before it stay as they always were.
    marks = [""] * len(rows)
    for mark, groups in MARKED_PAIRS.items():
        for group in groups:
            index = rng.choice([i for i, row in enumerate(rows) if row[5] == group and not marks[i]])
            marks[index] = mark
    for row, mark in zip(rows, marks):
        row.append(mark)


# together value -> the groups of its students; groups of one set share classes.
TOGETHER_SETS = {"あ": ("音男", "音男"), "い": ("音女", "音男"), "う": ("美女", "美男"), "え": ("書女", "書女", "書女")}
# group -> the class fixed for one of its students.
FIXED_CLASSES = {"音女": 1, "美男": 4, "書男": 6}
# flag column -> how many students hold its ○.
FLAGS = {"リーダー": 12, "ピアノ": 9}


def add_rules(rows, rng):
    # Students with a rule already are not picked again: one rule a student
    # keeps the example easy to read.
    taken = {i for i, row in enumerate(rows) if row[7]}

    def pick(group=None):
        index = rng.choice([i for i, row in enumerate(rows) if (group is None or row[5] == group) and i not in taken])
        taken.add(index)
        return index

    together = [""] * len(rows)
    for value, groups in TOGETHER_SETS.items():
        for group in groups:
            together[pick(group)] = value
    fixed = [""] * len(rows)
    for group, new_class in FIXED_CLASSES.items():
        fixed[pick(group)] = str(new_class)
    flags = {name: [""] * len(rows) for name in FLAGS}
    for name, count in FLAGS.items():
        for _ in range(count):
            flags[name][pick()] = "○"
    for i, row in enumerate(rows):
        row += [together[i], fixed[i]] + [flags[name][i] for name in FLAGS]


def add_score_columns(rows, rng):
    # Appended last, from a generator of its own, so that every column before
    # them keeps its bytes.
    for row in rows:
        boy = row[3] == "男"
        time = "欠席" if rng.random() < 0.03 else f"{min(11.5, max(6.5, rng.gauss(7.9 if boy else 8.9, 0.6))):.1f}"
        maths = min(100, max(0, round(rng.gauss(float(row[6]) * 0.6 + 24, 12))))
        row += [time, str(maths)]


def make_rows(rng):
    groups = [g for g, size in GROUP_SIZES.items() for _ in range(size)]
    assert len(groups) == OLD_CLASSES * PER_CLASS
    rng.shuffle(groups)

    rows = []
    used_names = set()
    for index, group in enumerate(groups):
        old_class = index // PER_CLASS + 1
        seat = index % PER_CLASS + 1
        elective, sex = group[0], group[1]
        given_names = MALE_NAMES if sex == "男" else FEMALE_NAMES
        while True:
            name = rng.choice(FAMILY_NAMES) + "\u3000" + rng.choice(given_names)
            if name not in used_names:
                used_names.add(name)
                break
        score = min(100.0, max(0.0, round(rng.gauss(62, 16))))
        if 0 < score < 100 and rng.random() < 0.06:
            score -= 0.5
        score_text = f"{score:.1f}" if score % 1 else str(int(score))
        number = 20000 + old_class * 100 + seat
        rows.append([str(number), str(old_class), name, sex, elective, group, score_text])
    return rows


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "examples" / "nen1.csv"
    rng = random.Random(SEED)
    rows = make_rows(rng)
    add_marks(rows, random.Random(SEED + 1))
    add_rules(rows, random.Random(SEED + 2))
    add_score_columns(rows, random.Random(SEED + 3))
    lines = [["番号", "旧組", "氏名", "性別", "選択", "グループ", "点数", "別クラス", "同じクラス", "クラス指定"] + list(FLAGS)
             + ["50m走", "数学"]] + rows
    data = "".join(",".join(fields) + "\r\n" for fields in lines).encode("cp932")
    out.write_bytes(data)
    print(f"{out}: {len(lines)} lines, {len(data)} bytes")


if __name__ == "__main__":
    main()
