#!/usr/bin/env python3
"""Writes the small test pictures of the image-loading tests. PNGs are written chunk by chunk
so each file carries exactly the chunks a test is about; JPEGs go through ImageMagick.
Run from this folder: python3 make_images.py"""
import struct
import subprocess
import zlib


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def pack_row(samples, depth):
    """Packs one row of samples at the given bit depth into bytes."""
    if depth == 8:
        return bytes(samples)
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    out, acc, bits = bytearray(), 0, 0
    for s in samples:
        acc = (acc << depth) | s
        bits += depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def png(path, width, height, depth, color_type, rows, extra=(), interlace=False, plte=None):
    """rows: height lists of per-pixel sample tuples."""
    raw = bytearray()
    if interlace:
        for x0, y0, dx, dy in ADAM7:
            for y in range(y0, height, dy):
                pixels = [rows[y][x] for x in range(x0, width, dx)]
                if pixels:
                    raw += b"\0" + pack_row([s for p in pixels for s in p], depth)
    else:
        for y in range(height):
            raw += b"\0" + pack_row([s for p in rows[y] for s in p], depth)
    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0, 1 if interlace else 0))
    if plte:
        data += chunk(b"PLTE", bytes(c for rgb in plte for c in rgb))
    for kind, payload in extra:
        data += chunk(kind, payload)
    data += chunk(b"IDAT", zlib.compress(bytes(raw)))
    data += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


RGB_ROWS = [[(255, 0, 0), (0, 255, 0), (0, 0, 255), (10, 20, 30)],
            [(255, 255, 255), (0, 0, 0), (128, 64, 32), (1, 2, 3)]]
RGBA_ROWS = [[(255, 0, 0, 255), (0, 255, 0, 128), (0, 0, 255, 0), (10, 20, 30, 40)],
             [(255, 255, 255, 1), (0, 0, 0, 254), (128, 64, 32, 255), (1, 2, 3, 4)]]

png("rgb8.png", 4, 2, 8, 2, RGB_ROWS)
png("rgba8.png", 4, 2, 8, 6, RGBA_ROWS)
png("rgb16.png", 2, 1, 16, 2, [[(0x1234, 0xABCD, 0xFF00), (0x00FF, 0x8080, 0x7F7F)]])
PALETTE = [(200, 10, 20), (30, 200, 40), (50, 60, 200), (7, 8, 9)]
png("palette_trns.png", 4, 1, 8, 3, [[(0,), (1,), (2,), (3,)]], plte=PALETTE, extra=[(b"tRNS", bytes([0, 100]))])
png("palette.png", 4, 1, 2, 3, [[(0,), (1,), (2,), (3,)]], plte=PALETTE)
png("grey8.png", 3, 1, 8, 0, [[(0,), (77,), (255,)]])
png("grey4.png", 3, 1, 4, 0, [[(0,), (5,), (15,)]])
png("grey_alpha.png", 2, 1, 8, 4, [[(90, 255), (200, 60)]])
png("gamma.png", 2, 1, 8, 2, [[(128, 64, 255), (0, 32, 200)]], extra=[(b"gAMA", struct.pack(">I", 100000))])
png("rgba_bkgd.png", 4, 2, 8, 6, RGBA_ROWS, extra=[(b"bKGD", struct.pack(">HHH", 0, 0, 255))])
png("rgb_bkgd.png", 4, 2, 8, 2, RGB_ROWS, extra=[(b"bKGD", struct.pack(">HHH", 0, 0, 255))])
INTERLACED = [[((x * 29) % 256, (y * 31) % 256, (x * y * 7) % 256) for x in range(9)] for y in range(9)]
png("interlaced.png", 9, 9, 8, 2, INTERLACED, interlace=True)

# JPEG: 10x10 with four flat quadrants (flat areas survive compression nearly exactly).
def quadrant_rgb(x, y):
    return [(200, 30, 30), (30, 200, 30), (30, 30, 200), (220, 220, 220)][(y >= 5) * 2 + (x >= 5)]

with open("rgb.ppm", "wb") as f:
    f.write(b"P6 10 10 255\n" + bytes(c for y in range(10) for x in range(10) for c in quadrant_rgb(x, y)))
with open("grey.pgm", "wb") as f:
    f.write(b"P5 10 10 255\n" + bytes(40 if x < 5 else 210 for y in range(10) for x in range(10)))
subprocess.run(["convert", "rgb.ppm", "-quality", "100", "-sampling-factor", "1x1", "-strip", "rgb.jpg"], check=True)
subprocess.run(["convert", "grey.pgm", "-quality", "100", "-strip", "-colorspace", "Gray", "grey.jpg"], check=True)
subprocess.run(["convert", "rgb.ppm", "-quality", "100", "-sampling-factor", "1x1", "-strip", "-interlace", "JPEG",
                "progressive.jpg"], check=True)
subprocess.run(["rm", "rgb.ppm", "grey.pgm"], check=True)
