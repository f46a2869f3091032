#!/usr/bin/env python3
"""Writes catalogue.json, the fixed data set of the local index site.

Run once; the output is committed.  The generator is seeded, so running it
again gives the same file byte for byte (tests and benchmarks rely on the
catalogue never moving under them).

    python3 tools/index_site/make_catalogue.py [--out PATH]
"""

import argparse
import json
import os
import random
import urllib.parse

SEED = 20240305
ENTRY_COUNT = 320

CHINESE_TITLES = [
    "流浪地球", "让子弹飞", "霸王别姬", "大话西游", "无间道", "卧虎藏龙",
    "甄嬛传", "琅琊榜", "三体", "西游记", "红楼梦", "水浒传", "三国演义",
    "长安十二时辰", "漫长的季节", "狂飙", "人世间", "觉醒年代", "山海情",
    "隐秘的角落", "庆余年", "父母爱情", "武林外传", "天龙八部",
    "射雕英雄传", "笑傲江湖", "鹿鼎记", "我不是药神", "哪吒之魔童降世",
    "唐人街探案", "疯狂的石头", "功夫", "少林足球", "大圣归来",
    "中国奇谭", "舌尖上的中国", "航拍中国", "河西走廊", "如果国宝会说话",
    "风味人间", "周杰伦精选", "邓丽君经典", "王菲唱片合集", "古典音乐一百首",
    "高等数学教程", "线性代数讲义", "围城", "活着", "平凡的世界", "白鹿原",
]
CHINESE_SUFFIXES = [
    "国语中字", "全集", "高清", "蓝光原盘", "第一季", "第二季", "合集",
    "无删减版", "导演剪辑版", "4K修复版", "有声书", "典藏版",
]

LATIN_TITLES = [
    "The Matrix", "Interstellar", "Inception", "Blade Runner 2049",
    "Dune Part Two", "Oppenheimer", "Breaking Bad S05", "The Wire S03",
    "Ubuntu 22.04 Desktop", "Debian 12 Netinst", "Arch Linux Install",
    "LibreOffice Portable", "GIMP Plugins", "Big Buck Bunny", "Sintel",
    "Tears of Steel", "Night of the Living Dead", "Metropolis 1927",
    "Nosferatu 1922", "Charlie Chaplin Collection", "Beethoven Symphonies",
    "Mozart Requiem", "Jazz Standards Vol 2", "Public Domain Audiobooks",
    "Project Gutenberg Top 100", "OpenStreetMap Extract", "Cosmos Laundromat",
    "Elephants Dream", "Spring Open Movie", "Wikipedia Dump",
]
# Titles that contain "ab" in some case, so that the keyword ab has many
# pages of results and the highlight keeps AB / Ab / ab as written.
AB_TITLES = [
    "Abbey Road Remastered", "ABBA Gold", "Alphabet Songs", "Kebab Recipes",
    "Cabaret 1972", "Arabian Nights", "Fable Anniversary", "Table Tennis Masters",
    "Rabbit Hole", "Habitat Documentary", "Crab Fishing Season", "Abyss 1989",
    "Abstract Art Course", "Absolute Beginners", "Cabin in the Woods",
    "Fabric Patterns", "Label Printing Fonts", "Scrabble Dictionary",
    "Babel 2006", "Kabul Diaries", "Sabotage 1936", "Abraham Lincoln Biography",
    "Probability Lectures", "Capable Hands", "Baobab Stories", "Tabletop Games",
    "ABC Murders", "Lab Notes", "Grab Bag Mix", "Vocabulary Builder",
]
# Titles in which "ab" (or a Chinese keyword) occurs twice, for highlight tests.
DOUBLE_TITLES = [
    "Abracadabra", "Kebab Lab", "ABBA Fabulous Hits", "Scrabble Table",
    "Lab Rabbit Diaries", "Cabaret Abroad",
]
CHINESE_DOUBLE_TITLES = [
    "流浪地球 流浪地球2 双部合集", "西游记 新西游记 对照版", "功夫 功夫熊猫 合集",
]
LATIN_SUFFIXES = [
    "1080p", "720p", "2160p HDR", "BluRay", "WEB-DL", "x264", "x265 10bit",
    "FLAC", "MP3 320kbps", "ISO", "EPUB", "PDF", "Remux", "Extended Cut",
]
MIXED_PAIRS = [
    ("星际穿越", "Interstellar"), ("盗梦空间", "Inception"), ("黑客帝国", "The Matrix"),
    ("沙丘", "Dune"), ("奥本海默", "Oppenheimer"), ("绝命毒师", "Breaking Bad"),
    ("阿凡达", "Avatar"), ("寄生虫", "Parasite"), ("千与千寻", "Spirited Away"),
    ("艾比路", "Abbey Road"), ("阿巴乐队", "ABBA"), ("字母歌", "Alphabet Songs"),
    ("烤肉串", "Kebab"), ("歌舞厅", "Cabaret"), ("一千零一夜", "Arabian Nights"),
    ("实验室", "Lab Rats"), ("兔子洞", "Rabbit Hole"), ("深渊", "The Abyss"),
]
# A literal "%" in a title: the program percent-decodes the whole page, so
# these exercise its decoder.  None of them contains "ab".
PERCENT_TITLES = ["100% Orange", "200% Speed Up Guide", "99% Invisible Podcast"]


def size_text(rng):
    unit = rng.choice(["GB", "GB", "MB", "MB", "MB", "KB"])
    if unit == "GB":
        return "%.2f GB" % rng.uniform(1.0, 60.0)
    if unit == "MB":
        return "%.1f MB" % rng.uniform(10.0, 999.9)
    return "%d KB" % rng.randint(12, 999)


def date_text(rng):
    return "%04d-%02d-%02d" % (rng.randint(2018, 2024), rng.randint(1, 12), rng.randint(1, 28))


def magnet_link(info_hash, name):
    return "magnet:?xt=urn:btih:%s&dn=%s" % (info_hash, urllib.parse.quote(name, safe=""))


def chinese_name(rng):
    name = rng.choice(CHINESE_TITLES)
    if rng.random() < 0.7:
        name += " " + rng.choice(CHINESE_SUFFIXES)
    return name


def latin_name(rng):
    title = rng.choice(AB_TITLES if rng.random() < 0.35 else LATIN_TITLES)
    name = title.replace(" ", rng.choice([" ", "."]))
    for _ in range(rng.randint(0, 2)):
        name += " " + rng.choice(LATIN_SUFFIXES)
    return name


def mixed_name(rng):
    chinese, latin = rng.choice(MIXED_PAIRS)
    name = "%s %s" % (chinese, latin)
    if rng.random() < 0.5:
        name += " " + rng.choice(LATIN_SUFFIXES)
    if rng.random() < 0.5:
        name += " " + rng.choice(CHINESE_SUFFIXES)
    return name


def make_names(rng):
    names = []
    seen = set()

    def add(name):
        # Duplicates are kept apart by a year, like real re-uploads.
        base = name
        while name in seen:
            name = "%s %d" % (base, rng.randint(1990, 2024))
        seen.add(name)
        names.append(name)

    for title in DOUBLE_TITLES + CHINESE_DOUBLE_TITLES + PERCENT_TITLES:
        add(title)
    makers = [chinese_name, latin_name, mixed_name]
    while len(names) < ENTRY_COUNT:
        add(rng.choice(makers)(rng))
    rng.shuffle(names)
    return names


def check(names):
    ab = [n for n in names if "ab" in n.lower()]
    assert len(ab) >= 60, len(ab)
    assert sum(1 for n in names if n.lower().count("ab") >= 2) >= 5
    assert {"ab", "AB", "Ab"} <= {n[i:i + 2] for n in ab for i in range(len(n) - 1)}
    for n in names:
        assert not set(n) & set("<>&\"\r\n\t"), n
        n.encode("gbk")  # the program shows every title in code page 936
        if "%" in n:
            assert "ab" not in n.lower(), n


def make_catalogue():
    rng = random.Random(SEED)
    names = make_names(rng)
    check(names)
    entries = []
    for name in names:
        info_hash = "%040x" % rng.getrandbits(160)
        entries.append({
            "name": name,
            "date": date_text(rng),
            "size": size_text(rng),
            "files": str(rng.choice([1, 1, 1, 2, 3, rng.randint(4, 2500)])),
            "hash": info_hash,
            "magnet": magnet_link(info_hash, name),
        })
    return entries


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(here, "catalogue.json"))
    args = parser.parse_args()
    entries = make_catalogue()
    with open(args.out, "w", encoding="utf-8", newline="\n") as f:
        json.dump(entries, f, ensure_ascii=False, indent=1)
        f.write("\n")
    ab = sum(1 for e in entries if "ab" in e["name"].lower())
    print("wrote %d entries (%d contain ab) to %s" % (len(entries), ab, args.out))


if __name__ == "__main__":
    main()
