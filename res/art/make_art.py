#!/usr/bin/python3
"""Draws the program's icons and skin bitmaps into res/ (run by hand; the outputs are committed)."""
import os

from PIL import Image, ImageDraw

RES = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def app_icon(size):
    """The product mark: a shield in the brand blue with a white check."""
    img = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    s = size / 32.0
    shield = [(16 * s, 1 * s), (29 * s, 6 * s), (27 * s, 20 * s), (16 * s, 31 * s), (5 * s, 20 * s), (3 * s, 6 * s)]
    d.polygon(shield, fill=(4, 84, 181, 255))
    d.line([(10 * s, 16 * s), (14 * s, 21 * s), (23 * s, 10 * s)], fill=(255, 255, 255, 255), width=max(2, int(3 * s)))
    return img


def main():
    big = app_icon(32)
    big.save(os.path.join(RES, "app.ico"), sizes=[(32, 32), (16, 16)], append_images=[app_icon(16)],
             bitmap_format="bmp")


if __name__ == "__main__":
    main()
