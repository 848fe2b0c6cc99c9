#!/usr/bin/python3
"""Draws the program's icons and skin bitmaps into res/ (run by hand; the outputs are committed).

Skin bitmaps are drawn in full colour and stored at 8 bits per pixel, run-length encoded; the program loads
them as device-dependent bitmaps (LoadBitmap, LoadImage without LR_CREATEDIBSECTION), which accept compressed
images, where a DIB section would not. Pure magenta RGB(255, 0, 255) marks the pixels that are cut out of a
window or a button, so it appears only outside rounded corners and never as a blend with a neighbouring colour.
Icon images are stored PNG-compressed (32-bit with alpha), which Windows reads from Vista on: a third of the
size of the same images as uncompressed bitmaps.
"""
import os
import struct

from PIL import Image, ImageDraw

RES = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

KEY = (255, 0, 255)
BRAND = (4, 84, 181)
BORDER = (112, 142, 184)
BAND_TOP = (236, 244, 253)
BAND_BOTTOM = (204, 223, 246)
BODY = (251, 252, 254)
SEPARATOR = (178, 200, 229)
CLOSE_RED = (222, 48, 48)
SS = 4  # supersampling factor for anti-aliased shapes


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def band(y, height):
    """The title band's vertical gradient, shared by the backgrounds and the buttons that sit on them."""
    return mix(BAND_TOP, BAND_BOTTOM, y / max(1, height - 1))


def coverage_rounded(w, h, r, corners=(True, True, True, True)):
    """Per-pixel coverage (0..1) of a w x h rectangle whose chosen corners (tl, tr, bl, br) are rounded."""
    cov = [[1.0] * w for _ in range(h)]
    centres = [(r, r), (w - r, r), (r, h - r), (w - r, h - r)]
    boxes = [(0, 0), (w - r, 0), (0, h - r), (w - r, h - r)]
    for use, (cx, cy), (bx, by) in zip(corners, centres, boxes):
        if not use:
            continue
        for y in range(by, by + r):
            for x in range(bx, bx + r):
                inside = 0
                for sy in range(SS):
                    for sx in range(SS):
                        px, py = x + (sx + 0.5) / SS, y + (sy + 0.5) / SS
                        if (px - cx) ** 2 + (py - cy) ** 2 <= r * r:
                            inside += 1
                cov[y][x] = inside / (SS * SS)
    return cov


def cut_corners(img, r, corners=(True, True, True, True), border=None):
    """Key-colours the pixels outside the rounded corners; with a border colour, draws a 1-pixel outline
    that follows the curve (edge pixels of the curve blend into the border, never into the key)."""
    w, h = img.size
    cov = coverage_rounded(w, h, r, corners)
    inner = coverage_rounded(w - 2, h - 2, max(1, r - 1), corners) if border else None
    px = img.load()
    for y in range(h):
        for x in range(w):
            if cov[y][x] < 0.5:
                px[x, y] = KEY
            elif border:
                ix, iy = x - 1, y - 1
                c = inner[iy][ix] if 0 <= ix < w - 2 and 0 <= iy < h - 2 else 0.0
                px[x, y] = mix(border, px[x, y], c)


def supersampled(size, draw_fn, background=(0, 0, 0, 0)):
    """Draws at SS times the size and scales down, for smooth glyph edges."""
    w, h = size
    big = Image.new("RGBA", (w * SS, h * SS), background)
    draw_fn(ImageDraw.Draw(big), SS)
    return big.resize((w, h), Image.LANCZOS)


def paste_glyph(img, glyph, x, y):
    img.paste(glyph, (x, y), glyph)


# --- glyphs -------------------------------------------------------------------------------------------

def cross_glyph(size, colour, thickness):
    def draw(d, s):
        m = size * 0.3 * s
        e = size * s - m
        d.line([(m, m), (e, e)], fill=colour + (255,), width=int(thickness * s))
        d.line([(m, e), (e, m)], fill=colour + (255,), width=int(thickness * s))
    return supersampled((size, size), draw)


def minimise_glyph(size, colour):
    def draw(d, s):
        y = size * 0.62 * s
        d.rectangle([size * 0.28 * s, y, size * 0.72 * s, y + 1.6 * s], fill=colour + (255,))
    return supersampled((size, size), draw)


def shield_mark(size, fill=BRAND, check=(255, 255, 255)):
    """The product mark: a shield in the brand blue with a white check."""
    def draw(d, s):
        k = size * s / 32.0
        shield = [(16 * k, 1 * k), (29 * k, 6 * k), (27 * k, 20 * k), (16 * k, 31 * k), (5 * k, 20 * k), (3 * k, 6 * k)]
        d.polygon(shield, fill=fill + (255,))
        d.line([(10 * k, 16 * k), (14 * k, 21 * k), (23 * k, 10 * k)], fill=check + (255,), width=max(2, int(3 * k)))
    return supersampled((size, size), draw)


# --- buttons ------------------------------------------------------------------------------------------

def caption_button_strip(width, height, states, band_height, row_of, glyph_fn, right_corner):
    """Caption-band buttons: the normal image repeats the band under it so the button blends in; hover and
    pressed fill it; the disabled image greys the glyph. row_of maps an image row to the band row it covers.
    The buttons sit on the window's top edge (and the close button on its right edge), so they carry that
    part of the window's outline and its rounded corner."""
    strip = Image.new("RGB", (width, height * len(states)))
    for i, (fill, glyph_colour) in enumerate(states):
        # Drawn inside a larger canvas whose outline is cut like the window's, then cropped to the button:
        # only the top edge (and the right edge with its corner) of that outline stays.
        pad_right = 0 if right_corner else 10
        canvas = Image.new("RGB", (width + 10 + pad_right, height + 10))
        px = canvas.load()
        for y in range(height + 10):
            colour = fill if fill else band(row_of(min(y, height - 1)), band_height)
            for x in range(canvas.size[0]):
                px[x, y] = colour
        glyph = glyph_fn(glyph_colour)
        shown = height - 1 if height == 28 else height  # a 28-row image draws on a 27-row button
        paste_glyph(canvas, glyph, 10 + (width - glyph.size[0]) // 2, (shown - glyph.size[1]) // 2)
        cut_corners(canvas, 6, corners=(False, right_corner, False, False), border=BORDER)
        strip.paste(canvas.crop((10, 0, 10 + width, height)), (0, i * height))
    return strip


def push_button_strip():
    """30 x 24 push button images: normal, hover, pressed, disabled; black captions read on all but the last."""
    looks = [
        ((255, 255, 255), (226, 234, 245), BORDER),
        ((244, 249, 255), (205, 225, 249), BRAND),
        ((192, 213, 240), (220, 233, 250), BRAND),
        ((242, 242, 242), (232, 232, 232), (196, 196, 196)),
    ]
    strip = Image.new("RGB", (30, 96))
    for i, (top, bottom, border) in enumerate(looks):
        cell = Image.new("RGB", (30, 24))
        px = cell.load()
        for y in range(24):
            for x in range(30):
                px[x, y] = mix(top, bottom, y / 23)
        cut_corners(cell, 3, border=border)
        strip.paste(cell, (0, i * 24))
    return strip


# --- backgrounds --------------------------------------------------------------------------------------

def frame_background(w, h, band_height, body, radius):
    img = Image.new("RGB", (w, h), body)
    px = img.load()
    for y in range(band_height):
        for x in range(w):
            px[x, y] = band(y, band_height)
    for x in range(w):
        px[x, band_height] = SEPARATOR
    cut_corners(img, radius, border=BORDER)
    return img


def main_background():
    """437 x 254: title band with the mark, the product emblem on the left, a quiet status column."""
    img = frame_background(437, 254, 34, BODY, 6)
    px = img.load()
    # A soft panel behind the emblem and a faint divider before the status column.
    panel = supersampled((236, 110), lambda d, s: d.rounded_rectangle(
        [0, 0, 236 * s - 1, 110 * s - 1], radius=10 * s, fill=(234, 242, 252, 255)))
    paste_glyph(img, panel, 26, 44)
    emblem = shield_mark(76)
    paste_glyph(img, emblem, 26 + (236 - 76) // 2, 44 + (110 - 76) // 2)
    for y in range(50, 140):
        px[276, y] = (222, 230, 241)
    # Footer line above the download notice.
    for x in range(16, 421):
        px[x, 218] = (226, 233, 243)
    paste_glyph(img, shield_mark(16), 9, 9)
    return img


def message_frame():
    """125 x 128, cut in nine: 15-pixel sides, 28-row bands; the middle is flat so it stretches cleanly."""
    return frame_background(125, 128, 27, BODY, 6)


def progress_strip():
    """395 x 34: the empty track (rows 0-16) above the filled bar (rows 17-33)."""
    img = Image.new("RGB", (395, 34))
    px = img.load()
    for y in range(17):
        for x in range(395):
            px[x, y] = mix((226, 232, 240), (242, 245, 249), y / 16)
            px[x, y + 17] = mix((60, 150, 235), (12, 96, 196), y / 16)
    track = img.crop((0, 0, 395, 17))
    cut_corners(track, 6, border=(186, 198, 214))
    bar = img.crop((0, 17, 395, 34))
    cut_corners(bar, 6, border=(8, 78, 168))
    img.paste(track, (0, 0))
    img.paste(bar, (0, 17))
    return img


# --- icons --------------------------------------------------------------------------------------------

def disc_icon(size, disc, glyph_fn):
    def draw(d, s):
        d.ellipse([0.5 * s, 0.5 * s, (size - 0.5) * s, (size - 0.5) * s], fill=disc + (255,))
        glyph_fn(d, s, size)
    return supersampled((size, size), draw)


def info_glyph(d, s, n):
    k = n / 32.0 * s
    d.ellipse([14 * k, 6.5 * k, 18 * k, 10.5 * k], fill=(255, 255, 255, 255))
    d.rounded_rectangle([14 * k, 13 * k, 18 * k, 26 * k], radius=1.5 * k, fill=(255, 255, 255, 255))


def error_glyph(d, s, n):
    k = n / 32.0 * s
    d.line([(10 * k, 10 * k), (22 * k, 22 * k)], fill=(255, 255, 255, 255), width=int(4 * k))
    d.line([(10 * k, 22 * k), (22 * k, 10 * k)], fill=(255, 255, 255, 255), width=int(4 * k))


def question_glyph(d, s, n):
    k = n / 32.0 * s
    white = (255, 255, 255, 255)
    d.arc([10 * k, 6 * k, 22 * k, 17 * k], start=180, end=60, fill=white, width=int(3.5 * k))
    d.line([(19.5 * k, 15 * k), (16 * k, 18.5 * k), (16 * k, 21 * k)], fill=white, width=int(3.5 * k))
    d.ellipse([14 * k, 23 * k, 18 * k, 27 * k], fill=white)


def warning_icon(size):
    def draw(d, s):
        k = size / 32.0 * s
        d.polygon([(16 * k, 1.5 * k), (31 * k, 29.5 * k), (1 * k, 29.5 * k)], fill=(252, 196, 25, 255),
                  outline=(196, 140, 0, 255))
        d.rounded_rectangle([14 * k, 9.5 * k, 18 * k, 21 * k], radius=1.5 * k, fill=(0, 0, 0, 255))
        d.ellipse([14 * k, 23 * k, 18 * k, 27 * k], fill=(0, 0, 0, 255))
    return supersampled((size, size), draw)


def save_icon(name, make):
    big, small = make(32), make(16)
    big.save(os.path.join(RES, name), sizes=[(32, 32), (16, 16)], append_images=[small], bitmap_format="png")


def palettised(img):
    """The image with a palette of at most 256 colours: the key and the most used colours exactly (flat areas
    and the gradients, whose steps are few), any rarer colour (antialiased edge pixels of the emblem and the
    panel) as its nearest palette colour other than the key, so that the key's pixels stay exactly the cut."""
    counts = sorted(img.getcolors(img.size[0] * img.size[1]), key=lambda c: (-c[0], c[1]))
    colours = [colour for _, colour in counts]
    palette = ([KEY] if KEY in colours else []) + [c for c in colours if c != KEY][:256 - (KEY in colours)]
    index = {colour: i for i, colour in enumerate(palette)}
    for colour in colours[len(palette):]:
        index[colour] = min((i for i, c in enumerate(palette) if c != KEY),
                            key=lambda i: (max(abs(a - b) for a, b in zip(colour, palette[i])),
                                           sum((a - b) ** 2 for a, b in zip(colour, palette[i]))))
    out = Image.new("P", img.size)
    out.putpalette([v for colour in palette for v in colour])
    out.putdata([index[colour] for colour in img.getdata()])
    return out


def rle8_row(row):
    """One row in the BI_RLE8 encoding: runs of a repeated index as (count, index), stretches of differing
    indices in absolute mode (0, count, indices, padded to a word), then the end-of-line mark."""
    out = bytearray()
    x, n = 0, len(row)
    literal = []

    def flush():
        if len(literal) >= 3:
            out.extend([0, len(literal)] + literal + [0] * (len(literal) & 1))
        else:
            for index in literal:  # absolute mode needs at least three pixels
                out.extend([1, index])
        literal.clear()
    while x < n:
        run = 1
        while x + run < n and run < 255 and row[x + run] == row[x]:
            run += 1
        if run >= 3 or (run == 2 and not literal):
            flush()
            out.extend([run, row[x]])
        else:
            literal.extend(row[x:x + run])
            if len(literal) >= 253:
                flush()
        x += run
    flush()
    out.extend([0, 0])
    return out


def save_bitmap(name, img):
    """An 8-bit bitmap, run-length encoded (BI_RLE8): the skins are mostly flat rows, which this stores in a
    few bytes each. Bottom-up, as compressed bitmaps must be."""
    img = palettised(img.convert("RGB"))
    w, h = img.size
    pixels = list(img.getdata())
    bits = bytearray()
    for y in reversed(range(h)):
        bits += rle8_row(pixels[y * w:(y + 1) * w])
    bits += bytes([0, 1])
    colours = img.getpalette()[:3 * (max(pixels) + 1)]
    palette = b"".join(bytes([b, g, r, 0]) for r, g, b in zip(colours[0::3], colours[1::3], colours[2::3]))
    offset = 14 + 40 + len(palette)
    with open(os.path.join(RES, name), "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset))
        f.write(struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 1, len(bits), 2835, 2835, len(palette) // 4, 0))
        f.write(palette)
        f.write(bits)


def main():
    save_icon("app.ico", shield_mark)
    save_icon("information.ico", lambda n: disc_icon(n, (30, 120, 220), info_glyph))
    save_icon("error.ico", lambda n: disc_icon(n, (214, 48, 49), error_glyph))
    save_icon("warning.ico", warning_icon)
    save_icon("question.ico", lambda n: disc_icon(n, (30, 120, 220), question_glyph))

    save_bitmap("msg_frame.bmp", message_frame())
    # Message close button: 3 images of 34 x 28 on a 34 x 27 button; image rows from 14 on land one band
    # row higher (the button shows image rows 0-12 and 14-27).
    save_bitmap("msg_close.bmp", caption_button_strip(
        34, 28, [(None, (70, 84, 104)), (CLOSE_RED, (255, 255, 255)), ((176, 32, 32), (255, 255, 255))],
        27, lambda y: y if y < 14 else y - 1, lambda c: cross_glyph(14, c, 1.6), True))
    save_bitmap("push_button.bmp", push_button_strip())
    save_bitmap("main_background.bmp", main_background())
    save_bitmap("main_minimize.bmp", caption_button_strip(
        24, 25, [(None, (70, 84, 104)), ((190, 210, 236), (20, 40, 70)), ((160, 188, 226), (20, 40, 70)),
                 (None, (170, 178, 190))], 34, lambda y: y, lambda c: minimise_glyph(14, c), False))
    save_bitmap("main_close.bmp", caption_button_strip(
        38, 25, [(None, (70, 84, 104)), (CLOSE_RED, (255, 255, 255)), ((176, 32, 32), (255, 255, 255)),
                 (None, (170, 178, 190))], 34, lambda y: y, lambda c: cross_glyph(14, c, 1.6), True))
    save_bitmap("progress.bmp", progress_strip())


if __name__ == "__main__":
    main()
