#!/usr/bin/env python3
"""Writes characters as inkgen free strokes (polyline lines), from KanjiVG's
strokes in kanjivg-strokes.tsv (CHAR<TAB>stroke;stroke, points "x,y" in a
1000-unit box).

KanjiVG is copyright (C) 2009-2011 Ulrich Apel, distributed under the
Creative Commons Attribution-Share Alike 3.0 licence
(https://creativecommons.org/licenses/by-sa/3.0/), http://kanjivg.tagaini.net.
What this writes is made from it and carries the same attribution and
licence; so the script puts that note at the top of its output.

  kanjivg_to_inkgen.py TSV TEXT LEFT TOP SIZE [PITCH]

SIZE and PITCH (the step from one character to the next, default SIZE) are
pen units (0.01 mm); every 3rd point of a stroke is kept.
"""
import sys


def main():
    if len(sys.argv) < 6:
        sys.exit(__doc__)
    tsv, text = sys.argv[1], sys.argv[2]
    left, top, size = (float(v) for v in sys.argv[3:6])
    pitch = float(sys.argv[6]) if len(sys.argv) > 6 else size
    glyphs = {}
    with open(tsv, encoding="utf-8") as lines:
        for line in lines:
            char, _, strokes = line.rstrip("\n").partition("\t")
            glyphs[char] = [[tuple(int(v) for v in p.split(",")) for p in s.split()] for s in strokes.split(";")]
    print("# Strokes made from KanjiVG (C) 2009-2011 Ulrich Apel, CC BY-SA 3.0,")
    print("# http://kanjivg.tagaini.net; this part of the file is under the same licence.")
    for k, char in enumerate(text):
        if char not in glyphs:
            sys.exit(f"{char}: not in {tsv}")
        for stroke in glyphs[char]:
            points = stroke[::3] if len(stroke) > 6 else stroke
            if points[-1] != stroke[-1]:
                points.append(stroke[-1])
            if len(points) < 2:
                points = points * 2
            coords = []
            for x, y in points:
                coords += [str(round(left + k * pitch + x * size / 1000)), str(round(top + y * size / 1000))]
            print("polyline " + " ".join(coords))


if __name__ == "__main__":
    main()
