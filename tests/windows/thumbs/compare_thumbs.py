"""Compares the thumbnail handler's bitmaps with dovtool's thumbnails.

    python3 compare_thumbs.py DOVTOOL BITMAP-DIR WORK-DIR FILE.dov...

The bitmaps are NAME.SIZE.bgra as the COM client writes them (width and
height as 32-bit little-endian numbers, then blue, green, red, alpha rows
top first). Every one must equal `dovtool thumbnail -s SIZE` pixel for
pixel; damaged documents included, as far as each reads them. Prints a line per bitmap; exits 1 on any difference.
"""
import os
import struct
import subprocess
import sys

from PIL import Image

SIZES = (32, 96, 256)


def read_bgra(path):
    with open(path, "rb") as f:
        data = f.read()
    width, height = struct.unpack("<ii", data[:8])
    pixels = data[8:]
    if len(pixels) != width * height * 4:
        raise ValueError(f"{path}: {len(pixels)} bytes for {width} x {height}")
    rgba = bytearray(len(pixels))
    rgba[0::4] = pixels[2::4]
    rgba[1::4] = pixels[1::4]
    rgba[2::4] = pixels[0::4]
    rgba[3::4] = pixels[3::4]
    return width, height, bytes(rgba)


def main():
    dovtool, bitmaps, work = sys.argv[1:4]
    os.makedirs(work, exist_ok=True)
    failed = 0
    for document in sys.argv[4:]:
        name = os.path.splitext(os.path.basename(document))[0]
        for size in SIZES:
            png = os.path.join(work, f"{name}.{size}.png")
            subprocess.run([dovtool, "thumbnail", "-q", "--allow-damaged", "-s", str(size),
                            document, png], check=True)
            expected = Image.open(png).convert("RGBA")
            try:
                width, height, pixels = read_bgra(os.path.join(bitmaps, f"{name}.{size}.bgra"))
            except (OSError, ValueError) as error:
                print(f"FAILED {name} at {size}: {error}")
                failed += 1
                continue
            if (width, height) != expected.size:
                print(f"FAILED {name} at {size}: {width} x {height}, dovtool {expected.size}")
                failed += 1
            elif pixels != expected.tobytes():
                wrong = sum(1 for i in range(0, len(pixels), 4)
                            if pixels[i:i + 4] != expected.tobytes()[i:i + 4])
                print(f"FAILED {name} at {size}: {wrong} pixels differ")
                failed += 1
            else:
                print(f"same {name} at {size}: {width} x {height}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
