"""Turns an X screen dump (xwd -root) into a PNG and checks that colours
of a document's frame show on the screen.

    python3 screen_colours.py SCREEN.xwd OUT.png RRGGBB:COUNT[,RRGGBB...] ...

Each argument after OUT.png is a group: it holds when at least COUNT
pixels have exactly one of its colours. Exit status 1 when a group fails.
"""
import struct
import sys

import gi

gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf, GLib  # noqa: E402


def read_xwd(path):
    """RGB bytes, width and height of a ZPixmap dump of 24 or 32 bits a pixel."""
    with open(path, "rb") as f:
        data = f.read()
    fields = struct.unpack(">25I", data[:100])
    header_size, version, pixmap_format, depth, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask = fields[14:17]
    ncolors = fields[19]
    if version != 7 or pixmap_format != 2 or bits_per_pixel not in (24, 32):
        raise SystemExit("unexpected dump: version %d, format %d, %d bits" % (version, pixmap_format, bits_per_pixel))
    pixels = data[header_size + 12 * ncolors:]
    order = "<" if byte_order == 0 else ">"
    shifts = [(m & -m).bit_length() - 1 for m in (red_mask, green_mask, blue_mask)]
    out = bytearray(width * height * 3)
    step = bits_per_pixel // 8
    for y in range(height):
        line = pixels[y * bytes_per_line:y * bytes_per_line + step * width]
        for x in range(width):
            v = int.from_bytes(line[step * x:step * x + step], "little" if order == "<" else "big")
            i = 3 * (y * width + x)
            out[i] = (v >> shifts[0]) & 255
            out[i + 1] = (v >> shifts[1]) & 255
            out[i + 2] = (v >> shifts[2]) & 255
    return bytes(out), width, height


def main():
    rgb, width, height = read_xwd(sys.argv[1])
    pixbuf = GdkPixbuf.Pixbuf.new_from_bytes(GLib.Bytes.new(rgb), GdkPixbuf.Colorspace.RGB, False, 8,
                                             width, height, 3 * width)
    pixbuf.savev(sys.argv[2], "png", [], [])
    counts = {}
    for i in range(0, len(rgb), 3):
        key = rgb[i:i + 3]
        counts[key] = counts.get(key, 0) + 1
    failed = False
    for group in sys.argv[3:]:
        colours, need = group.split(":")
        found = sum(counts.get(bytes.fromhex(c), 0) for c in colours.split(","))
        print("%s: %d pixels (at least %s)" % (colours, found, need))
        failed |= found < int(need)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
