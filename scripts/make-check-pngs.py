#!/usr/bin/python3
"""Writes PNG inputs of every colour type and awkward widths for compare-builds.sh."""
import struct
import sys
import zlib


def chunk(kind, data):
    c = struct.pack(">I", len(data)) + kind + data
    return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def write_png(path, w, h, depth, ctype, rows, plte=None, trns=None):
    raw = b"".join(b"\0" + r for r in rows)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, ctype, 0, 0, 0))
    if plte:
        out += chunk(b"PLTE", plte)
    if trns:
        out += chunk(b"tRNS", trns)
    out += chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(out)


def noise(seed):
    while True:
        seed = (seed * 1664525 + 1013904223) & 0xFFFFFFFF
        yield seed >> 24


def pixels(w, h, channels, seed, flat):
    # Flat runs like pixel art, noise otherwise; some alpha values 0 and 255.
    g = noise(seed)
    rows = []
    for y in range(h):
        row = bytearray()
        for x in range(w):
            for c in range(channels):
                v = ((x // 8 + y // 8) * 37 + c * 91) & 0xFF if flat else next(g)
                if c == 3 or (channels == 2 and c == 1):
                    v = 0 if (x + y) % 7 == 0 else 255 if (x * y) % 5 == 0 else v
                row.append(v)
        rows.append(bytes(row))
    return rows


def main(out):
    n = 0
    for w, h in [(1, 1), (7, 3), (33, 5), (257, 9), (600, 450)]:
        for flat in (True, False):
            tag = f"{w}x{h}{'f' if flat else 'n'}"
            write_png(f"{out}/rgb_{tag}.png", w, h, 8, 2, pixels(w, h, 3, w * 3 + h, flat))
            write_png(f"{out}/rgba_{tag}.png", w, h, 8, 6, pixels(w, h, 4, w * 5 + h, flat))
            write_png(f"{out}/grey_{tag}.png", w, h, 8, 0, pixels(w, h, 1, w * 7 + h, flat))
            write_png(f"{out}/greya_{tag}.png", w, h, 8, 4, pixels(w, h, 2, w * 11 + h, flat))
            plte = bytes(pixels(256, 1, 3, 5, False)[0])
            write_png(f"{out}/pal8_{tag}.png", w, h, 8, 3, pixels(w, h, 1, w * 13 + h, flat), plte, b"\xff\x00\x80")
            n += 5
    # Sub-byte palettes.
    for depth in (1, 2, 4):
        w, h = 37, 11
        rows = [bytes(((x * 7 + y) & 0xFF) for x in range((w * depth + 7) // 8)) for y in range(h)]
        write_png(f"{out}/pal{depth}.png", w, h, depth, 3, rows, bytes(range(3 * (1 << depth))))
        n += 1
    # A large picture: the two-thread paths.
    write_png(f"{out}/rgba_big.png", 1600, 1300, 8, 6, pixels(1600, 1300, 4, 99, True))
    write_png(f"{out}/rgb_big.png", 1600, 1300, 8, 2, pixels(1600, 1300, 3, 77, False))
    print(n + 2, "pictures")


main(sys.argv[1])
