#!/usr/bin/python3
"""Draws Pellora's icon: a camera with an arrow leaving it.

Run it from anywhere; it rewrites beside itself
- pellora.png, the window's own 32 x 32 icon at 24 bits per pixel (no alpha),
  so its background is a solid rounded tile;
- icons/pellora-SIZE.png for the desktop's icon theme, one per size in SIZES,
  with transparent corners.

Every shape is given once, on a 32 x 32 grid of pixels. At 32 pixels it is
drawn pixel for pixel; at any other size it is drawn eight times larger than
wanted and reduced, so each size gets clean edges rather than stretched pixels.
"""
from pathlib import Path

from PIL import Image, ImageDraw

GRID = 32
SIZES = (16, 32, 48, 64, 128, 256)
OVERSAMPLING = 8
BACKGROUND = (246, 246, 242)
TILE = (44, 92, 150)
BODY = (238, 238, 232)
LENS_RING = (60, 60, 66)
LENS_GLASS = (120, 180, 230)
HIGHLIGHT = (255, 255, 255)
ARROW = (240, 150, 30)

# (shape, corners or points in grid pixels, both ends included, colour[, radius])
SHAPES = (
    ("rounded", (0, 0, 31, 31), TILE, 6),
    # Camera body with its viewfinder bump and shutter button.
    ("rectangle", (9, 6, 15, 9), BODY),
    ("rounded", (3, 8, 24, 22), BODY, 3),
    ("rectangle", (19, 5, 22, 7), BODY),
    ("ellipse", (7, 9, 19, 21), LENS_RING),
    ("ellipse", (10, 12, 16, 18), LENS_GLASS),
    ("rectangle", (11, 13, 11, 13), HIGHLIGHT),
    # Arrow from the camera down to the right: the picture moving to a folder.
    ("rectangle", (16, 24, 24, 27), ARROW),
    ("polygon", ((24, 20), (30, 25), (24, 30)), ARROW),
)


def scaled_box(box, scale):
    """Grid pixels first..last as the pixels that cover the same area at `scale`."""
    x0, y0, x1, y1 = box
    return (x0 * scale, y0 * scale, (x1 + 1) * scale - 1, (y1 + 1) * scale - 1)


def scaled_point(point, scale):
    """A grid pixel's centre at `scale`."""
    return tuple((c + 0.5) * scale - 0.5 for c in point)


def paint(pen: ImageDraw.ImageDraw, scale: int) -> None:
    for shape, where, colour, *radius in SHAPES:
        if shape == "polygon":
            pen.polygon([scaled_point(p, scale) for p in where], fill=colour)
            continue
        box = scaled_box(where, scale)
        if shape == "rounded":
            pen.rounded_rectangle(box, radius=radius[0] * scale, fill=colour)
        elif shape == "ellipse":
            pen.ellipse(box, fill=colour)
        else:
            pen.rectangle(box, fill=colour)


def draw() -> Image.Image:
    """The window's icon: the grid drawn pixel for pixel on a solid background."""
    image = Image.new("RGB", (GRID, GRID), BACKGROUND)
    paint(ImageDraw.Draw(image), 1)
    return image


def draw_theme_icon(size: int) -> Image.Image:
    """One size of the theme icon, with transparent corners."""
    if size == GRID:
        image = Image.new("RGBA", (GRID, GRID), (0, 0, 0, 0))
        paint(ImageDraw.Draw(image), 1)
        return image
    large = size * OVERSAMPLING
    if large % GRID:
        raise ValueError(f"{size} px cannot be drawn from a {GRID} px grid")
    image = Image.new("RGBA", (large, large), (0, 0, 0, 0))
    paint(ImageDraw.Draw(image), large // GRID)
    return image.resize((size, size), Image.Resampling.BOX)


if __name__ == "__main__":
    here = Path(__file__).parent
    draw().save(here / "pellora.png", optimize=True)
    (here / "icons").mkdir(exist_ok=True)
    for size in SIZES:
        draw_theme_icon(size).save(here / "icons" / f"pellora-{size}.png", optimize=True)
