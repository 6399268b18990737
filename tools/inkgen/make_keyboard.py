#!/usr/bin/env python3
"""Writes the default keyboard, examples/softKB.skb and examples/keydef.skb.

The printed sheet is A5 landscape, 210 x 148 mm, in pen units of 0.01 mm
(21000 x 14800; y grows downward). The keyboard fills the lower part:

    x  5000..16000, y  8000..13000   the kana grid, 11 columns x 5 rows of 10 mm keys
    x  5000..16000, y 13000..14000   the command row

Columns of the grid, left to right: the gojuon columns a ka sa ta na ha ma ya
ra wa, then a column for n and punctuation; rows are the vowels a i u e o. The
holes of the ya and wa columns carry brackets and punctuation. Keys are listed
row by row, so key index = 11 * row + column (0 is a, 1 is ka, 11 is i).

Gestures on a kana key: a tap gives the plain kana, a stroke from bottom to
top its voiced form (ga, za, da, ba, vu), a stroke from top to bottom the
half-voiced form (pa) or the small form (small a, tsu, ya, wa, ka, ke). The
katakana slots mirror the hiragana ones. In half-width mode the kana keys, read
column by column (a i u e o ka ki ...), give the letters a..z (stroke up:
capitals), then the digits 1..9, 0 and a few symbols; the punctuation keys
give their ASCII counterparts.

The five calibration marks are 10 mm in from the sheet's corners, in the order
top left, top right, bottom right, bottom left (each corner a neighbour of the
one before it), and the sheet's centre, 6 mm above the keyboard. The upper part
of the sheet and its margins are free for sketches and signatures.

The file is written as UTF-8 and converted to Shift_JIS (code page 932) with
iconv; lines end with CR LF. Run from anywhere:
    tools/inkgen/make_keyboard.py [output directory, default examples/]
"""

import os
import subprocess
import sys

SHEET_WIDTH, SHEET_HEIGHT = 21000, 14800
KEY = 1000
ORIGIN_X, ORIGIN_Y = 5000, 8000
MARKS = [(1000, 1000), (20000, 1000), (20000, 13800), (1000, 13800), (10500, 7400)]
SETTINGS = (0, 12, 10)  # hit-point rule (first point), font size, picture scale

NOKEY = "<NOKEY>"

# The kana grid by columns; each cell is (tap, bottom-to-top, top-to-bottom) in hiragana.
GRID = [
    [("あ", "", "ぁ"), ("い", "", "ぃ"), ("う", "", "ぅ"), ("え", "", "ぇ"), ("お", "", "ぉ")],
    [("か", "が", ""), ("き", "ぎ", ""), ("く", "ぐ", ""), ("け", "げ", ""), ("こ", "ご", "")],
    [("さ", "ざ", ""), ("し", "じ", ""), ("す", "ず", ""), ("せ", "ぜ", ""), ("そ", "ぞ", "")],
    [("た", "だ", ""), ("ち", "ぢ", ""), ("つ", "づ", "っ"), ("て", "で", ""), ("と", "ど", "")],
    [("な", "", ""), ("に", "", ""), ("ぬ", "", ""), ("ね", "", ""), ("の", "", "")],
    [("は", "ば", "ぱ"), ("ひ", "び", "ぴ"), ("ふ", "ぶ", "ぷ"), ("へ", "べ", "ぺ"), ("ほ", "ぼ", "ぽ")],
    [("ま", "", ""), ("み", "", ""), ("む", "", ""), ("め", "", ""), ("も", "", "")],
    [("や", "", "ゃ"), ("「", "『", ""), ("ゆ", "", "ゅ"), ("」", "』", ""), ("よ", "", "ょ")],
    [("ら", "", ""), ("り", "", ""), ("る", "", ""), ("れ", "", ""), ("ろ", "", "")],
    [("わ", "", "ゎ"), ("、", "", ""), ("。", "", ""), ("ー", "", ""), ("を", "", "")],
    [("ん", "", ""), ("！", "", ""), ("？", "", ""), ("・", "", ""), ("…", "", "")],
]

# Katakana that differ from a plain shift of the hiragana block.
KATAKANA_EXTRA = {("う", 1): "ヴ", ("か", 2): "ヵ", ("け", 2): "ヶ"}

# Half-width texts of the punctuation cells: (tap, bottom-to-top, top-to-bottom).
HALF_PUNCT = {
    "「": ("(", "[", ""), "」": (")", "]", ""), "、": (",", "", ""), "。": (".", "", ""),
    "ー": ("-", "_", ""), "！": ("!", "", ""), "？": ("?", "", ""), "・": ("/", "", ""),
    "…": ("~", "", ""),
}
HALF_SYMBOLS = ["@", "#", "$", "%", "+", "=", "*", ":", ";", "'"]

# The command row: (text, width in keys). The space key types a full-width
# space in the kana modes and a plain space in half-width mode.
COMMAND_ROW = [("<HIRA>", 1), ("<KANA>", 1), ("<HAN>", 1), ("SPACE", 4), ("<BS>", 1), ("<BR>", 2),
               ("<REUSE>", 1)]


def katakana(text):
    return "".join(chr(ord(c) + 0x60) if "ぁ" <= c <= "ゖ" else c for c in text)


def half_width_texts():
    """Half-width (tap, up, down) for each kana cell, in gojuon (column) order."""
    letters = [(chr(ord("a") + i), chr(ord("A") + i), "") for i in range(26)]
    digits = [(str((i + 1) % 10), "", "") for i in range(10)]
    symbols = [(s, "", "") for s in HALF_SYMBOLS]
    return iter(letters + digits + symbols)


def key_lines():
    """(rectangle, nine slots) for every key, in file order."""
    half = half_width_texts()
    cells = {}
    for col, column in enumerate(GRID):
        for row, (tap, up, down) in enumerate(column):
            hira = [tap, up, down]
            kata = [KATAKANA_EXTRA.get((tap, g), katakana(t)) for g, t in enumerate(hira)]
            han = list(HALF_PUNCT[tap]) if tap in HALF_PUNCT else list(next(half))
            cells[(row, col)] = hira + kata + han
    keys = []
    for row in range(5):
        for col in range(len(GRID)):
            left, top = ORIGIN_X + col * KEY, ORIGIN_Y + row * KEY
            keys.append(((left, top, left + KEY, top + KEY), cells[(row, col)]))
    left, top = ORIGIN_X, ORIGIN_Y + 5 * KEY
    for text, width in COMMAND_ROW:
        slots = ["　", "", "", "　", "", "", " ", "", ""] if text == "SPACE" else [text] * 9
        keys.append(((left, top, left + width * KEY, top + KEY), slots))
        left += width * KEY
    return keys


def quoted(values):
    return ",".join('"%s"' % v for v in values)


def softkb_text(keys):
    marks = [v for mark in MARKS for v in mark]
    lines = [
        "# Marovi default keyboard: A5 landscape sheet 21000 x 14800 (0.01 mm), keys 10 mm.",
        "# Lines: settings (hit-point rule, font size, picture scale), reference marks,",
        "# measured marks, then one key per line: left, top, right, bottom and nine slots",
        "# (hiragana, katakana, half-width; each tap, bottom-to-top, top-to-bottom).",
        quoted(SETTINGS),
        quoted(marks),
        quoted(marks),
    ]
    for row in range(6):
        lines.append("# row %d" % (row + 1) if row < 5 else "# commands")
        for rect, slots in keys:
            if rect[1] == ORIGIN_Y + row * KEY:
                lines.append(quoted(rect) + "," + quoted(s if s else NOKEY for s in slots))
    return "".join(line + "\r\n" for line in lines)


def keydef_text(keys):
    lines = []
    for _, slots in keys:
        locked = all(s.startswith("<") and s.endswith(">") for s in slots)
        lines.append(",".join(["1" if locked else "0"] * 9))
    return "".join(line + "\r\n" for line in lines)


def check(keys):
    assert len(keys) <= 150, "the setup list shows 150 keys"
    for (l, t, r, b), _ in keys:
        assert 0 <= l < r <= SHEET_WIDTH and 0 <= t < b <= SHEET_HEIGHT
        for mx, my in MARKS:
            assert max(l - mx, mx - r, t - my, my - b) > 500, "a mark touches a key"
    bounds_top = min(k[0][1] for k in keys)
    cx, cy = MARKS[4]
    assert (cx, cy) == ((MARKS[0][0] + MARKS[2][0]) // 2, (MARKS[0][1] + MARKS[2][1]) // 2)
    assert bounds_top - cy >= 500


def to_cp932(text):
    return subprocess.run(["iconv", "-f", "UTF-8", "-t", "CP932"], input=text.encode("utf-8"),
                          stdout=subprocess.PIPE, check=True).stdout


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "examples")
    keys = key_lines()
    check(keys)
    with open(os.path.join(out, "softKB.skb"), "wb") as f:
        f.write(to_cp932(softkb_text(keys)))
    with open(os.path.join(out, "keydef.skb"), "wb") as f:
        f.write(keydef_text(keys).encode("ascii"))


if __name__ == "__main__":
    main()
