"""Checks of the written PNG files against what the program relies on (Parts 1.140, 1.143,
1.123, 2.122, 2.123, 3.102). make.py runs them after writing; they are a guard for the
generator, the program's own test decodes the embedded files again."""

import os
import struct

import pngio
import scene
import hints
import skin

SIZES = {
    "DefaultBackGround": (800, 600, False), "ExitButton": (21, 21, True),
    "EscButton": (37, 25, False), "F1Button": (37, 25, False), "F12Button": (37, 25, False),
    "SliderSliderVertical": (19, 10, True), "SliderSliderVerticalHover": (19, 10, True),
    "SliderSliderHorizontal": (11, 20, True), "SliderSliderHorizontalHover": (11, 20, True),
    "ScrollSlider": (16, 2, False), "ScrollSliderHorizontal": (2, 16, False),
    "ScrollBackground": (16, 16, False), "ScrollButtonUp": (16, 16, True),
    "ScrollButtonDown": (16, 16, True),
    "CheckBoxUnchecked": (16, 16, False), "CheckBoxChecked": (16, 16, False),
    "CheckBoxDisUnchecked": (16, 16, False), "CheckBoxDisChecked": (16, 16, False),
    "RadioButtonUnchecked": (16, 16, True), "RadioButtonChecked": (16, 16, True),
    "RadioButtonDisUnchecked": (16, 16, True), "RadioButtonDisChecked": (16, 16, True),
    "EditBarBackGround": (1, 1, False),
    "EditBarCornerLT": (8, 8, True), "EditBarCornerRT": (8, 8, True),
    "EditBarCornerLB": (8, 8, True), "EditBarCornerRB": (8, 8, True),
    "EditBarBorderL": (8, 1, False), "EditBarBorderR": (8, 1, False),
    "EditBarBorderT": (1, 8, False), "EditBarBorderB": (1, 8, False),
    "EditBarKaretka": (1, 19, False), "SelectionMask": (1, 1, True),
    "MOUSE": (246, 246, True), "MOUSE_L": (246, 246, True), "MOUSE_R": (246, 246, True),
    "MOUSE_B": (246, 246, True), "MOUSE_B_CL": (246, 246, True),
    "MOUSE_B_ROT1": (246, 246, True), "MOUSE_B_ROT2": (246, 246, True),
    "oblako_png": (506, 350, True), "KEYBOARDPIC": (524, 230, False), "KEYSPACE": (112, 14, False),
    "WhitespaceBlank": (3, 3, False), "WhitespaceTab": (10, 5, True),
    "WhitespaceLineBreak": (11, 21, True), "WhitespaceLineFeed": (1, 1, True),
    "102": (800, 600, False), "103": (124, 32, True), "104": (46, 1, True),
    "105": (110, 121, True), "106": (116, 97, True), "107": (800, 600, True),
    "108": (22, 70, True), "109": (224, 148, True), "121": (800, 600, False),
    "122": (800, 600, True), "500": (64, 64, True),
}
for base, (w, *_rest) in skin.BUTTONS.items():
    for suffix in ("", "Nuv", "Klick"):
        SIZES[base + suffix] = (w, 47, True)


def alpha_at(buf, w, x, y):
    return buf[(y * w + x) * 4 + 3]


def in_rects(rects, x, y):
    return any(x0 <= x < x1 and y0 <= y < y1 for x0, y0, x1, y1 in rects)


def check_all(media, pics):
    problems = []
    made = {p.name: p for p in pics}
    for name in skin.SKIN_ORDER:
        if name not in made:
            problems.append(f"skin picture {name} missing")
    for name in SIZES:
        if name not in made:
            problems.append(f"picture {name} not made")
    pixels = {}
    for p in pics:
        path = os.path.join(media, p.folder, p.name + ".png")
        data = open(path, "rb").read()
        types = pngio.chunk_types(data)
        if types[0] != "IHDR" or types[-1] != "IEND" or set(types) != {"IHDR", "IDAT", "IEND"}:
            problems.append(f"{p.name}: chunks {types}")
        w, h, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", data[16:29])
        want = SIZES.get(p.name)
        if want and (w, h, want[2]) != (want[0], want[1], ctype == 6):
            problems.append(f"{p.name}: {w}x{h} colour type {ctype}, wanted {want}")
        if depth != 8 or ctype not in (2, 6) or interlace:
            problems.append(f"{p.name}: depth {depth} colour type {ctype} interlace {interlace}")
        pixels[p.name] = pngio.decode_png(data)

    # mask: alpha 0/255 only, blocking exactly the regions
    w, h, m = pixels["122"]
    bad = 0
    for y in range(h):
        for x in range(w):
            a = alpha_at(m, w, x, y)
            if a != (255 if in_rects(scene.MASK_RECTS, x, y) else 0):
                bad += 1
    if bad:
        problems.append(f"122: {bad} mask pixels wrong")
    # walls picture: opaque exactly on the frame
    w, h, f = pixels["107"]
    bad = sum(1 for y in range(h) for x in range(w)
              if alpha_at(f, w, x, y) != (255 if in_rects(scene.FRAME_RECTS, x, y) else 0))
    if bad:
        problems.append(f"107: {bad} pixels wrong")
    # plate opaque everywhere, magnet's bottom row opaque
    w, h, p = pixels["103"]
    if any(a != 255 for a in p[3::4]):
        problems.append("103: not opaque everywhere")
    w, h, g = pixels["106"]
    if any(alpha_at(g, w, x, h - 1) != 255 for x in range(w)):
        problems.append("106: bottom row not opaque across")
    if any(alpha_at(g, w, x, y) != 255 for y in range(50, h) for x in range(w)):
        problems.append("106: body not opaque")
    # rope: opaque cables at the outer columns
    w, h, r = pixels["104"]
    if not (alpha_at(r, w, 5, 0) == 255 and alpha_at(r, w, 40, 0) == 255 and alpha_at(r, w, 22, 0) == 0):
        problems.append("104: cables not where expected")
    # cloud: transparent over the clip window
    w, h, c = pixels["oblako_png"]
    x0, y0, x1, y1 = hints.WINDOW
    if any(alpha_at(c, w, x, y) for y in range(y0, y1) for x in range(x0, x1)):
        problems.append("oblako_png: clip window not transparent")
    if alpha_at(c, w, x0 - 1, y0) != 255 or alpha_at(c, w, x1, y1 - 1) != 255:
        problems.append("oblako_png: window frame not opaque at its edge")
    # buttons: body opaque except the rounded corners (radius 12 plus the outline)
    for base, (bw, *_rest) in skin.BUTTONS.items():
        for suffix in ("", "Nuv", "Klick"):
            w, h, b = pixels[base + suffix]
            holes = [(x, y) for y in range(h) for x in range(w)
                     if alpha_at(b, w, x, y) != 255
                     and not ((x < 14 or x >= w - 14) and (y < 14 or y >= h - 14))]
            if holes:
                problems.append(f"{base + suffix}: {len(holes)} non-opaque body pixels, e.g. {holes[:3]}")
    # the space bar: KEYSPACE covers the keyboard's space bar top face
    w, h, k = pixels["KEYBOARDPIC"]
    sx, sy, sw, sh = hints.SPACE
    # the key's outline lies on the rectangle's border, the face inside it is light
    inner = [k[((sy + 5) * w + x) * 4] for x in range(sx + 3, sx + sw - 3)]
    if min(inner) < 200:
        problems.append("KEYBOARDPIC: space bar face not where KEYSPACE goes")
    # EditBarKaretka black
    w, h, kb = pixels["EditBarKaretka"]
    if any(kb[i] for i in range(len(kb)) if i % 4 != 3):
        problems.append("EditBarKaretka: not black")
    w, h, lf = pixels["WhitespaceLineFeed"]
    if lf[3] != 0:
        problems.append("WhitespaceLineFeed: not transparent")
    return problems
