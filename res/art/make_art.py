#!/usr/bin/python3
"""Draws the program's icons and skin bitmaps into res/ (run by hand; the outputs are committed).

Skin bitmaps are drawn in full colour and stored at 8 bits per pixel, run-length encoded; the program loads
them as device-dependent bitmaps (LoadBitmap, LoadImage without LR_CREATEDIBSECTION), which accept compressed
images, where a DIB section would not. Pure magenta RGB(255, 0, 255) marks the pixels that are cut out of a
window or a button, so it appears only outside rounded corners and never as a blend with a neighbouring colour.
Each skin bitmap is drawn at 100 % display scale (NAME.bmp) and at 200 % (NAME_200.bmp). Every drawing takes a
scale factor that multiplies all of its geometry, line widths included, so that a larger image is drawn at its
own size, sharp, rather than enlarged; at 100 % the drawings are pixel for pixel those the program always had.
Icon images are stored PNG-compressed (32-bit with alpha), which Windows reads from Vista on: a third of the
size of the same images as uncompressed bitmaps. Each size of an icon is drawn at that size.
"""
import os
import struct
import zlib

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
SCALES = ((1, ""), (2, "_200"))  # display scales drawn, with the suffix of their file names


def scaled(length, scale):
    """A length in pixels at a display scale, rounded half up: exactly the length at 100 %."""
    return int(length * scale + 0.5)


def line_width(scale):
    """Borders, separators and dividers are one pixel wide at 100 % and as wide as the scale makes them."""
    return max(1, scaled(1, scale))


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


def cut_corners(img, r, corners=(True, True, True, True), border=None, line=1):
    """Key-colours the pixels outside the rounded corners; with a border colour, draws an outline line pixels
    wide that follows the curve (edge pixels of the curve blend into the border, never into the key)."""
    w, h = img.size
    cov = coverage_rounded(w, h, r, corners)
    inner = coverage_rounded(w - 2 * line, h - 2 * line, max(1, r - line), corners) if border else None
    px = img.load()
    for y in range(h):
        for x in range(w):
            if cov[y][x] < 0.5:
                px[x, y] = KEY
            elif border:
                ix, iy = x - line, y - line
                c = inner[iy][ix] if 0 <= ix < w - 2 * line and 0 <= iy < h - 2 * line else 0.0
                px[x, y] = mix(border, px[x, y], c)


def resampling(original):
    """The filter that brings a drawing at SS times its size down, for smooth edges. The images the program had
    before it drew for other display scales (the 100 % bitmaps, the 16 and 32 pixel icons) keep Lanczos, so
    they stay pixel for pixel; every other image averages each pixel's area, which antialiases as well
    without Lanczos' ringing around edges: a fifth fewer bytes in a run-length bitmap, a third in a PNG."""
    return Image.LANCZOS if original else Image.BOX


def supersampled(size, draw_fn, resample):
    w, h = size
    big = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))
    draw_fn(ImageDraw.Draw(big), SS)
    return big.resize((w, h), resample)


def paste_glyph(img, glyph, x, y):
    img.paste(glyph, (x, y), glyph)


# --- glyphs -------------------------------------------------------------------------------------------

def cross_glyph(size, colour, thickness, resample):
    def draw(d, s):
        m = size * 0.3 * s
        e = size * s - m
        d.line([(m, m), (e, e)], fill=colour + (255,), width=int(thickness * s))
        d.line([(m, e), (e, m)], fill=colour + (255,), width=int(thickness * s))
    return supersampled((size, size), draw, resample)


def minimise_glyph(size, colour, thickness, resample):
    def draw(d, s):
        y = size * 0.62 * s
        d.rectangle([size * 0.28 * s, y, size * 0.72 * s, y + thickness * s], fill=colour + (255,))
    return supersampled((size, size), draw, resample)


def shield_mark(size, resample, fill=BRAND, check=(255, 255, 255)):
    """The product mark: a shield in the brand blue with a white check."""
    def draw(d, s):
        k = size * s / 32.0
        shield = [(16 * k, 1 * k), (29 * k, 6 * k), (27 * k, 20 * k), (16 * k, 31 * k), (5 * k, 20 * k), (3 * k, 6 * k)]
        d.polygon(shield, fill=fill + (255,))
        d.line([(10 * k, 16 * k), (14 * k, 21 * k), (23 * k, 10 * k)], fill=check + (255,), width=max(2, int(3 * k)))
    return supersampled((size, size), draw, resample)


# --- buttons ------------------------------------------------------------------------------------------

def caption_button_strip(scale, width, height, states, band_height, glyph_fn, right_corner, button_rows=None):
    """Caption-band buttons, width x height at 100 %: the normal image repeats the band under it so the button
    blends in; hover and pressed fill it; the disabled image greys the glyph. An image taller than its button
    (button_rows at 100 %) is drawn by the program with its rows from the middle on moved up by the difference,
    so those rows repeat the band rows they land on, and the glyph is centred on the button's rows.
    The buttons sit on the window's top edge (and the close button on its right edge), so they carry that
    part of the window's outline and its rounded corner."""
    width, height, band_height = scaled(width, scale), scaled(height, scale), scaled(band_height, scale)
    shown = scaled(button_rows, scale) if button_rows else height
    middle = height // 2

    def row_of(y):  # the band row an image row covers
        return y if y < middle else y - (height - shown)
    pad = scaled(10, scale)
    strip = Image.new("RGB", (width, height * len(states)))
    for i, (fill, glyph_colour) in enumerate(states):
        # Drawn inside a larger canvas whose outline is cut like the window's, then cropped to the button:
        # only the top edge (and the right edge with its corner) of that outline stays.
        pad_right = 0 if right_corner else pad
        canvas = Image.new("RGB", (width + pad + pad_right, height + pad))
        px = canvas.load()
        for y in range(height + pad):
            colour = fill if fill else band(row_of(min(y, height - 1)), band_height)
            for x in range(canvas.size[0]):
                px[x, y] = colour
        glyph = glyph_fn(glyph_colour)
        paste_glyph(canvas, glyph, pad + (width - glyph.size[0]) // 2, (shown - glyph.size[1]) // 2)
        cut_corners(canvas, scaled(6, scale), corners=(False, right_corner, False, False), border=BORDER,
                    line=line_width(scale))
        strip.paste(canvas.crop((pad, 0, pad + width, height)), (0, i * height))
    return strip


def caption_cross(scale):
    return lambda colour: cross_glyph(scaled(14, scale), colour, 1.6 * scale, resampling(scale == 1))


def caption_minimise(scale):
    return lambda colour: minimise_glyph(scaled(14, scale), colour, 1.6 * scale, resampling(scale == 1))


def push_button_strip(scale):
    """30 x 24 push button images at 100 %: normal, hover, pressed, disabled; black captions read on all but
    the last."""
    looks = [
        ((255, 255, 255), (226, 234, 245), BORDER),
        ((244, 249, 255), (205, 225, 249), BRAND),
        ((192, 213, 240), (220, 233, 250), BRAND),
        ((242, 242, 242), (232, 232, 232), (196, 196, 196)),
    ]
    w, h = scaled(30, scale), scaled(24, scale)
    strip = Image.new("RGB", (w, h * len(looks)))
    for i, (top, bottom, border) in enumerate(looks):
        cell = Image.new("RGB", (w, h))
        px = cell.load()
        for y in range(h):
            for x in range(w):
                px[x, y] = mix(top, bottom, y / (h - 1))
        cut_corners(cell, scaled(3, scale), border=border, line=line_width(scale))
        strip.paste(cell, (0, i * h))
    return strip


# --- backgrounds --------------------------------------------------------------------------------------

def fill_rect(px, x0, y0, x1, y1, colour):
    for y in range(y0, y1):
        for x in range(x0, x1):
            px[x, y] = colour


def frame_background(scale, w, h, band_height):
    """A window w x h at 100 %: the title band's gradient over band_height rows, a separator under it, the
    body below, the outline and the rounded corners (radius 6 at 100 %), which lie inside the squares of side
    10 at 100 % in the corners that the program cuts out of the window."""
    w, h, band_height, line = scaled(w, scale), scaled(h, scale), scaled(band_height, scale), line_width(scale)
    img = Image.new("RGB", (w, h), BODY)
    px = img.load()
    for y in range(band_height):
        for x in range(w):
            px[x, y] = band(y, band_height)
    fill_rect(px, 0, band_height, w, band_height + line, SEPARATOR)
    cut_corners(img, scaled(6, scale), border=BORDER, line=line)
    return img


def main_background(scale):
    """437 x 254 at 100 %: title band with the mark, the product emblem on the left, a quiet status column."""
    img = frame_background(scale, 437, 254, 34)
    px = img.load()
    line, resample = line_width(scale), resampling(scale == 1)
    # A soft panel behind the emblem and a faint divider before the status column.
    panel_w, panel_h, panel_x, panel_y = (scaled(v, scale) for v in (236, 110, 26, 44))
    panel = supersampled((panel_w, panel_h), lambda d, s: d.rounded_rectangle(
        [0, 0, panel_w * s - 1, panel_h * s - 1], radius=scaled(10, scale) * s, fill=(234, 242, 252, 255)), resample)
    paste_glyph(img, panel, panel_x, panel_y)
    emblem = shield_mark(scaled(76, scale), resample)
    paste_glyph(img, emblem, panel_x + (panel_w - emblem.size[0]) // 2, panel_y + (panel_h - emblem.size[1]) // 2)
    divider_x = scaled(276, scale)
    fill_rect(px, divider_x, scaled(50, scale), divider_x + line, scaled(140, scale), (222, 230, 241))
    # Footer line above the download notice.
    footer_y = scaled(218, scale)
    fill_rect(px, scaled(16, scale), footer_y, scaled(421, scale), footer_y + line, (226, 233, 243))
    paste_glyph(img, shield_mark(scaled(16, scale), resample), scaled(9, scale), scaled(9, scale))
    return img


def message_frame(scale):
    """125 x 128 at 100 %, cut in nine: 15-pixel sides, 28-row bands (the band and its separator); the middle
    is flat so it stretches cleanly. At 200 %: 30-pixel sides, 56-row bands."""
    return frame_background(scale, 125, 128, 27)


def progress_strip(scale):
    """395 x 34 at 100 %: the empty track (rows 0-16) above the filled bar (rows 17-33), each a half."""
    w, bh, r, line = scaled(395, scale), scaled(17, scale), scaled(6, scale), line_width(scale)
    img = Image.new("RGB", (w, 2 * bh))
    px = img.load()
    for y in range(bh):
        for x in range(w):
            px[x, y] = mix((226, 232, 240), (242, 245, 249), y / (bh - 1))
            px[x, y + bh] = mix((60, 150, 235), (12, 96, 196), y / (bh - 1))
    track = img.crop((0, 0, w, bh))
    cut_corners(track, r, border=(186, 198, 214), line=line)
    bar = img.crop((0, bh, w, 2 * bh))
    cut_corners(bar, r, border=(8, 78, 168), line=line)
    img.paste(track, (0, 0))
    img.paste(bar, (0, bh))
    return img


# --- icons --------------------------------------------------------------------------------------------

def disc_icon(size, resample, disc, glyph_fn):
    def draw(d, s):
        d.ellipse([0.5 * s, 0.5 * s, (size - 0.5) * s, (size - 0.5) * s], fill=disc + (255,))
        glyph_fn(d, s, size)
    return supersampled((size, size), draw, resample)


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


def warning_icon(size, resample):
    def draw(d, s):
        k = size / 32.0 * s
        d.polygon([(16 * k, 1.5 * k), (31 * k, 29.5 * k), (1 * k, 29.5 * k)], fill=(252, 196, 25, 255),
                  outline=(196, 140, 0, 255))
        d.rounded_rectangle([14 * k, 9.5 * k, 18 * k, 21 * k], radius=1.5 * k, fill=(0, 0, 0, 255))
        d.ellipse([14 * k, 23 * k, 18 * k, 27 * k], fill=(0, 0, 0, 255))
    return supersampled((size, size), draw, resample)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else (b if pb <= pc else c)


def png_filtered(kind, row, previous):
    """A row of RGBA bytes under one of PNG's five filters (none, sub, up, average, Paeth)."""
    out = bytearray(len(row))
    for i, value in enumerate(row):
        a = row[i - 4] if i >= 4 else 0
        b = previous[i]
        c = previous[i - 4] if i >= 4 else 0
        out[i] = (value - (0, a, b, (a + b) >> 1, paeth(a, b, c))[kind]) & 255
    return bytes([kind]) + out


def png_bytes(img):
    """A 32-bit RGBA PNG of the image, as small as this can make it losslessly: every row filtered alike by each
    filter, or each row by the filter whose bytes are smallest as signed numbers, each compressed at zlib's
    best level with both of its general strategies, the smallest kept."""
    w, h = img.size
    raw = img.convert("RGBA").tobytes()
    rows = [raw[y * 4 * w:(y + 1) * 4 * w] for y in range(h)]
    choices = [[png_filtered(k, row, prev) for k in range(5)] for row, prev in zip(rows, [bytes(4 * w)] + rows)]
    streams = [b"".join(row[k] for row in choices) for k in range(5)]
    streams.append(b"".join(min(row, key=lambda f: sum(min(v, 256 - v) for v in f[1:])) for row in choices))
    packed = []
    for stream in streams:
        for memory in (8, 9):
            for strategy in (zlib.Z_DEFAULT_STRATEGY, zlib.Z_FILTERED):
                z = zlib.compressobj(9, zlib.DEFLATED, 15, memory, strategy)
                packed.append(z.compress(stream) + z.flush())

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", min(packed, key=len)) + chunk(b"IEND", b""))


def save_icon(name, make, sizes):
    """An icon file holding one PNG image per size, each drawn at its size by make(size, resample)."""
    images = [png_bytes(make(size, resampling(size in (16, 32)))) for size in sizes]
    offset = 6 + 16 * len(images)
    with open(os.path.join(RES, name), "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)))
        for size, data in zip(sizes, images):
            f.write(struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset))
            offset += len(data)
        for data in images:
            f.write(data)


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
    # The program's icon serves the tray, the title bar and the taskbar at 100 to 200 %; a message's icon is
    # drawn 32 pixels wide at 100 %.
    app_sizes, message_sizes = (16, 20, 24, 32, 40, 48, 64), (32, 40, 48, 56, 64)
    save_icon("app.ico", shield_mark, app_sizes)
    save_icon("information.ico", lambda n, resample: disc_icon(n, resample, (30, 120, 220), info_glyph), message_sizes)
    save_icon("error.ico", lambda n, resample: disc_icon(n, resample, (214, 48, 49), error_glyph), message_sizes)
    save_icon("warning.ico", warning_icon, message_sizes)
    save_icon("question.ico", lambda n, resample: disc_icon(n, resample, (30, 120, 220), question_glyph), message_sizes)

    for scale, suffix in SCALES:
        save_bitmap("msg_frame%s.bmp" % suffix, message_frame(scale))
        # Message close button: 3 images of 34 x 28 on a 34 x 27 button at 100 % (the button shows image rows
        # 0-12 and 14-27), 68 x 56 on 68 x 54 at 200 % (rows 0-25 and 28-55).
        save_bitmap("msg_close%s.bmp" % suffix, caption_button_strip(
            scale, 34, 28, [(None, (70, 84, 104)), (CLOSE_RED, (255, 255, 255)), ((176, 32, 32), (255, 255, 255))],
            27, caption_cross(scale), True, button_rows=27))
        save_bitmap("push_button%s.bmp" % suffix, push_button_strip(scale))
        save_bitmap("main_background%s.bmp" % suffix, main_background(scale))
        save_bitmap("main_minimize%s.bmp" % suffix, caption_button_strip(
            scale, 24, 25, [(None, (70, 84, 104)), ((190, 210, 236), (20, 40, 70)),
                            ((160, 188, 226), (20, 40, 70)), (None, (170, 178, 190))],
            34, caption_minimise(scale), False))
        save_bitmap("main_close%s.bmp" % suffix, caption_button_strip(
            scale, 38, 25, [(None, (70, 84, 104)), (CLOSE_RED, (255, 255, 255)), ((176, 32, 32), (255, 255, 255)),
                            (None, (170, 178, 190))], 34, caption_cross(scale), True))
        save_bitmap("progress%s.bmp" % suffix, progress_strip(scale))


if __name__ == "__main__":
    main()
