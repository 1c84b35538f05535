"""The hangar scene (resources 102-109 and the mask 122) and the task card 121.

Geometry (screen pixels, right/bottom exclusive unless said otherwise):
- ceiling rows 0-9, side walls x 0-60 and x 738-799, floor rows 542-599: drawn by frame()
  into both "102" and "107" (which is cut to exactly those regions);
- partition x 375-431 from row 293 down, with a cap x 360-448, rows 293-307;
- loading block x 375-799 from row 390 down: a concrete platform with the wagon's pit;
- the crane rail is a yellow I-beam (rows 12-45) on which the trolley's wheels run.
The mask "122" blocks exactly these regions (alpha 255), everything else is alpha 0.
"""

from common import *  # noqa: F401,F403
from picture import Picture

W, H = 800, 600
CEIL_H = 10            # rows 0..9
LWALL_R = 61           # x 0..60
RWALL_L = 738          # x 738..799
FLOOR_T = 542          # rows 542..599
PART = (375, 293, 432, 600)      # partition column (x0, y0, x1, y1)
CAP = (360, 293, 449, 308)       # its wider top: x 360..448, rows 293..307
BLOCK = (375, 390, 800, 600)     # solid block right of the partition
WAGON_POS = (476, 390)
WAGON_W, WAGON_H = 224, 148

MASK_RECTS = [
    (0, 0, W, CEIL_H),
    (0, 0, LWALL_R, H),
    (RWALL_L, 0, W, H),
    (0, FLOOR_T, W, H),
    PART,
    CAP,
    BLOCK,
]
FRAME_RECTS = MASK_RECTS[:4]

PLATES = [(83, 509), (221, 509), (90, 477), (230, 477), (170, 445), (148, 413)]

BEAM_TOP, BEAM_BOTTOM = 10, 46   # the rail: top flange 10-17, web, bottom flange 40-45

# The lit/unlit double arrow: 22 x 70, heads 22 high, shaft 10 wide (inset 1 px for the outline).
ARROW_W, ARROW_H = 22, 70


def arrow_points(x0, y0, w=ARROW_W, h=ARROW_H, inset=1.2, head=22, shaft=10):
    pts = double_arrow_points(w - 2 * inset, h - 2 * inset, head - inset, shaft)
    return [(round(x0 + inset + x, 2), round(y0 + inset + y, 2)) for x, y in pts]


# --- frame: walls, ceiling, floor --------------------------------------------------------------
def bricks(x0, y0, x1, y1, bw=30, bh=14, face=BRICK, mortar=MORTAR, shade=BRICK_DARK):
    out = [f'<g><clipPath id="bc{x0}_{y0}"><rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}"/></clipPath>',
           f'<g clip-path="url(#bc{x0}_{y0})">', rect(x0, y0, x1 - x0, y1 - y0, mortar)]
    row = 0
    y = y0
    while y < y1:
        off = (bw // 2) if row % 2 else 0
        x = x0 - off
        while x < x1:
            out.append(rect(x + 1, y + 1, bw - 2, bh - 2, face, None, 0, 1.5))
            out.append(rect(x + 1, y + bh - 4, bw - 2, 3, shade, None, 0, 1.0))
            x += bw
        y += bh
        row += 1
    out.append("</g></g>")
    return "\n".join(out)


def frame():
    b = []
    # side walls: bricks with a concrete pilaster on the inner side, navy inner edge
    b.append(bricks(0, CEIL_H, LWALL_R, FLOOR_T))
    b.append(rect(44, CEIL_H, 17, FLOOR_T - CEIL_H, CONCRETE))
    b.append(rect(44, CEIL_H, 4, FLOOR_T - CEIL_H, CONCRETE_DARK))
    b.append(rect(57, CEIL_H, 4, FLOOR_T - CEIL_H, NAVY))
    b.append(bricks(RWALL_L, CEIL_H, W, FLOOR_T))
    b.append(rect(RWALL_L, CEIL_H, 17, FLOOR_T - CEIL_H, CONCRETE))
    b.append(rect(RWALL_L + 13, CEIL_H, 4, FLOOR_T - CEIL_H, CONCRETE_DARK))
    b.append(rect(RWALL_L, CEIL_H, 4, FLOOR_T - CEIL_H, NAVY))
    # ceiling girder with rivets
    b.append(rect(0, 0, W, CEIL_H, NAVY_SOFT))
    b.append(rect(0, CEIL_H - 3, W, 3, NAVY))
    for x in range(12, W, 24):
        b.append(circle(x, 4, 1.8, STEEL))
    # floor: concrete slabs, a yellow safety line, navy top edge
    b.append(rect(0, FLOOR_T, W, H - FLOOR_T, "#97A3B1"))
    b.append(rect(0, FLOOR_T, W, 4, NAVY))
    b.append(rect(0, FLOOR_T + 4, W, 5, "#B5C0CC"))
    b.append(rect(0, FLOOR_T + 14, W, 7, YELLOW))
    b.append(rect(0, FLOOR_T + 21, W, 2, YELLOW_DARK))
    for x in range(40, W, 80):
        b.append(rect(x, FLOOR_T + 23, 2, H - FLOOR_T - 23, "#7F8B99"))
    b.append(rect(0, FLOOR_T + 40, W, 2, "#7F8B99"))
    return "\n".join(b)


# --- the back of the hangar (102 only) --------------------------------------------------------
def window(x, y, w, h):
    b = [rect(x - 6, y - 6, w + 12, h + 12, WHITE, NAVY, 3, 8),
         f'<clipPath id="win{x}"><rect x="{x}" y="{y}" width="{w}" height="{h}" rx="3"/></clipPath>',
         f'<g clip-path="url(#win{x})">',
         rect(x, y, w, h, "url(#glass)"),
         cloud_bumps(x + w * 0.3, y + h * 0.35, 0.55),
         cloud_bumps(x + w * 0.78, y + h * 0.62, 0.4),
         poly([(x + 14, y + h), (x + 44, y), (x + 58, y), (x + 28, y + h)], WHITE, None, 0, 'fill-opacity="0.35"'),
         "</g>",
         rect(x + w / 2 - 3, y, 6, h, WHITE, NAVY, 1.5),
         rect(x, y + h / 2 - 3, w, 6, WHITE, NAVY, 1.5),
         rect(x, y, w, h, "none", NAVY, 2, 3)]
    return "\n".join(b)


def cloud_bumps(cx, cy, s):
    shape = "".join(f'<circle cx="{cx + dx * s}" cy="{cy + dy * s}" r="{r * s}"/>'
                    for dx, dy, r in [(-30, 6, 18), (-10, -8, 22), (14, -4, 20), (32, 8, 15)])
    shape += f'<rect x="{cx - 44 * s}" y="{cy + 2 * s}" width="{88 * s}" height="{20 * s}" rx="{10 * s}"/>'
    return f'<g fill="{WHITE}">{shape}</g>'


def hazard(x0, y0, w, h, step=14):
    out = [f'<clipPath id="hz{x0}_{y0}"><rect x="{x0}" y="{y0}" width="{w}" height="{h}"/></clipPath>',
           f'<g clip-path="url(#hz{x0}_{y0})">', rect(x0, y0, w, h, YELLOW)]
    x = x0 - h
    while x < x0 + w:
        out.append(poly([(x, y0 + h), (x + h, y0), (x + h + step / 2, y0), (x + step / 2, y0 + h)], NAVY))
        x += step
    out.append("</g>")
    return "\n".join(out)


def rail_beam():
    b = []
    x0, x1 = LWALL_R, RWALL_L
    # hangers from the ceiling
    b.append(rect(x0, 18, x1 - x0, 22, YELLOW_DARK))                 # web
    for x in range(x0 + 26, x1 - 10, 36):
        b.append(circle(x, 29, 5.5, mix(YELLOW_DARK, NAVY, 0.35)))   # lightening holes
    b.append(rect(x0, BEAM_TOP + 1, x1 - x0, 6, YELLOW, NAVY, 2))     # top flange
    b.append(rect(x0, 40, x1 - x0, 6, YELLOW, NAVY, 2))               # bottom flange (wheels run here)
    b.append(line(x0, 18, x1, 18, NAVY, 1.2, "butt"))
    return "\n".join(b)


def partition_and_block():
    b = []
    px0, py0, px1, _ = PART
    # the partition: brick column below its cap
    b.append(bricks(px0, CAP[3], px1, BLOCK[1], bw=19, bh=12))
    b.append(rect(px0 + 1.5, CAP[3], px1 - px0 - 3, BLOCK[1] - CAP[3], "none", NAVY, 3))
    # the cap: a concrete beam with a hazard stripe
    cx0, cy0, cx1, cy1 = CAP
    b.append(rect(cx0, cy0, cx1 - cx0, cy1 - cy0, CONCRETE))
    b.append(hazard(cx0 + 3, cy0 + 4, cx1 - cx0 - 6, cy1 - cy0 - 8, 12))
    b.append(rect(cx0 + 1.5, cy0 + 1.5, cx1 - cx0 - 3, cy1 - cy0 - 3, "none", NAVY, 3))
    # the loading block: platform, with the wagon standing in its pit
    bx0, by0, _, _ = BLOCK
    wx0 = WAGON_POS[0]
    wx1 = wx0 + WAGON_W
    b.append(rect(bx0, by0, RWALL_L - bx0, FLOOR_T - by0, CONCRETE))
    for y in range(by0 + 40, FLOOR_T, 36):
        b.append(rect(bx0, y, RWALL_L - bx0, 2, CONCRETE_DARK))
    for x in (bx0 + 34, bx0 + 68):
        b.append(rect(x, by0 + 12, 2, FLOOR_T - by0 - 12, CONCRETE_DARK))
    # pit: dark, with rails at its bottom
    b.append(rect(wx0, by0, wx1 - wx0, FLOOR_T - by0, "#35465A"))
    b.append(rect(wx0, by0, wx1 - wx0, 10, "#243244"))
    b.append(rect(wx0, FLOOR_T - 5, wx1 - wx0, 3, STEEL_LIGHT))
    b.append(rect(wx0, FLOOR_T - 2, wx1 - wx0, 2, STEEL_DARK))
    for x in range(wx0 + 6, wx1, 22):
        b.append(rect(x, FLOOR_T - 9, 10, 4, "#6B4A2E"))
    # hazard stripes along the platform's edges, on both sides of the pit
    b.append(hazard(bx0, by0, wx0 - bx0, 10))
    b.append(hazard(wx1, by0, RWALL_L - wx1, 10))
    # outlines of the platform faces and the pit edges
    b.append(rect(bx0 + 1.5, by0 + 1.5, wx0 - bx0 - 1.5, FLOOR_T - by0, "none", NAVY, 3))
    b.append(rect(wx1, by0 + 1.5, RWALL_L - wx1 + 2, FLOOR_T - by0, "none", NAVY, 3))
    return "\n".join(b)


def back_wall():
    b = [rect(0, 0, W, H, CREAM)]
    for x in range(LWALL_R + 30, RWALL_L, 58):
        b.append(rect(x, 50, 3, FLOOR_T - 50, CREAM_DARK))
    b.append(rect(0, 236, W, 6, CREAM_DARK))
    b.append(window(100, 78, 150, 120))
    b.append(window(325, 78, 150, 120))
    b.append(window(550, 78, 150, 120))
    # lower wall: mint wainscot with a navy rail
    b.append(rect(0, 420, W, FLOOR_T - 420, MINT))
    b.append(rect(0, 416, W, 6, TEAL))
    b.append(rect(0, 415, W, 2, NAVY))
    return "\n".join(b)


def background_102():
    defs = ('<linearGradient id="glass" x1="0" y1="0" x2="0" y2="1">'
            f'<stop offset="0" stop-color="{SKY_DEEP}"/><stop offset="1" stop-color="{SKY_LIGHT}"/>'
            '</linearGradient>')
    body = [back_wall(), partition_and_block(), rail_beam(), frame()]
    return svg(W, H, "\n".join(body), defs)


def frame_107():
    return svg(W, H, frame())


def keep_only(rects, opaque_inside=True):
    """post: alpha 255 inside the union of rects, 0 outside."""
    def post(buf, ctx):
        out = bytearray(buf)
        for y in range(H):
            row_in = [False] * W
            for x0, y0, x1, y1 in rects:
                if y0 <= y < y1:
                    for x in range(x0, x1):
                        row_in[x] = True
            for x in range(W):
                i = (y * W + x) * 4 + 3
                out[i] = 255 if row_in[x] else 0
        return out
    return post


def mask_122():
    buf = blank(W, H)
    for x0, y0, x1, y1 in MASK_RECTS:
        fill_rect_px(buf, W, x0, y0, x1, y1, (7, 33, 52, 255))
    return buf


# --- crane pieces ------------------------------------------------------------------------------
def plate_103():
    b = [rect(0, 0, 124, 32, "#5C5C5C"),
         rect(2, 2, 120, 28, "#E6E6E6"),
         rect(2, 2, 120, 6, WHITE),
         rect(2, 23, 120, 7, "#B9B9B9"),
         rect(2, 22, 120, 1, "#CFCFCF"),
         rect(2, 2, 3, 26, "#F6F6F6"),
         rect(119, 2, 3, 28, "#C4C4C4"),
         poly([(22, 8), (34, 8), (24, 22), (12, 22)], WHITE, None, 0, 'fill-opacity="0.7"'),
         poly([(38, 8), (43, 8), (33, 22), (28, 22)], WHITE, None, 0, 'fill-opacity="0.7"'),
         circle(12, 15, 3.4, "#A0A0A0", "#5C5C5C", 1.2),
         circle(112, 15, 3.4, "#A0A0A0", "#5C5C5C", 1.2),
         circle(11.2, 14.2, 1.1, WHITE),
         circle(111.2, 14.2, 1.1, WHITE)]
    return svg(124, 32, "\n".join(b))


def rope_104():
    cable = [NAVY, STEEL_DARK, STEEL_LIGHT, WHITE, STEEL_LIGHT, STEEL_DARK, NAVY]
    row = [(0, 0, 0, 0)] * 46
    for start in (3, 36):
        for i, c in enumerate(cable):
            row[start + i] = hexrgb(c) + (255,)
    buf = bytearray()
    for p in row:
        buf += bytes(p)
    return buf


def trolley_105():
    b = []
    # body
    b.append(rect(4.5, 15.5, 101, 86, YELLOW, NAVY, 3, 14))
    b.append(rect(10, 19, 90, 6, WHITE, None, 0, 3, 'fill-opacity="0.35"'))
    # hoist housing (hides where the rope starts, rows 113-120)
    b.append(rect(25.5, 96.5, 59, 23, STEEL, NAVY, 3, 6))
    b.append(rect(30, 100, 50, 4, STEEL_LIGHT, None, 0, 2))
    b.append(rect(33, 113, 9, 6, NAVY, None, 0, 2))
    b.append(rect(66, 113, 9, 6, NAVY, None, 0, 2))
    # arrow panel with the unlit cross (the lit arrow "108" lies over one of its arms)
    b.append(circle(54, 59, 39.5, NAVY_SOFT, NAVY, 3))
    b.append(circle(54, 59, 35, "none", "#2F5A86", 2))
    vert = arrow_points(43, 24)
    horiz = [(round(54 + (59 - y), 2), round(59 + (x - 54), 2)) for x, y in vert]
    unlit = "#4E7198"
    b.append(poly(horiz, unlit, NAVY, 2))
    b.append(poly(vert, unlit, NAVY, 2))
    b.append(circle(54, 59, 5, "#6C8DB2", NAVY, 1.5))
    # bolts
    for x, y in ((12, 92), (98, 92), (12, 30), (98, 30)):
        b.append(circle(x, y, 2.6, YELLOW_DARK, NAVY, 1.2))
    # wheels on the rail's bottom flange
    for x in (24, 86):
        b.append(circle(x, 11, 8.5, "#4A5868", NAVY, 2))
        b.append(circle(x, 11, 3, STEEL_LIGHT, NAVY, 1))
    return svg(110, 121, "\n".join(b))


def magnet_106():
    b = []
    # eyes where the rope's two cables end (magnet x 38-44 and 71-77)
    for x in (41, 74):
        b.append(rect(x - 4.5, 0, 9, 12, STEEL, NAVY, 2, 3))
    # yoke
    b.append(poly([(30, 9), (86, 9), (100, 31), (16, 31)], STEEL, NAVY, 2.5))
    b.append(line(34, 14, 82, 14, STEEL_LIGHT, 2, "round"))
    # dome of the coil housing
    b.append(path("M3,48 C6,34 14,30 30,29 L86,29 C102,30 110,34 113,48 Z", RED_DARK, NAVY, 3))
    # body (red coil housing) with a lightning bolt
    b.append(rect(1.5, 45.5, 113, 50, RED, NAVY, 3))
    b.append(rect(6, 50, 104, 7, WHITE, None, 0, 3, 'fill-opacity="0.35"'))
    b.append(poly([(62, 52), (47, 71), (57, 71), (51, 86), (69, 64), (59, 64), (66, 52)],
                  YELLOW_LIGHT, NAVY, 2))
    for x in (12, 104):
        b.append(circle(x, 70, 3, RED_DARK, NAVY, 1.2))
    # pole plate: steel, opaque across the whole bottom
    b.append(rect(0, 82, 116, 15, STEEL_DARK))
    b.append(rect(3, 84, 110, 5, STEEL_LIGHT))
    b.append(rect(0, 81, 116, 3, NAVY))
    b.append(rect(0, 93, 116, 4, NAVY))
    b.append(rect(0, 82, 3, 15, NAVY))
    b.append(rect(113, 82, 3, 15, NAVY))
    return svg(116, 97, "\n".join(b))


def arrows_108():
    pts = arrow_points(0, 0)
    b = [poly(pts, LIME, NAVY, 2),
         line(11, 12, 11, 58, WHITE, 2.5, "round", 'stroke-opacity="0.7"')]
    return svg(22, 70, "\n".join(b))


def wagon_109():
    b = []
    # wheels and chassis
    for x in (44, 84, 140, 180):
        b.append(circle(x, 132, 15, "#4A5868", NAVY, 3))
        b.append(circle(x, 132, 6, STEEL_LIGHT, NAVY, 2))
        b.append(line(x - 10, 132, x + 10, 132, STEEL_DARK, 2, "round"))
        b.append(line(x, 122, x, 142, STEEL_DARK, 2, "round"))
        b.append(circle(x, 132, 6, STEEL_LIGHT, NAVY, 2))
    b.append(rect(14, 110, 196, 12, NAVY_SOFT, NAVY, 2.5, 3))
    # body: an open hopper, wider at the top
    b.append(poly([(3, 9), (221, 9), (209, 114), (15, 114)], BLUE, NAVY, 3))
    for x in (58, 112, 166):
        b.append(poly([(x - 4, 12), (x + 4, 12), (x + 3, 111), (x - 3, 111)], BLUE_DARK))
    b.append(poly([(8, 14), (216, 14), (215, 24), (9, 24)], WHITE, None, 0, 'fill-opacity="0.25"'))
    # a star emblem
    b.append(circle(112, 64, 20, WHITE, NAVY, 2.5))
    b.append(poly(star(112, 65, 14, 6), YELLOW, NAVY, 1.5))
    for x in (22, 202):
        for y in (30, 95):
            b.append(circle(x, y, 3, BLUE_DARK, NAVY, 1))
    # the rim (picture row 0)
    b.append(rect(1.5, 1.5, 221, 10, STEEL, NAVY, 3, 2))
    b.append(rect(5, 4, 214, 3, STEEL_LIGHT))
    return svg(224, 148, "\n".join(b))


# --- the task card "121" --------------------------------------------------------------------------
def mini_plate(x, y, tint, w=62, h=16):
    t = tint_hex(tint)
    return (rect(x + 1, y + 1, w - 2, h - 2, t, multiply("#5C5C5C", tint), 2) +
            rect(x + 3, y + 3, w - 6, 3, WHITE, None, 0, 1, 'fill-opacity="0.45"'))


def mini_wagon(x, y, s=1.0):
    def P(px, py):
        return (round(x + px * s, 2), round(y + py * s, 2))
    b = []
    for wx in (22, 42, 70, 90):
        b.append(circle(x + wx * s, y + 66 * s, 7.5 * s, "#4A5868", NAVY, 2))
        b.append(circle(x + wx * s, y + 66 * s, 2.5 * s, STEEL_LIGHT))
    b.append(poly([P(1, 4), P(111, 4), P(105, 58), P(7, 58)], BLUE, NAVY, 2.5))
    b.append(circle(x + 56 * s, y + 32 * s, 10 * s, WHITE, NAVY, 2))
    b.append(poly(star(x + 56 * s, y + 32.5 * s, 7 * s, 3 * s), YELLOW, NAVY, 1))
    b.append(rect(x, y, 112 * s, 6 * s, STEEL, NAVY, 2, 1))
    return "\n".join(b)


def mini_magnet(cx, top, s=1.0):
    b = [line(cx - 8 * s, top - 20, cx - 8 * s, top + 2, STEEL_DARK, 3, "butt"),
         line(cx + 8 * s, top - 20, cx + 8 * s, top + 2, STEEL_DARK, 3, "butt"),
         poly([(cx - 14 * s, top), (cx + 14 * s, top), (cx + 20 * s, top + 9 * s), (cx - 20 * s, top + 9 * s)],
              STEEL, NAVY, 2),
         rect(cx - 29 * s, top + 9 * s, 58 * s, 20 * s, RED, NAVY, 2.5, 2),
         poly([(cx + 2 * s, top + 11 * s), (cx - 5 * s, top + 20 * s), (cx, top + 20 * s),
               (cx - 3 * s, top + 27 * s), (cx + 6 * s, top + 17 * s), (cx + 1 * s, top + 17 * s),
               (cx + 4 * s, top + 11 * s)], YELLOW_LIGHT, NAVY, 1),
         rect(cx - 29 * s, top + 27 * s, 58 * s, 5 * s, STEEL_DARK, NAVY, 2)]
    return "\n".join(b)


def wheel_icon(cx, cy, pressed):
    """A small mouse seen from above with its wheel lit (turn) or pressed."""
    b = [path(f"M{cx - 22},{cy - 8} C{cx - 22},{cy - 36} {cx + 22},{cy - 36} {cx + 22},{cy - 8} "
              f"L{cx + 22},{cy + 14} C{cx + 22},{cy + 40} {cx - 22},{cy + 40} {cx - 22},{cy + 14} Z",
              WHITE, NAVY, 3),
         line(cx - 22, cy - 2, cx + 22, cy - 2, NAVY, 2, "butt"),
         line(cx, cy - 31, cx, cy - 2, NAVY, 2, "butt"),
         rect(cx - 5, cy - 25, 10, 18, ORANGE_DARK if pressed else ORANGE, NAVY, 2, 4)]
    if pressed:
        for dx, dy, ex, ey in ((-9, -30, -15, -36), (9, -30, 15, -36), (0, -33, 0, -41)):
            b.append(line(cx + dx, cy + dy, cx + ex, cy + ey, RED, 3))
    else:
        b.append(poly([(cx + 30, cy - 30), (cx + 36, cy - 20), (cx + 24, cy - 20)], GREEN, NAVY, 1.5))
        b.append(poly([(cx + 30, cy + 2), (cx + 36, cy - 8), (cx + 24, cy - 8)], GREEN, NAVY, 1.5))
        b.append(line(cx + 30, cy - 21, cx + 30, cy - 7, NAVY, 3, "butt"))
    return "\n".join(b)


def card_121():
    defs = ('<linearGradient id="sky121" x1="0" y1="0" x2="0" y2="1">'
            f'<stop offset="0" stop-color="#B9E1FF"/><stop offset="1" stop-color="{SKY_LIGHT}"/>'
            '</linearGradient>')
    b = [rect(0, 0, W, H, "url(#sky121)")]
    # the desk panel in the lower part: the keyboard and the mouse of the ending lie on it
    b.append(rect(0, 340, W, H - 340, DESK))
    b.append(rect(0, 338, W, 4, NAVY))
    b.append(rect(0, 342, W, 6, "#F7DFA6"))
    # title
    b.append(text(400, 50, "Перенеси все плиты в вагонетку!", 34, NAVY, "bold"))
    # the task drawn small: the stack, the wall, the wagon and the crane carrying a plate
    floor_y = 204
    b.append(rect(60, floor_y, 560, 6, "#97A3B1", NAVY, 2))
    stack = [(100, 188), (166, 188), (104, 172), (170, 172), (138, 156), (127, 140)]
    for (x, y), t in zip(stack[:5], PLATE_TINTS[:5]):
        b.append(mini_plate(x, y, t))
    b.append(bricks(350, 142, 378, floor_y, bw=14, bh=9))
    b.append(rect(351, 142, 26, floor_y - 142, "none", NAVY, 2))
    b.append(rect(342, 134, 44, 10, CONCRETE, NAVY, 2))
    b.append(mini_wagon(452, 142))
    b.append(path("M196,136 C240,84 470,84 506,124", "none", ORANGE, 5,
                  'stroke-dasharray="12 9" stroke-linecap="round"'))
    b.append(poly([(494, 117), (518, 113), (512, 138)], ORANGE, NAVY, 1.5))
    b.append(rect(60, 66, 560, 7, YELLOW, NAVY, 2))
    b.append(mini_magnet(290, 92, 1.0))
    b.append(rect(272, 62, 36, 15, YELLOW_DARK, NAVY, 2, 3))
    b.append(mini_plate(259, 124, PLATE_TINTS[5]))
    # the "6" badge on the right
    b.append(circle(700, 150, 50, WHITE, NAVY, 4))
    for i, t in enumerate(PLATE_TINTS):
        b.append(rect(672, 178 - i * 9, 56, 8, tint_hex(t), NAVY, 1.5, 2))
    b.append(text(700, 132, "6", 44, NAVY, "bold"))
    # what the wheel does (left of the mouse picture, above the keyboard)
    b.append(rect(20, 222, 470, 108, WHITE, NAVY, 3, 16))
    b.append(wheel_icon(62, 266, False))
    b.append(text(106, 256, "Крути колёсико — кран поедет.", 22, NAVY, "bold", "start"))
    b.append(text(106, 286, "Нажми на колёсико —", 21, NAVY, "normal", "start"))
    b.append(text(106, 312, "сменишь направление.", 21, NAVY, "normal", "start"))
    # the desk: planks; in its middle the goal: the wagon full of plates, with stars
    for y in range(390, H, 44):
        b.append(rect(0, y, W, 2, "#F1D99B"))
    for x, y in ((140, 380), (630, 372), (560, 560), (40, 470)):
        b.append(rect(x, y, 90, 1.5, "#F1D99B"))
    # (all of it inside x 111-627, y 367-531, which the keyboard's body covers from 29 s)
    heap = [(301, 396), (347, 396), (393, 396), (324, 382), (370, 382), (347, 368)]
    for (x, y), t in zip(heap, PLATE_TINTS):
        b.append(mini_plate(x, y, t, 46, 14))
    b.append(mini_wagon(285, 408, 1.5))
    b.append(rect(250, 524, 240, 4, STEEL_DARK, NAVY, 1.5))
    for cx, cy, r in ((214, 420, 18), (520, 404, 20), (556, 486, 14), (186, 496, 13), (470, 378, 10)):
        b.append(poly(star(cx, cy, r, r * 0.45), YELLOW, NAVY, 2))
    return svg(W, H, "\n".join(b), defs)


def pictures():
    R = "resources"
    return [
        Picture("102", W, H, False, svg=background_102(), folder=R),
        Picture("103", 124, 32, True, svg=plate_103(), folder=R),
        Picture("104", 46, 1, True, pixels=rope_104(), folder=R),
        Picture("105", 110, 121, True, svg=trolley_105(), folder=R),
        Picture("106", 116, 97, True, svg=magnet_106(), folder=R),
        Picture("107", W, H, True, svg=frame_107(), post=keep_only(FRAME_RECTS), folder=R),
        Picture("108", 22, 70, True, svg=arrows_108(), folder=R),
        Picture("109", WAGON_W, WAGON_H, True, svg=wagon_109(), folder=R),
        Picture("121", W, H, False, svg=card_121(), folder=R),
        Picture("122", W, H, True, pixels=mask_122(), folder=R),
    ]
