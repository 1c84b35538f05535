"""Mouse hint pictures, the instruction ending's keyboard, Space key and mouse
and the praise cloud.

- The mouse (246 x 246, transparent around it) is seen from above, cable up; the part to use
  lights up orange with a yellow glow. "MOUSE" serves both the hint and the ending.
- "KEYBOARDPIC" (524 x 230, opaque) lies over "121" at (107, 347): its margin is the part
  of "121" it covers, so it blends in; its space bar's top face is exactly at (130, 155), 112 x 14, where "KEYSPACE"
  (the lit top face) blinks over it.
- "oblako_png" (506 x 350) is a cloud with a golden frame around the clip window
  (93, 76)-(413, 276), which is fully transparent.
"""

from common import *  # noqa: F401,F403
from picture import Picture

# --- mouse ------------------------------------------------------------------------------------------
MW = 246
BODY = ("M53,104 C53,46 84,22 123,22 C162,22 193,46 193,104 L193,160 "
        "C193,212 162,236 123,236 C84,236 53,212 53,160 Z")
SPLIT_Y = 112
WHEEL = (112, 44, 22, 50)      # x, y, w, h
SLOT = (106, 38, 34, 62)


def mouse(name):
    hl_left = name == "MOUSE_L"
    hl_right = name == "MOUSE_R"
    wheel_on = name.startswith("MOUSE_B")
    pressed = name == "MOUSE_B_CL"
    phase = 1 if name == "MOUSE_B_ROT2" else 0
    defs = (f'<clipPath id="body"><path d="{BODY}"/></clipPath>'
            f'<clipPath id="left"><rect x="0" y="0" width="123" height="{SPLIT_Y}"/></clipPath>'
            f'<clipPath id="right"><rect x="123" y="0" width="123" height="{SPLIT_Y}"/></clipPath>')
    b = []
    # shadow and cable
    b.append(f'<ellipse cx="128" cy="236" rx="66" ry="8" fill="{NAVY}" fill-opacity="0.18"/>')
    b.append(path("M123,26 C123,10 104,12 110,0", "none", NAVY, 9, 'stroke-linecap="butt"'))
    b.append(path("M123,26 C123,10 104,12 110,0", "none", INK_GREY, 4, 'stroke-linecap="butt"'))
    # glow around a lit button
    if hl_left or hl_right:
        side = "left" if hl_left else "right"
        b.append(f'<g clip-path="url(#{side})">' + path(BODY, "none", GLOW, 18) + "</g>")
    b.append(path(BODY, "#E9EFF6", NAVY, 5))
    # buttons
    for side, lit in (("left", hl_left), ("right", hl_right)):
        fill = ORANGE if lit else WHITE
        b.append(f'<g clip-path="url(#{side})"><g clip-path="url(#body)">'
                 + rect(0, 0, MW, SPLIT_Y, fill)
                 + (rect(0, 26, MW, 14, WHITE, None, 0, 0, 'fill-opacity="0.35"') if lit else "")
                 + "</g></g>")
    b.append(line(55, SPLIT_Y, 191, SPLIT_Y, NAVY, 4, "butt"))
    b.append(line(123, 22, 123, SPLIT_Y, NAVY, 4, "butt"))
    b.append(path(BODY, "none", NAVY, 5))
    # palm highlight
    b.append(path("M70,140 C72,190 92,214 112,222", "none", WHITE, 6, 'stroke-linecap="round" stroke-opacity="0.9"'))
    # wheel slot and wheel
    sx, sy, sw, sh = SLOT
    if wheel_on:
        b.append(rect(sx - 5, sy - 5, sw + 10, sh + 10, GLOW, None, 0, 18))
    b.append(rect(sx, sy, sw, sh, NAVY_SOFT, NAVY, 3, 13))
    wx, wy, ww, wh = WHEEL
    if pressed:
        wy += 4
    wfill = (ORANGE_DARK if pressed else ORANGE) if wheel_on else "#8C9AAB"
    b.append(f'<clipPath id="wheel"><rect x="{wx}" y="{wy}" width="{ww}" height="{wh - (4 if pressed else 0)}" rx="10"/></clipPath>')
    b.append(rect(wx, wy, ww, wh - (4 if pressed else 0), wfill, NAVY, 2.5, 10))
    ribs = "".join(line(wx, y, wx + ww, y, NAVY, 2.5, "butt", 'stroke-opacity="0.55"')
                   for y in range(wy + 5 + 4 * phase, wy + wh, 8))
    b.append(f'<g clip-path="url(#wheel)">{ribs}</g>')
    b.append(rect(wx + 4, wy + 3, 5, wh - 10, WHITE, None, 0, 2.5, 'fill-opacity="0.45"'))
    if pressed:
        # a "click" burst on both sides of the wheel and a push arrow above it
        for x0, x1 in ((98, 86), (148, 160)):
            for dy, ey in ((-12, -20), (0, 0), (12, 20)):
                b.append(line(x0, 68 + dy, x1, 68 + ey, RED, 5))
        b.append(poly([(123, 36), (113, 26), (119, 26), (119, 16), (127, 16), (127, 26), (133, 26)],
                      RED, NAVY, 1.5))
    if name in ("MOUSE_B_ROT1", "MOUSE_B_ROT2"):
        # motion marks: the arrow on the side the wheel is rolling toward
        up = name == "MOUSE_B_ROT1"
        for x in (96, 150):
            if up:
                b.append(poly([(x, 44), (x - 9, 60), (x + 9, 60)], GREEN, NAVY, 2))
                b.append(rect(x - 3.5, 58, 7, 20, GREEN, NAVY, 2))
            else:
                b.append(poly([(x, 94), (x - 9, 78), (x + 9, 78)], GREEN, NAVY, 2))
                b.append(rect(x - 3.5, 60, 7, 20, GREEN, NAVY, 2))
    return svg(MW, MW, "\n".join(b), defs)


MOUSE_NAMES = ["MOUSE", "MOUSE_L", "MOUSE_R", "MOUSE_B", "MOUSE_B_CL", "MOUSE_B_ROT1", "MOUSE_B_ROT2"]


# --- keyboard ------------------------------------------------------------------------------------------
KBW, KBH = 524, 230
SPACE = (130, 155, 112, 14)     # keyboard-local top face of the space bar (= KEYSPACE)
KEY_FACE = 14
KEY_FRONT = 4
MAIN_X0, MAIN_X1 = 16, 394
ROWS_Y = {"f": 34, 1: 67, 2: 89, 3: 111, 4: 133, 5: 155}


def key(x, y, w, label="", face=WHITE, front="#AEBBCB", size=11):
    b = [rect(x + 0.5, y + 0.5, w - 1, KEY_FACE + KEY_FRONT - 1, front, NAVY, 1, 3),
         rect(x + 1, y + 1, w - 2, KEY_FACE - 1, face, None, 0, 2.5)]
    if label:
        b.append(text(x + w / 2, y + 11.5, label, size, NAVY, "bold"))
    return "".join(b)


def key_row(y, units, labels, x0=MAIN_X0, x1=MAIN_X1, gap=3):
    """Keys along a row: widths in units so the row spans x0..x1."""
    total = sum(units)
    pitch = (x1 - x0 + gap) / total
    out = []
    pos = 0.0
    for u, lab in zip(units, labels):
        xa = round(x0 + pos * pitch)
        xb = round(x0 + (pos + u) * pitch) - gap
        out.append(key(xa, y, xb - xa, lab))
        pos += u
    return "".join(out)


def keyboard():
    b = []
    b.append(f'<ellipse cx="262" cy="188" rx="250" ry="7" fill="{NAVY}" fill-opacity="0.15"/>')
    b.append(rect(4.5, 20.5, 515, 164, "#C9D6E4", NAVY, 3, 14))
    b.append(rect(10, 25, 504, 5, WHITE, None, 0, 2.5, 'fill-opacity="0.5"'))
    # function row: Esc, F1-F4, F5-F8, F9-F12 (15 units with gaps)
    pitch = (MAIN_X1 - MAIN_X0 + 3) / 15
    fx = [0, 2, 3, 4, 5, 6.5, 7.5, 8.5, 9.5, 11, 12, 13, 14]
    for i, u in enumerate(fx):
        xa = round(MAIN_X0 + u * pitch)
        xb = round(MAIN_X0 + (u + 1) * pitch) - 3
        b.append(key(xa, ROWS_Y["f"], xb - xa, "Esc" if i == 0 else "", WHITE, "#AEBBCB", 8))
    b.append(key_row(ROWS_Y[1], [1] * 13 + [2], list("ё1234567890-=") + [""]))
    b.append(key_row(ROWS_Y[2], [1.5] + [1] * 12 + [1.5], [""] + list("ЙЦУКЕНГШЩЗХЪ") + [""]))
    b.append(key_row(ROWS_Y[3], [1.75] + [1] * 11 + [2.25], [""] + list("ФЫВАПРОЛДЖЭ") + [""]))
    b.append(key_row(ROWS_Y[4], [2.25] + [1] * 10 + [2.75], [""] + list("ЯЧСМИТЬБЮ.") + [""]))
    # bottom row: three keys, the space bar at exactly (130, 155) 112 wide, four keys
    y = ROWS_Y[5]
    for xa, xb in ((16, 51), (54, 88), (91, 127)):
        b.append(key(xa, y, xb - xa))
    sx, sy, sw, sh = SPACE
    b.append(key(sx, sy, sw))
    for xa, xb in ((245, 280), (283, 317), (320, 355), (358, 394)):
        b.append(key(xa, y, xb - xa))
    # numeric keypad
    nx = [406, 433, 460, 487]
    nw = 24
    for r, labels in enumerate((["", "/", "*", "-"], ["7", "8", "9", None], ["4", "5", "6", ""],
                                ["1", "2", "3", None], [None, None, ".", ""])):
        yy = ROWS_Y[r + 1]
        for c, lab in enumerate(labels):
            if lab is None:
                continue
            if c == 3 and r in (2, 4):
                # tall keys (+, Enter) over two rows
                b.append(rect(nx[c] + 0.5, ROWS_Y[r] + 0.5, nw - 1, 40, "#AEBBCB", NAVY, 1, 3))
                b.append(rect(nx[c] + 1, ROWS_Y[r] + 1, nw - 2, 36, WHITE, None, 0, 2.5))
                continue
            b.append(key(nx[c], yy, nw, lab))
    b.append(key(nx[0], ROWS_Y[5], 2 * nw + 3, "0"))
    # indicator lamps
    for i, x in enumerate((420, 450, 480)):
        b.append(circle(x, 42, 3.5, GREEN_LIGHT if i == 0 else "#7E8FA3", NAVY, 1))
    # label under the keyboard, pointing at the space bar
    b.append(poly([(186, 190), (176, 202), (182, 202), (182, 210), (190, 210), (190, 202), (196, 202)],
                  ORANGE, NAVY, 1.5))
    b.append(text(186, 226, "Нажми ПРОБЕЛ", 17, NAVY, "bold"))
    return svg(KBW, KBH, "\n".join(b))


KEYBOARD_POS = (107, 347)   # where the instruction ending puts it, over "121"


def keyboard_post(buf, ctx):
    """KEYBOARDPIC is opaque: its margin is the part of "121" that it covers."""
    x, y = KEYBOARD_POS
    return over(crop(ctx.pixels("121"), 800, x, y, KBW, KBH), buf)


def keyspace():
    b = [rect(0, 0, 112, 14, YELLOW_DARK),
         rect(0.5, 0.5, 111, 13, YELLOW, NAVY, 1, 3),
         rect(3, 2, 106, 3, WHITE, None, 0, 1.5, 'fill-opacity="0.5"'),
         text(56, 11.5, "ПРОБЕЛ", 10, NAVY, "bold")]
    return svg(112, 14, "\n".join(b))


def keyspace_post(buf, ctx):
    """KEYSPACE is opaque: take the corners from the keyboard picture it lies on."""
    sx, sy, sw, sh = SPACE
    under = crop(ctx.pixels("KEYBOARDPIC"), KBW, sx, sy, sw, sh)
    return over(under, buf)


# --- cloud ------------------------------------------------------------------------------------------------
CW, CH = 506, 350
WINDOW = (93, 76, 413, 276)


def cloud_bump_list():
    """Bumps around the frame: (cx, cy, r), each with its outline inside the picture."""
    m = 6                                   # outline (4) and a little room
    radii = [40, 46, 42, 48, 41, 45, 43, 47]
    bumps = []
    for i, x in enumerate(range(62, 450, 55)):
        r = radii[i % 8]
        bumps.append((x, r + m + (i % 2) * 3, r))
        rb = radii[(i + 3) % 8]
        bumps.append((x + 18 if x + 18 <= CW - rb - m else CW - rb - m, CH - rb - m - (i % 2) * 3, rb))
    for j, y in enumerate((112, 175, 238)):
        r = radii[(j + 5) % 8]
        bumps.append((r + m + (j % 2) * 3, y, r))
        r2 = radii[(j + 2) % 8]
        bumps.append((CW - r2 - m - (j % 2) * 3, y + 14, r2))
    for cx, cy in ((0, 0), (1, 0), (0, 1), (1, 1)):
        r = 46
        bumps.append((CW - r - m if cx else r + m, CH - r - m if cy else r + m, r))
    return bumps


def cloud():
    bumps = cloud_bump_list()
    core = rect(60, 52, 386, 246, "", None, 0, 30)

    def union(fill, grow=0, dy=0, extra=""):
        circles = "".join(f'<circle cx="{x}" cy="{y + dy}" r="{r + grow}"/>' for x, y, r in bumps)
        c = f'<rect x="{60 - grow}" y="{52 - grow + dy}" width="{386 + 2 * grow}" height="{246 + 2 * grow}" rx="30"/>'
        return f'<g fill="{fill}" {extra}>{circles}{c}</g>'

    clip_shape = "".join(f'<circle cx="{x}" cy="{y}" r="{r}"/>' for x, y, r in bumps)
    defs = (f'<clipPath id="cloud">{clip_shape}<rect x="60" y="52" width="386" height="246" rx="30"/></clipPath>')
    b = [union(NAVY, 4), union("#BFE0FA"),
         f'<g clip-path="url(#cloud)">' + union(WHITE, 0, -9) + "</g>"]
    # golden frame around the clip window
    x0, y0, x1, y1 = WINDOW
    b.append(rect(x0 - 9, y0 - 9, x1 - x0 + 18, y1 - y0 + 18, YELLOW, NAVY, 2.5, 6))
    b.append(rect(x0 - 6, y0 - 6, x1 - x0 + 12, 3, WHITE, None, 0, 1.5, 'fill-opacity="0.5"'))
    b.append(rect(x0 - 2, y0 - 2, x1 - x0 + 4, y1 - y0 + 4, NAVY))
    # sparkles and confetti on the cloud
    for cx, cy, r in ((34, 120, 13), (478, 214, 12), (84, 24, 10), (420, 330, 11), (250, 22, 9),
                      (30, 262, 9)):
        b.append(poly(star(cx, cy, r, r * 0.38, 4), YELLOW, NAVY, 1.5))
    dots = [(150, 30), (200, 318), (330, 26), (475, 120), (28, 190), (300, 326), (110, 318), (390, 30)]
    for (x, y), t in zip(dots, PLATE_TINTS + PLATE_TINTS):
        b.append(circle(x, y, 5, tint_hex(t), NAVY, 1.2))
    return svg(CW, CH, "\n".join(b), defs)


def clear_window(buf, ctx):
    out = bytearray(buf)
    x0, y0, x1, y1 = WINDOW
    for y in range(y0, y1):
        i = (y * CW + x0) * 4
        out[i:i + (x1 - x0) * 4] = bytes(4 * (x1 - x0))
    return out


def pictures():
    pics = [Picture(n, MW, MW, True, svg=mouse(n)) for n in MOUSE_NAMES]
    pics.append(Picture("KEYBOARDPIC", KBW, KBH, False, svg=keyboard(), post=keyboard_post))
    pics.append(Picture("KEYSPACE", 112, 14, False, svg=keyspace(), post=keyspace_post))
    pics.append(Picture("oblako_png", CW, CH, True, svg=cloud(), post=clear_window))
    return pics
