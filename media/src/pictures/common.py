"""Palette, fonts and small SVG helpers shared by every picture generator.

One palette for the whole program: the navy of the shell's texts (0xFF072134) outlines
everything; bright primaries fill; cream and sky blue are the calm backgrounds.
"""

# --- palette -------------------------------------------------------------------------------
NAVY = "#072134"        # outlines and text: the shell's text colour 0xFF072134
NAVY_SOFT = "#1D3A57"   # panels (the trolley's arrow panel)
INK_GREY = "#5B6B7C"    # muted details
STEEL = "#AEB9C6"       # steel parts
STEEL_LIGHT = "#D6DEE7"
STEEL_DARK = "#7C8A9B"
WHITE = "#FFFFFF"
CREAM = "#FFF4DA"       # hangar back wall, desk panel
CREAM_DARK = "#F2E2BC"
SKY = "#CFEBFF"         # sky, screen background
SKY_LIGHT = "#EAF6FF"
SKY_DEEP = "#8FD0FF"
YELLOW = "#FFC93C"      # crane, highlights
YELLOW_LIGHT = "#FFE483"
YELLOW_DARK = "#E0A100"
ORANGE = "#FF8C1A"      # mouse hint highlight
ORANGE_DARK = "#D96A00"
RED = "#EF4136"         # magnet, close
RED_DARK = "#B82A22"
RED_LIGHT = "#FF7A70"
GREEN = "#2FB457"       # start, submit
GREEN_DARK = "#1E8A40"
GREEN_LIGHT = "#62D882"
BLUE = "#2F7FE6"        # print, save, wagon
BLUE_DARK = "#1C5DB3"
BLUE_LIGHT = "#6AA9F5"
PURPLE = "#8E5BD8"      # options
PURPLE_DARK = "#6B3DB3"
PURPLE_LIGHT = "#B48DEB"
TEAL = "#20A39E"
MINT = "#CDEFD9"        # hangar wainscot
BRICK = "#E0643A"
BRICK_DARK = "#B8492A"
BRICK_LIGHT = "#F08A5D"
MORTAR = "#F4D9B8"
CONCRETE = "#B9C2CC"
CONCRETE_DARK = "#8E99A6"
LIME = "#A6F23A"        # the lit arrows
GLOW = "#FFE066"        # hover glow
DESK = "#FFEFC7"        # bottom panel of "121", margin of "KEYBOARDPIC"

# Plate tints (ARGB), in plate order.
PLATE_TINTS = [0xFFB900E6, 0xFF0052DE, 0xFF00CFDE, 0xFF00CC12, 0xFFDCE900, 0xFFE96600]

FONT = "Liberation Sans"   # metric-compatible with Arial, has Cyrillic (fonts-liberation)


def hexrgb(c):
    c = c.lstrip("#")
    return tuple(int(c[i:i + 2], 16) for i in (0, 2, 4))


def tint_hex(argb):
    return "#%06X" % (argb & 0xFFFFFF)


def mix(c1, c2, t):
    """Colour between c1 (t=0) and c2 (t=1), as #RRGGBB."""
    a = hexrgb(c1)
    b = hexrgb(c2)
    return "#%02X%02X%02X" % tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def multiply(c, argb):
    """c multiplied by a tint, as the program's texture drawing does it."""
    r, g, b = hexrgb(c)
    tr, tg, tb = (argb >> 16) & 255, (argb >> 8) & 255, argb & 255
    return "#%02X%02X%02X" % (r * tr // 255, g * tg // 255, b * tb // 255)


# --- SVG -------------------------------------------------------------------------------------
def svg(width, height, body, defs=""):
    return ('<svg xmlns="http://www.w3.org/2000/svg" '
            'xmlns:xlink="http://www.w3.org/1999/xlink" '
            f'width="{width}" height="{height}" viewBox="0 0 {width} {height}">\n'
            + (f"<defs>{defs}</defs>\n" if defs else "")
            + body + "\n</svg>\n")


def esc(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;"))


def rect(x, y, w, h, fill, stroke=None, sw=0, rx=0, extra=""):
    s = f'<rect x="{x}" y="{y}" width="{w}" height="{h}" fill="{fill}"'
    if rx:
        s += f' rx="{rx}" ry="{rx}"'
    if stroke:
        s += f' stroke="{stroke}" stroke-width="{sw}"'
    return s + f" {extra}/>"


def circle(cx, cy, r, fill, stroke=None, sw=0, extra=""):
    s = f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="{fill}"'
    if stroke:
        s += f' stroke="{stroke}" stroke-width="{sw}"'
    return s + f" {extra}/>"


def path(d, fill, stroke=None, sw=0, extra=""):
    s = f'<path d="{d}" fill="{fill}"'
    if stroke:
        s += f' stroke="{stroke}" stroke-width="{sw}" stroke-linejoin="round"'
    return s + f" {extra}/>"


def poly(points, fill, stroke=None, sw=0, extra=""):
    pts = " ".join(f"{x},{y}" for x, y in points)
    s = f'<polygon points="{pts}" fill="{fill}"'
    if stroke:
        s += f' stroke="{stroke}" stroke-width="{sw}" stroke-linejoin="round"'
    return s + f" {extra}/>"


def line(x1, y1, x2, y2, stroke, sw, cap="round", extra=""):
    return (f'<line x1="{x1}" y1="{y1}" x2="{x2}" y2="{y2}" stroke="{stroke}" '
            f'stroke-width="{sw}" stroke-linecap="{cap}" {extra}/>')


def text(x, y, s, size, fill=NAVY, weight="bold", anchor="middle", stroke=None, sw=0,
         family=FONT, extra=""):
    """Text with its baseline at y."""
    t = (f'<text x="{x}" y="{y}" font-family="{family}" font-size="{size}" '
         f'font-weight="{weight}" text-anchor="{anchor}" fill="{fill}"')
    if stroke:
        t += (f' stroke="{stroke}" stroke-width="{sw}" stroke-linejoin="round" '
              f'paint-order="stroke"')
    return t + f" {extra}>{esc(s)}</text>"


def star(cx, cy, r_out, r_in, n=5, rot=-90):
    import math
    pts = []
    for i in range(2 * n):
        r = r_out if i % 2 == 0 else r_in
        a = math.radians(rot + i * 180.0 / n)
        pts.append((round(cx + r * math.cos(a), 2), round(cy + r * math.sin(a), 2)))
    return pts


def double_arrow_points(w, h, head, shaft):
    """An up/down double arrow filling w x h: heads of height `head`, shaft `shaft` wide."""
    cx = w / 2
    s0 = cx - shaft / 2
    s1 = cx + shaft / 2
    return [(cx, 0), (w, head), (s1, head), (s1, h - head), (w, h - head), (cx, h),
            (0, h - head), (s0, h - head), (s0, head), (0, head)]


# --- pixel helpers ------------------------------------------------------------------------------
def blank(width, height, rgba=(0, 0, 0, 0)):
    return bytearray(bytes(rgba) * (width * height))


def set_px(buf, width, x, y, rgba):
    i = (y * width + x) * 4
    buf[i:i + 4] = bytes(rgba)


def get_px(buf, width, x, y):
    i = (y * width + x) * 4
    return tuple(buf[i:i + 4])


def fill_rect_px(buf, width, x0, y0, x1, y1, rgba):
    """Fill pixels x0..x1-1, y0..y1-1."""
    row = bytes(rgba) * (x1 - x0)
    for y in range(y0, y1):
        i = (y * width + x0) * 4
        buf[i:i + len(row)] = row


def over(dst, src):
    """src over dst, both RGBA bytearrays of the same size (straight alpha); result opaque
    where dst is opaque."""
    out = bytearray(len(dst))
    for i in range(0, len(dst), 4):
        sa = src[i + 3]
        if sa == 255:
            out[i:i + 4] = src[i:i + 4]
        elif sa == 0:
            out[i:i + 4] = dst[i:i + 4]
        else:
            da = dst[i + 3]
            oa = sa + da * (255 - sa) // 255
            if oa == 0:
                out[i:i + 4] = b"\0\0\0\0"
                continue
            for k in range(3):
                c = (src[i + k] * sa + dst[i + k] * da * (255 - sa) // 255) // oa
                out[i + k] = min(255, c)
            out[i + 3] = oa
    return out


def crop(buf, width, x0, y0, w, h):
    out = bytearray(w * h * 4)
    for y in range(h):
        i = ((y0 + y) * width + x0) * 4
        out[y * w * 4:(y + 1) * w * 4] = buf[i:i + w * 4]
    return out
