"""Turns X screen dumps (xwd -root) into PNGs and checks that a document's
frames show on the screen.

    python3 screen_colours.py SCREEN.xwd OUT.png GROUP...
    python3 screen_colours.py --played GROUP GROUP SCREEN.xwd...

A GROUP is RRGGBB[,RRGGBB...]:COUNT and holds on a screen where at least
COUNT pixels have exactly one of its colours. The first form checks every
group on one screen; the second, that each of the two groups (colours of
two different frames) holds on one of the screens taken in turn: the
animation played. Exit status 1 when a check fails.
"""
import collections
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
    header_size, version, pixmap_format, _, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    masks = fields[14:17]
    ncolors = fields[19]
    if version != 7 or pixmap_format != 2 or bits_per_pixel not in (24, 32):
        raise SystemExit("unexpected dump: version %d, format %d, %d bits" % (version, pixmap_format, bits_per_pixel))
    step = bits_per_pixel // 8
    # Each channel is one byte of the pixel (X servers lay 24-bit colour so).
    index = []
    for mask in masks:
        byte = ((mask & -mask).bit_length() - 1) // 8
        index.append(byte if byte_order == 0 else step - 1 - byte)
    pixels = data[header_size + 12 * ncolors:]
    rows = b"".join(pixels[y * bytes_per_line:y * bytes_per_line + step * width] for y in range(height))
    out = bytearray(width * height * 3)
    for channel, at in enumerate(index):
        out[channel::3] = rows[at::step]
    return bytes(out), width, height


def counts(rgb):
    return collections.Counter(zip(rgb[0::3], rgb[1::3], rgb[2::3]))


def holds(group, seen):
    colours, need = group.split(":")
    found = sum(seen.get(tuple(bytes.fromhex(c)), 0) for c in colours.split(","))
    return found, found >= int(need)


def save_png(rgb, width, height, path):
    pixbuf = GdkPixbuf.Pixbuf.new_from_bytes(GLib.Bytes.new(rgb), GdkPixbuf.Colorspace.RGB, False, 8,
                                             width, height, 3 * width)
    pixbuf.savev(path, "png", [], [])


def main():
    if sys.argv[1] == "--played":
        groups, screens = sys.argv[2:4], sys.argv[4:]
        shown = [False, False]
        for screen in screens:
            seen = counts(read_xwd(screen)[0])
            for k, group in enumerate(groups):
                shown[k] |= holds(group, seen)[1]
        print("frames seen over %d screens: %s" % (len(screens), shown))
        return 0 if all(shown) else 1
    rgb, width, height = read_xwd(sys.argv[1])
    save_png(rgb, width, height, sys.argv[2])
    seen = counts(rgb)
    failed = False
    for group in sys.argv[3:]:
        found, ok = holds(group, seen)
        print("%s: %d pixels" % (group, found))
        failed |= not ok
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
