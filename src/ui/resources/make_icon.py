#!/usr/bin/python3
"""Draws the window's 32 x 32 icon: a camera with an arrow leaving it.

Run it from anywhere; it rewrites pellora.png beside itself. The icon is kept
at 24 bits per pixel (no alpha), so the background is a solid rounded tile.
"""
from pathlib import Path

from PIL import Image, ImageDraw

SIZE = 32
BACKGROUND = (246, 246, 242)
TILE = (44, 92, 150)
BODY = (238, 238, 232)
LENS_RING = (60, 60, 66)
LENS_GLASS = (120, 180, 230)
ARROW = (240, 150, 30)


def draw() -> Image.Image:
    image = Image.new("RGB", (SIZE, SIZE), BACKGROUND)
    pen = ImageDraw.Draw(image)
    pen.rounded_rectangle((0, 0, 31, 31), radius=6, fill=TILE)
    # Camera body with its viewfinder bump and shutter button.
    pen.rectangle((9, 6, 15, 9), fill=BODY)
    pen.rounded_rectangle((3, 8, 24, 22), radius=3, fill=BODY)
    pen.rectangle((19, 5, 22, 7), fill=BODY)
    pen.ellipse((7, 9, 19, 21), fill=LENS_RING)
    pen.ellipse((10, 12, 16, 18), fill=LENS_GLASS)
    pen.point((11, 13), fill=(255, 255, 255))
    # Arrow from the camera down to the right: the picture moving to a folder.
    pen.rectangle((16, 24, 24, 27), fill=ARROW)
    pen.polygon([(24, 20), (30, 25), (24, 30)], fill=ARROW)
    return image


if __name__ == "__main__":
    draw().save(Path(__file__).with_name("pellora.png"), optimize=True)
