#!/usr/bin/python3
"""Draws the button pictures, column pictures, gesture glyphs and the program
icon of the Windows front end into app/ui/win32/res/.

The results are committed, so building the program needs neither fonts nor
this script. Run tools/art/make-art.sh after changing a picture: it installs
what the script needs (Debian's python3-pil and fonts-ipafont-gothic).

Every picture is drawn at four times its size and scaled down, which gives
smooth glyph edges and a semi-bold weight for the IPA font, which has no bold
face of its own.
"""

import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

SCALE = 4
FONT_PATHS = [
    "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
    "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
]

YELLOW = (255, 232, 0)
BLUE_TOP = (38, 120, 235)
BLUE_BOTTOM = (0, 64, 176)
PLAIN_BLUE = (0, 128, 255)
LIGHT_BLUE_TOP = (214, 236, 255)
LIGHT_BLUE_BOTTOM = (150, 200, 250)
NAVY = (0, 32, 96)
LIGHT_FACE = (236, 242, 250)
LIGHT_EDGE = (150, 166, 190)
GREY = (192, 192, 192)
INK = (16, 16, 16)
PEN_RED = (200, 30, 40)


def font(px):
    for path in FONT_PATHS:
        if os.path.exists(path):
            return ImageFont.truetype(path, px * SCALE)
    sys.exit("make_art: no IPA Gothic font; install fonts-ipafont-gothic")


def canvas(w, h, colour):
    return Image.new("RGB", (w * SCALE, h * SCALE), colour)


def finish(img):
    w, h = img.size
    return img.resize((w // SCALE, h // SCALE), Image.Resampling.LANCZOS)


def gradient(w, h, top, bottom):
    img = canvas(w, h, top)
    draw = ImageDraw.Draw(img)
    rows = h * SCALE
    for y in range(rows):
        t = y / max(rows - 1, 1)
        colour = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        draw.line([(0, y), (w * SCALE, y)], fill=colour)
    return img


def text_centred(img, text, px, colour, weight=2, shadow=None, dx=0.0, dy=0.0):
    """Writes text centred on the picture (dx, dy shift it, in pixels)."""
    draw = ImageDraw.Draw(img)
    f = font(px)
    left, top, right, bottom = draw.textbbox((0, 0), text, font=f, stroke_width=weight)
    x = (img.width - (right - left)) / 2 - left + dx * SCALE
    y = (img.height - (bottom - top)) / 2 - top + dy * SCALE
    if shadow is not None:
        draw.text((x + SCALE, y + SCALE), text, font=f, fill=shadow,
                  stroke_width=weight, stroke_fill=shadow)
    draw.text((x, y), text, font=f, fill=colour, stroke_width=weight, stroke_fill=colour)


def text_width(text, px, weight=2):
    left, _, right, _ = font(px).getbbox(text, stroke_width=weight)
    return (right - left) / SCALE


def fitting_size(text, px, max_width):
    while px > 8 and text_width(text, px) > max_width:
        px -= 1
    return px


# The button control draws its frame over the picture's rim and clips what
# does not fit, so lettering keeps to the middle of the face.
def blue_button(w, h, text):
    img = gradient(w, h, BLUE_TOP, BLUE_BOTTOM)
    if text:
        px = fitting_size(text, 18, w - 26)
        text_centred(img, text, px, YELLOW, shadow=(0, 24, 80))
    return finish(img)


def light_blue_button(w, h, text):
    img = gradient(w, h, LIGHT_BLUE_TOP, LIGHT_BLUE_BOTTOM)
    px = fitting_size(text, 15, w - 14)
    text_centred(img, text, px, NAVY)
    return finish(img)


# Keyboard Setup's Cancel keeps its plain blue face, lettered like the other
# blue buttons. Its button is as narrow as those of the 87-pixel pictures
# beside it and shows the middle of the picture, so the lettering keeps to
# that middle.
def plain_blue_button(w, h, text, shown=87):
    img = canvas(w, h, PLAIN_BLUE)
    px = fitting_size(text, 18, shown - 14)
    text_centred(img, text, px, YELLOW, shadow=(0, 24, 80))
    return finish(img)


def framed_light(w, h):
    img = canvas(w, h, LIGHT_FACE)
    ImageDraw.Draw(img).rectangle([0, 0, w * SCALE - 1, h * SCALE - 1],
                                  outline=LIGHT_EDGE, width=SCALE)
    return img


def arrow(draw, cx, top, bottom, upward, colour, s):
    """A vertical stroke from its start dot to an arrow head, in picture pixels."""
    line = max(2, round(2.4 * s))
    head_w = 5.2 * s
    head_h = 7.0 * s
    dot = 3.0 * s
    start, end = (bottom - dot, top) if upward else (top + dot, bottom)
    sign = -1 if upward else 1
    draw.ellipse([cx - dot, start - dot, cx + dot, start + dot], fill=colour)
    shaft_end = end - sign * head_h * 0.6
    draw.line([(cx, start), (cx, shaft_end)], fill=colour, width=line)
    draw.polygon([(cx, end), (cx - head_w, end - sign * head_h),
                  (cx + head_w, end - sign * head_h)], fill=colour)


def tap(draw, cx, cy, colour, s):
    """A pen tap: a dot in a ring."""
    r = 3.6 * s
    draw.ellipse([cx - r, cy - r, cx + r, cy + r], fill=colour)
    ring = 8.4 * s
    draw.ellipse([cx - ring, cy - ring, cx + ring, cy + ring], outline=colour,
                 width=max(2, round(1.7 * s)))


def glyph(draw, kind, cx, cy, height, colour):
    s = SCALE * height / 26
    half = height * SCALE / 2
    if kind == "tap":
        tap(draw, cx, cy, colour, s)
    else:
        arrow(draw, cx, cy - half + 2 * s, cy + half - 2 * s, kind == "up", colour, s)


def gesture_picture(w, h, kind):
    img = canvas(w, h, GREY)
    glyph(ImageDraw.Draw(img), kind, img.width / 2, img.height / 2, min(h, 26) - 2, INK)
    return finish(img)


def column_picture(mode, kind):
    w, h = 69, 33
    img = framed_light(w, h)
    text_centred(img, mode, 20, INK, dx=-10)
    glyph(ImageDraw.Draw(img), kind, (w - 14) * SCALE, img.height / 2, 24, INK)
    return finish(img)


def header_picture(text):
    img = framed_light(162, 26)
    text_centred(img, text, 16, INK)
    return finish(img)


def icon_picture(size):
    """A pen writing over a keyboard, on a transparent ground."""
    s = SCALE * size / 32
    img = Image.new("RGBA", (size * SCALE, size * SCALE), (0, 0, 0, 0))
    draw = ImageDraw.Draw(img)
    # The keyboard: a rounded slab with three rows of keys and a space bar.
    draw.rounded_rectangle([1 * s, 14 * s, 31 * s, 30 * s], radius=2.5 * s,
                           fill=(70, 76, 92, 255), outline=(24, 28, 40, 255), width=max(SCALE, round(s)))
    key = (236, 240, 248, 255)
    if size >= 32:
        rows = [(16.5, 3.5, 6, 3.0, 4.2, 2.6), (20.5, 4.8, 6, 3.0, 4.2, 2.6),
                (24.5, 3.5, 6, 3.0, 4.2, 2.6)]
        space = (9, 27.2, 23, 28.6)
    else:
        # Whole pixels only at 16 x 16, or the keys blur into a grey slab.
        rows = [(16, 4, 4, 4, 6, 4), (22, 6, 4, 4, 6, 4)]
        space = None
    for y, x0, n, kw, pitch, kh in rows:
        for i in range(n):
            x = x0 + i * pitch
            draw.rectangle([x * s, y * s, (x + kw) * s - 1, (y + kh) * s - 1], fill=key)
    if space:
        draw.rectangle([space[0] * s, space[1] * s, space[2] * s, space[3] * s], fill=key)
    # The pen: a barrel from the upper right down to its nib above the keys.
    barrel = [(27.5, 1.5), (31, 5), (14, 22), (10.5, 18.5)]
    draw.polygon([(x * s, y * s) for x, y in barrel], fill=(30, 90, 210, 255),
                 outline=(10, 30, 90, 255))
    draw.polygon([(x * s, y * s) for x, y in [(27.5, 1.5), (31, 5), (28.8, 7.2), (25.3, 3.7)]],
                 fill=(230, 232, 240, 255))
    nib = [(10.5, 18.5), (14, 22), (7, 25.5)]
    draw.polygon([(x * s, y * s) for x, y in nib], fill=(245, 214, 150, 255),
                 outline=(90, 60, 20, 255))
    draw.polygon([(x * s, y * s) for x, y in [(8.3, 22.8), (9.7, 24.2), (7, 25.5)]],
                 fill=PEN_RED + (255,))
    return img.resize((size, size), Image.Resampling.LANCZOS)


def write_ico(path, images):
    """An .ico of 32-bit images with alpha, each with its AND mask."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for img in images:
        w, h = img.size
        xor = bytearray()
        for y in range(h - 1, -1, -1):
            for x in range(w):
                r, g, b, a = img.getpixel((x, y))
                xor += bytes((b, g, r, a))
        mask_stride = ((w + 31) // 32) * 4
        mask = bytearray()
        for y in range(h - 1, -1, -1):
            row = bytearray(mask_stride)
            for x in range(w):
                if img.getpixel((x, y))[3] < 128:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = header + bytes(xor) + bytes(mask)
        entries.append(struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    with open(path, "wb") as out:
        out.write(struct.pack("<HHH", 0, 1, len(images)))
        for entry in entries:
            out.write(entry)
        for blob in blobs:
            out.write(blob)


def main():
    root = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
    out = os.path.join(root, "app", "ui", "win32", "res")
    os.makedirs(out, exist_ok=True)

    pictures = {
        "btn_exit.bmp": blue_button(140, 34, "終了"),
        "btn_help.bmp": blue_button(140, 34, "ﾍﾙﾌﾟ"),
        "btn_key_setup.bmp": blue_button(140, 34, "キー設定"),
        "btn_convert.bmp": blue_button(140, 34, "HTML変換"),
        "btn_remove.bmp": blue_button(140, 34, "リストから除く"),
        "btn_edit.bmp": light_blue_button(87, 34, "編集"),
        "btn_setup_cancel.bmp": plain_blue_button(140, 34, "キャンセル"),
        "btn_save.bmp": light_blue_button(87, 34, "保存・終了"),
        "btn_confirm.bmp": light_blue_button(87, 34, "変更確定"),
        "btn_cancel.bmp": light_blue_button(87, 34, "キャンセル"),
        "gesture_tap.bmp": gesture_picture(26, 30, "tap"),
        "gesture_up.bmp": gesture_picture(24, 26, "up"),
        "gesture_down.bmp": gesture_picture(26, 30, "down"),
        "mode_hira.bmp": header_picture("ひらがな モード"),
        "mode_kana.bmp": header_picture("カタカナ モード"),
        "mode_han.bmp": header_picture("半角 モード"),
    }
    for mode_name, mode in [("hira", "ひら"), ("kana", "カナ"), ("han", "半角")]:
        for kind in ["tap", "up", "down"]:
            pictures["col_%s_%s.bmp" % (mode_name, kind)] = column_picture(mode, kind)

    for name, img in pictures.items():
        img.convert("RGB").save(os.path.join(out, name), "BMP")
    write_ico(os.path.join(out, "marovi.ico"), [icon_picture(32), icon_picture(16)])
    print("make_art: %d pictures and the icon written to %s" % (len(pictures), out))


if __name__ == "__main__":
    main()
