#!/usr/bin/env python3
"""Previews for looking at the pictures (not committed): composites of the crane scene and of
the screens as the program puts them together, written as PNG files to a folder.

    python3 preview.py MEDIA_DIR OUT_DIR
"""

import math
import os
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import pngio  # noqa: E402
from common import PLATE_TINTS  # noqa: E402
import scene  # noqa: E402


class Canvas:
    def __init__(self, w=800, h=600):
        self.w, self.h = w, h
        self.buf = bytearray(b"\0\0\0\xff" * (w * h))

    def draw(self, pic, x, y, tint=0xFFFFFFFF, dest=None, angle=0.0):
        """Draw a picture (w, h, rgba) at (x, y), or stretched to dest (l, t, r, b); tinted
        multiplicatively; angle rotates about the destination's centre (nearest texel)."""
        sw, sh, src = pic
        l, t, r, b = dest if dest else (x, y, x + sw, y + sh)
        tr, tg, tb, ta = (tint >> 16) & 255, (tint >> 8) & 255, tint & 255, (tint >> 24) & 255
        cx, cy = (l + r) / 2, (t + b) / 2
        if angle:
            # bounding box of the rotated rectangle
            c, s = math.cos(angle), math.sin(angle)
            pts = [(cx + c * (px - cx) - s * (py - cy), cy + s * (px - cx) + c * (py - cy))
                   for px, py in ((l, t), (r, t), (r, b), (l, b))]
            bl, bt = int(min(p[0] for p in pts)), int(min(p[1] for p in pts))
            br, bb = int(max(p[0] for p in pts)) + 1, int(max(p[1] for p in pts)) + 1
        else:
            bl, bt, br, bb = l, t, r, b
        for yy in range(max(0, bt), min(self.h, bb)):
            for xx in range(max(0, bl), min(self.w, br)):
                px, py = xx + 0.5, yy + 0.5
                if angle:
                    c, s = math.cos(-angle), math.sin(-angle)
                    px, py = cx + c * (px - cx) - s * (py - cy), cy + s * (px - cx) + c * (py - cy)
                if not (l <= px < r and t <= py < b):
                    continue
                u = int((px - l) * sw / (r - l))
                v = int((py - t) * sh / (b - t))
                i = (v * sw + u) * 4
                a = src[i + 3] * ta // 255
                if a == 0:
                    continue
                o = (yy * self.w + xx) * 4
                for k, tk in enumerate((tr, tg, tb)):
                    cval = src[i + k] * tk // 255
                    self.buf[o + k] = (cval * a + self.buf[o + k] * (255 - a)) // 255

    def save(self, path):
        pngio.write_png(path, self.w, self.h, self.buf, False)


def load(media, folder, name):
    return pngio.read_png(os.path.join(media, folder, name + ".png"))


def crane_scene(media, crane_x, rope_y, angle=0.0, carried=None, hidden=(), hint=None):
    R = lambda n: load(media, "resources", n)  # noqa: E731
    c = Canvas()
    c.draw(R("102"), 0, 0)
    plate = R("103")
    positions = list(scene.PLATES)
    if carried is not None:
        idx, off = carried
        positions[idx] = (crane_x + off, rope_y + 135 + 97)
    for i, ((x, y), t) in enumerate(zip(positions, PLATE_TINTS)):
        if i not in hidden:
            c.draw(plate, x, y, t)
    c.draw(R("106"), crane_x, rope_y + 135)
    c.draw(R("104"), 0, 0, dest=(crane_x + 35, 134, crane_x + 81, rope_y + 135))
    c.draw(R("105"), crane_x + 4, 21)
    c.draw(R("108"), crane_x + 47, 45, angle=angle)
    c.draw(R("109"), 476, 390)
    c.draw(R("107"), 0, 0)
    if hint:
        c.draw(load(media, "builtin", "MOUSE"), 554, 354)
        c.draw(load(media, "builtin", hint), 554, 354)
    return c


def main():
    media, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    B = lambda n: load(media, "builtin", n)  # noqa: E731
    crane_scene(media, 135, 100).save(os.path.join(out, "scene_135_100.png"))
    crane_scene(media, 200, 85, math.pi / 2, hint="MOUSE_B_ROT1").save(
        os.path.join(out, "scene_demo_horizontal.png"))
    crane_scene(media, 62, 0).save(os.path.join(out, "scene_left_top.png"))
    crane_scene(media, 500, 100, carried=(5, 0), hidden=(4,)).save(
        os.path.join(out, "scene_delivering.png"))
    crane_scene(media, 614, 158).save(os.path.join(out, "scene_right_low.png"))
    # instruction ending over "121"
    c = Canvas()
    c.draw(load(media, "resources", "121"), 0, 0)
    c.save(os.path.join(out, "card_121.png"))
    c.draw(B("KEYBOARDPIC"), 107, 347)
    c.draw(B("MOUSE"), 500, 209)
    c.save(os.path.join(out, "ending_space_off.png"))
    c.draw(B("KEYSPACE"), 237, 502)
    c.save(os.path.join(out, "ending_space_on.png"))
    # praise: cloud over a stand-in clip
    c = crane_scene(media, 400, 20, hidden=range(6))
    clip = (320, 200, bytearray(b"\xff\x80\x40\xff" * (320 * 200)))
    c.draw(clip, 230, 176)
    c.draw(B("oblako_png"), 137, 100)
    c.save(os.path.join(out, "praise.png"))
    # information screen and results screen mock-ups (pictures only)
    c = Canvas()
    c.draw(B("DefaultBackGround"), 0, 0)
    c.draw(B("StartPopStartButton"), 690, 450)
    c.draw(B("ExitButton"), 755, 22)
    c.draw(B("EscButton"), 135, 517)
    c.draw(B("F1Button"), 350, 517)
    c.draw(B("F12Button"), 555, 517)
    c.draw(B("OptionsButtonNuv"), 665, 510)
    c.draw(B("EditBarBackGround"), 0, 0, dest=(135, 460, 655, 480))
    c.draw(B("ScrollBackground"), 0, 0, dest=(712, 201, 726, 413))
    c.draw(B("ScrollButtonUp"), 0, 0, dest=(712, 187, 726, 201))
    c.draw(B("ScrollButtonDown"), 0, 0, dest=(712, 413, 726, 427))
    c.draw(B("ScrollSlider"), 0, 0, dest=(712, 220, 726, 300))
    c.save(os.path.join(out, "screen_info.png"))
    c = Canvas()
    c.draw(B("DefaultBackGround"), 0, 0)
    c.draw(B("PrintButton"), 30, 490)
    c.draw(B("SaveAsButtonNuv"), 128, 490)
    c.draw(B("RetryButtonKlick"), 535, 490)
    c.draw(B("CloseButton"), 660, 490)
    c.draw(B("PrintButton"), 30, 420, tint=0xFF808080)
    c.draw(B("ExitButton"), 755, 22)
    # exit menu
    c.draw(B("EditBarKaretka"), 0, 0, dest=(0, 0, 800, 600), tint=0x4B000096)
    box = Canvas(136, 200)
    box.draw(B("DefaultBackGround"), 0, 0, dest=(0, -100, 136, 300))
    box.draw(B("RetryButton"), 10, 20)
    box.draw(B("CloseButtonNuv"), 10, 80)
    box.draw(B("CancelButton"), 10, 140)
    c.draw((136, 200, bytearray(box.buf)), 332, 200)
    c.save(os.path.join(out, "screen_results_exitmenu.png"))


if __name__ == "__main__":
    main()
