"""Builds the screenshot-like TGA corpus from the wallpapers of a Debian package.

Deterministic: every crop, scale and file name follows from the sorted list of
source pictures and the file's index; nothing is random. Three kinds, as games
write them:

  fhd32-NNN.tga   1920x1080, 32-bit, uncompressed, bottom-up, alpha 255
  fhdrle-NNN.tga  1920x1080, 24-bit, run-length, bottom-up
  uhd32-NNN.tga   3840x2160, 32-bit, uncompressed, bottom-up, alpha 255

Half of the 1920x1080 pictures are the whole wallpaper scaled down (smooth,
like a menu or a sky), half a crop at full resolution (fine detail, like a
scene close up). Rerunning with the same sources and counts rewrites nothing.
"""

import argparse
import hashlib
import json
import sys
from pathlib import Path

import numpy as np
from PIL import Image

KINDS = {
    # name: (width, height, bits, run_length, first source)
    "fhd32": (1920, 1080, 32, False, 0),
    "fhdrle": (1920, 1080, 24, True, 5),
    "uhd32": (3840, 2160, 32, False, 9),
}


def source_pictures(folder):
    paths = sorted(p for p in Path(folder).iterdir() if p.suffix.lower() in (".jpg", ".jpeg", ".png"))
    if not paths:
        sys.exit(f"no wallpapers in {folder}")
    return paths


def cover(picture, width, height):
    """Scales so the picture covers width x height, then takes the centre."""
    scale = max(width / picture.width, height / picture.height)
    size = (max(width, round(picture.width * scale)), max(height, round(picture.height * scale)))
    scaled = picture.resize(size, Image.LANCZOS)
    left = (scaled.width - width) // 2
    top = (scaled.height - height) // 2
    return scaled.crop((left, top, left + width, top + height))


def window(picture, width, height, index):
    """A full-resolution crop whose place moves with the index."""
    if picture.width < width or picture.height < height:
        return cover(picture, width, height)
    spots = [(0.5, 0.5), (0.2, 0.3), (0.8, 0.7), (0.3, 0.8), (0.7, 0.2)]
    fx, fy = spots[index % len(spots)]
    left = round((picture.width - width) * fx)
    top = round((picture.height - height) * fy)
    return picture.crop((left, top, left + width, top + height))


def frame(sources, kind, index):
    width, height, _, _, first = KINDS[kind]
    # Each kind starts at another wallpaper, so the kinds are not the same pictures.
    with Image.open(sources[(first + index) % len(sources)]) as opened:
        picture = opened.convert("RGB")
    if kind == "uhd32" or (index // len(sources)) % 2 == 0:
        return cover(picture, width, height)
    return window(picture, width, height, index)


def write_uncompressed32(path, rgb):
    """Header and rows written by hand: bottom-up, 8 alpha bits, alpha opaque."""
    pixels = np.asarray(rgb, dtype=np.uint8)
    height, width, _ = pixels.shape
    bgra = np.empty((height, width, 4), dtype=np.uint8)
    bgra[..., 0] = pixels[..., 2]
    bgra[..., 1] = pixels[..., 1]
    bgra[..., 2] = pixels[..., 0]
    bgra[..., 3] = 255
    header = bytes([0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                    width & 0xFF, width >> 8, height & 0xFF, height >> 8, 32, 0x08])
    with open(path, "wb") as out:
        out.write(header)
        out.write(bgra[::-1].tobytes())


def write_run_length24(path, rgb):
    # Pillow's writer: image type 10, 24 bits, bottom-up.
    rgb.save(path, format="TGA", compression="tga_rle")


def build(sources, folder, counts):
    folder.mkdir(parents=True, exist_ok=True)
    wanted = set()
    for kind, count in counts.items():
        for index in range(count):
            path = folder / f"{kind}-{index + 1:03d}.tga"
            wanted.add(path.name)
            if path.exists():
                continue
            picture = frame(sources, kind, index)
            # Written beside and renamed, so an interrupted run leaves no half file.
            partial = path.with_name(path.name + ".part")
            if KINDS[kind][3]:
                write_run_length24(partial, picture)
            else:
                write_uncompressed32(partial, picture)
            partial.replace(path)
    # Files of an earlier, larger corpus would distort the counts.
    for stale in folder.glob("*.tga"):
        if stale.name not in wanted:
            stale.unlink()


def check(folder, counts):
    """Reads every file back with Pillow: size and kind must be what was asked."""
    digest = hashlib.sha256()
    for kind, count in counts.items():
        width, height, bits, run_length, _ = KINDS[kind]
        for index in range(count):
            path = folder / f"{kind}-{index + 1:03d}.tga"
            data = path.read_bytes()
            digest.update(data)
            image_type, depth = data[2], data[16]
            if (image_type, depth) != ((10 if run_length else 2), bits):
                sys.exit(f"{path}: type {image_type}, {depth} bits")
            with Image.open(path) as picture:
                if picture.size != (width, height):
                    sys.exit(f"{path}: {picture.size}")
    return digest.hexdigest()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sources", required=True, help="folder of wallpapers")
    parser.add_argument("--out", required=True, help="folder of the TGA corpus")
    parser.add_argument("--counts", default="24,12,8", help="fhd32,fhdrle,uhd32 file counts")
    args = parser.parse_args()
    counts = dict(zip(KINDS, (int(n) for n in args.counts.split(","))))
    folder = Path(args.out)
    build(source_pictures(args.sources), folder, counts)
    print(json.dumps({"counts": counts, "sha256": check(folder, counts)}))


if __name__ == "__main__":
    main()
