"""What a Pillow user writes to convert a folder: open, drop alpha, save."""

import sys
from pathlib import Path

from PIL import Image

source, target, quality = Path(sys.argv[1]), Path(sys.argv[2]), int(sys.argv[3])
for path in sorted(source.glob("*.tga")):
    with Image.open(path) as picture:
        picture.convert("RGB").save(target / (path.stem + ".jpg"), quality=quality)
