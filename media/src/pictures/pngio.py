"""Small PNG reader and writer (Python standard library only).

The writer produces exactly what the program's loader wants: 8-bit RGB or RGBA, not
interlaced, and only the IHDR, IDAT and IEND chunks (no bKGD, gAMA, cHRM, sRGB, iCCP, tIME,
tEXt), so the same pixels always give the same bytes.

The reader understands the 8-bit RGB/RGBA, non-interlaced PNGs that rsvg-convert writes.
Pixels are handled as a bytearray of RGBA quadruples, row by row.
"""

import struct
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"


def _swar_masks(n):
    h = int.from_bytes(b"\x80" * n, "big")
    l = int.from_bytes(b"\x7f" * n, "big")
    return h, l


def _bytewise_add(a, b, n):
    """Per-byte (a + b) mod 256 of two byte strings of length n, through big integers."""
    h, l = _swar_masks(n)
    x = int.from_bytes(a, "big")
    y = int.from_bytes(b, "big")
    return (((x & l) + (y & l)) ^ ((x ^ y) & h)).to_bytes(n, "big")


def _bytewise_sub(a, b, n):
    """Per-byte (a - b) mod 256."""
    h, l = _swar_masks(n)
    x = int.from_bytes(a, "big")
    y = int.from_bytes(b, "big")
    return (((x | h) - (y & l)) ^ ((x ^ y ^ h) & h)).to_bytes(n, "big")


def _chunks(data):
    pos = 8
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        ctype = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        yield ctype, body
        pos += 12 + length


def chunk_types(data):
    """The chunk types of a PNG file, in order (for checks)."""
    if data[:8] != SIGNATURE:
        raise ValueError("not a PNG")
    return [c.decode("ascii") for c, _ in _chunks(data)]


def read_png(path):
    """Return (width, height, rgba bytearray) of an 8-bit RGB or RGBA PNG file."""
    with open(path, "rb") as f:
        data = f.read()
    return decode_png(data)


def decode_png(data):
    if data[:8] != SIGNATURE:
        raise ValueError("not a PNG")
    idat = bytearray()
    width = height = None
    for ctype, body in _chunks(data):
        if ctype == b"IHDR":
            width, height, depth, ctype_, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or ctype_ not in (2, 6) or interlace != 0:
                raise ValueError("unsupported PNG: depth %d colour type %d interlace %d"
                                 % (depth, ctype_, interlace))
            bpp = 4 if ctype_ == 6 else 3
        elif ctype == b"IDAT":
            idat += body
        elif ctype == b"IEND":
            break
    raw = zlib.decompress(bytes(idat))
    stride = width * bpp
    out = bytearray(height * stride)
    prev = bytes(stride)
    pos = 0
    for y in range(height):
        ft = raw[pos]
        line = bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        if ft == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 255
        elif ft == 2:
            line = bytearray(_bytewise_add(line, prev, stride))
        elif ft == 3:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((left + prev[i]) >> 1)) & 255
        elif ft == 4:
            for i in range(stride):
                if i >= bpp:
                    a = line[i - bpp]
                    c = prev[i - bpp]
                else:
                    a = c = 0
                b = prev[i]
                p = a + b - c
                pa = abs(p - a)
                pb = abs(p - b)
                pc = abs(p - c)
                if pa <= pb and pa <= pc:
                    pr = a
                elif pb <= pc:
                    pr = b
                else:
                    pr = c
                line[i] = (line[i] + pr) & 255
        elif ft != 0:
            raise ValueError("bad filter type %d" % ft)
        out[y * stride:(y + 1) * stride] = line
        prev = bytes(line)
    if bpp == 4:
        return width, height, out
    rgba = bytearray(width * height * 4)
    rgba[0::4] = out[0::3]
    rgba[1::4] = out[1::3]
    rgba[2::4] = out[2::3]
    rgba[3::4] = b"\xff" * (width * height)
    return width, height, rgba


# Cost of a filtered byte for the filter heuristic: its distance from 0 as a signed byte.
_COST = bytes(min(b, 256 - b) for b in range(256))


def encode_png(width, height, rgba, alpha):
    """PNG bytes of an RGBA bytearray; alpha False writes RGB (colour type 2) and drops alpha."""
    if len(rgba) != width * height * 4:
        raise ValueError("pixel buffer size does not match %dx%d" % (width, height))
    if alpha:
        bpp = 4
        pix = bytes(rgba)
    else:
        bpp = 3
        n = width * height
        buf = bytearray(n * 3)
        buf[0::3] = rgba[0::4]
        buf[1::3] = rgba[1::4]
        buf[2::3] = rgba[2::4]
        pix = bytes(buf)
    stride = width * bpp
    prev = bytes(stride)
    rows = []
    for y in range(height):
        line = pix[y * stride:(y + 1) * stride]
        shifted = bytes(bpp) + line[:-bpp] if stride > bpp else bytes(stride)
        candidates = (
            (0, line),
            (1, _bytewise_sub(line, shifted, stride)),
            (2, _bytewise_sub(line, prev, stride)),
        )
        best = min(candidates, key=lambda c: (sum(c[1].translate(_COST)), c[0]))
        rows.append(bytes((best[0],)) + best[1])
        prev = line
    raw = b"".join(rows)

    def chunk(ctype, body):
        return (struct.pack(">I", len(body)) + ctype + body
                + struct.pack(">I", zlib.crc32(ctype + body) & 0xFFFFFFFF))

    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    return (SIGNATURE + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def write_png(path, width, height, rgba, alpha):
    data = encode_png(width, height, rgba, alpha)
    with open(path, "wb") as f:
        f.write(data)
    return data
