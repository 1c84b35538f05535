#!/usr/bin/env python3
"""Draws the frames of the five praise clips as SVG files.

Usage: praise_clips.py OUTDIR
Writes OUTDIR/praise_clip_<n>/frame_<k>.svg, n = 1..5, k = 000.., at 320x200.

The clips play at 12 frames a second and the praise lasts as long as its clip, so every clip
has FRAMES frames (2.5 s). Each clip is a loop-free little celebration in its own colours:
1 fireworks, 2 balloons, 3 stars, 4 confetti, 5 a jumping smiley. Random placement comes from
generators with fixed seeds, so the frames are the same on every run.
"""

import math
import os
import random
import sys

W, H = 320, 200
FRAMES = 30
PALETTE = ["#ff3b30", "#ff9500", "#ffcc00", "#34c759", "#00c7be", "#0a84ff", "#af52de", "#ff2d92"]


def svg(body, background):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{W}" height="{H}" '
            f'viewBox="0 0 {W} {H}">\n{background}\n{body}\n</svg>\n')


def star_path(cx, cy, outer, inner, angle, points=5):
    pts = []
    for i in range(points * 2):
        r = outer if i % 2 == 0 else inner
        a = angle + math.pi * i / points - math.pi / 2
        pts.append(f"{cx + r * math.cos(a):.2f},{cy + r * math.sin(a):.2f}")
    return "M" + " L".join(pts) + " Z"


def smile_face(cx, cy, r, outline="#3a2a00"):
    """A round yellow face with eyes and a wide smile."""
    return (f'<circle cx="{cx:.1f}" cy="{cy:.1f}" r="{r:.1f}" fill="#ffd60a" stroke="{outline}" '
            f'stroke-width="{max(1.5, r * 0.08):.1f}"/>'
            f'<ellipse cx="{cx - r * 0.35:.1f}" cy="{cy - r * 0.2:.1f}" rx="{r * 0.1:.1f}" '
            f'ry="{r * 0.16:.1f}" fill="{outline}"/>'
            f'<ellipse cx="{cx + r * 0.35:.1f}" cy="{cy - r * 0.2:.1f}" rx="{r * 0.1:.1f}" '
            f'ry="{r * 0.16:.1f}" fill="{outline}"/>'
            f'<path d="M{cx - r * 0.5:.1f},{cy + r * 0.15:.1f} Q{cx:.1f},{cy + r * 0.75:.1f} '
            f'{cx + r * 0.5:.1f},{cy + r * 0.15:.1f}" fill="none" stroke="{outline}" '
            f'stroke-width="{max(1.5, r * 0.1):.1f}" stroke-linecap="round"/>')


# 1: fireworks over a night town.
def fireworks(k):
    bg = ('<defs><linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">'
          '<stop offset="0" stop-color="#0b1446"/><stop offset="1" stop-color="#2b3a8c"/>'
          '</linearGradient></defs><rect width="320" height="200" fill="url(#sky)"/>')
    rng = random.Random(1)
    stars = "".join(f'<circle cx="{rng.uniform(0, W):.1f}" cy="{rng.uniform(0, 120):.1f}" '
                    f'r="{rng.uniform(0.6, 1.4):.1f}" fill="#ffffff" opacity="0.8"/>'
                    for _ in range(40))
    town = ('<path d="M0,200 L0,170 L25,170 L25,155 L50,155 L50,175 L80,175 L80,160 L95,150 '
            'L110,160 L110,178 L140,178 L140,165 L170,165 L170,150 L190,150 L190,172 L220,172 '
            'L220,158 L245,158 L245,176 L270,176 L270,162 L295,162 L295,174 L320,174 L320,200 Z" '
            'fill="#141a33"/>')
    windows = "".join(f'<rect x="{x}" y="{y}" width="4" height="5" fill="#ffd60a"/>'
                      for x, y in [(30, 162), (40, 162), (55, 181), (85, 168), (100, 170),
                                   (150, 172), (175, 158), (178, 168), (228, 165), (250, 182),
                                   (278, 170), (300, 180)])
    body = [stars]
    # Rockets: (launch frame, x, burst height, colour index).
    rockets = [(-7, 90, 65, 0), (1, 235, 55, 5), (6, 160, 80, 2), (11, 70, 50, 7), (15, 250, 70, 3),
               (19, 150, 55, 6)]
    for start, x, top, ci in rockets:
        t = k - start
        if t < 0:
            continue
        rise = 6
        colour = PALETTE[ci]
        if t < rise:
            y = 185 - (185 - top) * (t + 1) / rise
            body.append(f'<line x1="{x}" y1="{y + 14:.1f}" x2="{x}" y2="{y:.1f}" stroke="#ffe9a8" '
                        f'stroke-width="2" stroke-linecap="round"/>'
                        f'<circle cx="{x}" cy="{y:.1f}" r="2.5" fill="#ffffff"/>')
            continue
        b = t - rise + 1
        if b > 14:
            continue
        fade = max(0.0, 1.0 - (b / 14) ** 2)
        if b <= 2:
            body.append(f'<circle cx="{x}" cy="{top}" r="{10 * b}" fill="#ffffff" '
                        f'opacity="{0.7 / b:.2f}"/>')
        for i in range(28):
            a = 2 * math.pi * i / 28
            d = 13 * b - 0.45 * b * b
            px = x + d * math.cos(a)
            py = top + d * math.sin(a) + 0.35 * b * b
            tail = 9
            tx = x + (d - tail) * math.cos(a)
            ty = top + (d - tail) * math.sin(a) + 0.35 * b * b
            c = colour if i % 2 == 0 else PALETTE[(ci + 2) % len(PALETTE)]
            body.append(f'<line x1="{tx:.1f}" y1="{ty:.1f}" x2="{px:.1f}" y2="{py:.1f}" '
                        f'stroke="{c}" stroke-width="3.5" stroke-linecap="round" '
                        f'opacity="{fade:.2f}"/>'
                        f'<circle cx="{px:.1f}" cy="{py:.1f}" r="2.5" fill="#ffffff" '
                        f'opacity="{fade:.2f}"/>')
    body.append(town + windows)
    return svg("".join(body), bg)


# 2: balloons rising in a summer sky.
def balloons(k):
    bg = ('<rect width="320" height="200" fill="#8fd3ff"/>'
          '<g fill="#ffffff"><ellipse cx="60" cy="40" rx="34" ry="12"/>'
          '<ellipse cx="80" cy="32" rx="20" ry="12"/><ellipse cx="250" cy="60" rx="38" ry="13"/>'
          '<ellipse cx="228" cy="52" rx="20" ry="12"/></g>'
          '<rect y="182" width="320" height="18" fill="#5cc95c"/>')
    rng = random.Random(2)
    body = []
    for i in range(8):
        x0 = 25 + i * 38 + rng.uniform(-8, 8)
        speed = rng.uniform(6.5, 9.5)
        delay = rng.uniform(-9, 6)
        colour = PALETTE[i % len(PALETTE)]
        y = 235 - speed * (k - delay)
        if y > 230 or y < -60:
            continue
        x = x0 + 6 * math.sin(k * 0.45 + i)
        rx, ry = 17, 21
        body.append(
            f'<path d="M{x:.1f},{y + ry:.1f} q-6,14 2,26 q6,12 -2,24" fill="none" stroke="#555" '
            f'stroke-width="1.2"/>'
            f'<ellipse cx="{x:.1f}" cy="{y:.1f}" rx="{rx}" ry="{ry}" fill="{colour}" '
            f'stroke="#00000055" stroke-width="1.5"/>'
            f'<path d="M{x - 4:.1f},{y + ry - 1:.1f} L{x + 4:.1f},{y + ry - 1:.1f} '
            f'L{x:.1f},{y + ry + 5:.1f} Z" fill="{colour}"/>'
            f'<ellipse cx="{x - 6:.1f}" cy="{y - 8:.1f}" rx="4" ry="7" fill="#ffffff" '
            f'opacity="0.6"/>')
    return svg("".join(body), bg)


# 3: a big smiling star spinning in, with twinkling little stars.
def stars(k):
    bg = ('<defs><radialGradient id="glow" cx="0.5" cy="0.5" r="0.7">'
          '<stop offset="0" stop-color="#b95cff"/><stop offset="1" stop-color="#3c1873"/>'
          '</radialGradient></defs><rect width="320" height="200" fill="url(#glow)"/>')
    rng = random.Random(3)
    body = []
    for i in range(22):
        x, y = rng.uniform(10, 310), rng.uniform(10, 190)
        phase = rng.uniform(0, 2 * math.pi)
        s = 4 + 3.5 * math.sin(k * 0.7 + phase)
        if s > 1:
            colour = ["#fff38a", "#ffffff", "#ffb3f0", "#8ae8ff"][i % 4]
            body.append(f'<path d="{star_path(x, y, s, s * 0.45, k * 0.2 + phase)}" '
                        f'fill="{colour}"/>')
    grow = min(1.0, (k + 1) / 10)
    size = 70 * (grow + 0.08 * math.sin(k * 0.9) * (1 if grow >= 1 else 0))
    angle = (1 - grow) * -2.5 + 0.12 * math.sin(k * 0.6)
    body.append(f'<path d="{star_path(160, 104, size, size * 0.5, angle)}" fill="#ffd60a" '
                f'stroke="#b86e00" stroke-width="4" stroke-linejoin="round"/>')
    if grow >= 1:
        body.append('<circle cx="146" cy="98" r="5" fill="#5a3300"/>'
                    '<circle cx="174" cy="98" r="5" fill="#5a3300"/>'
                    '<path d="M144,114 Q160,128 176,114" fill="none" stroke="#5a3300" '
                    'stroke-width="4" stroke-linecap="round"/>')
    # Rays of light once the star is full size.
    if grow >= 1:
        for i in range(12):
            a = 2 * math.pi * i / 12 + k * 0.08
            r1, r2 = 82, 82 + 10 + 6 * math.sin(k + i)
            body.append(f'<line x1="{160 + r1 * math.cos(a):.1f}" y1="{104 + r1 * math.sin(a):.1f}" '
                        f'x2="{160 + r2 * math.cos(a):.1f}" y2="{104 + r2 * math.sin(a):.1f}" '
                        f'stroke="#fff38a" stroke-width="3" stroke-linecap="round"/>')
    return svg("".join(body), bg)


# 4: confetti raining over a golden cup.
def confetti(k):
    bg = ('<defs><linearGradient id="warm" x1="0" y1="0" x2="0" y2="1">'
          '<stop offset="0" stop-color="#fff7d6"/><stop offset="1" stop-color="#ffe08a"/>'
          '</linearGradient></defs><rect width="320" height="200" fill="url(#warm)"/>')
    cup = ('<g stroke="#8a5a00" stroke-width="3" stroke-linejoin="round">'
           '<path d="M120,50 L200,50 L196,88 Q190,122 160,126 Q130,122 124,88 Z" fill="#ffc300"/>'
           '<path d="M122,60 Q96,60 100,84 Q104,102 128,104" fill="none"/>'
           '<path d="M198,60 Q224,60 220,84 Q216,102 192,104" fill="none"/>'
           '<rect x="152" y="126" width="16" height="22" fill="#ffc300"/>'
           '<rect x="132" y="148" width="56" height="14" rx="3" fill="#d08a00"/></g>'
           f'<path d="{star_path(160, 84, 18, 8, 0)}" fill="#fff4b0"/>')
    bounce = 3 * math.sin(k * 0.8)
    rng = random.Random(4)
    body = [f'<g transform="translate(0,{bounce:.1f})">{cup}</g>']
    for i in range(60):
        x0 = rng.uniform(0, W)
        y0 = rng.uniform(-230, 120)
        speed = rng.uniform(6, 10)
        drift = rng.uniform(-1.5, 1.5)
        spin = rng.uniform(0.3, 0.8)
        colour = PALETTE[i % len(PALETTE)]
        y = y0 + speed * k
        if y < -10 or y > 210:
            continue
        x = x0 + drift * k + 5 * math.sin(k * 0.5 + i)
        flip = abs(math.cos(k * spin + i))
        w = 12 * max(0.15, flip)
        body.append(f'<rect x="{-w / 2:.1f}" y="-4" width="{w:.1f}" height="8" fill="{colour}" '
                    f'transform="translate({x:.1f},{y:.1f}) rotate({(k * 25 + i * 37) % 360})"/>')
    return svg("".join(body), bg)


# 5: a smiley jumping on a meadow under the sun.
def jumping_smiley(k):
    sun_rays = "".join(
        f'<line x1="{275 + 26 * math.cos(a):.1f}" y1="{35 + 26 * math.sin(a):.1f}" '
        f'x2="{275 + 36 * math.cos(a):.1f}" y2="{35 + 36 * math.sin(a):.1f}" stroke="#ffb300" '
        f'stroke-width="3" stroke-linecap="round"/>'
        for a in [2 * math.pi * i / 10 + k * 0.1 for i in range(10)])
    bg = ('<rect width="320" height="200" fill="#a8e6ff"/>'
          f'{sun_rays}<circle cx="275" cy="35" r="20" fill="#ffd60a"/>'
          '<path d="M0,165 Q80,150 160,163 Q240,176 320,160 L320,200 L0,200 Z" fill="#4cc24c"/>')
    flowers = "".join(f'<circle cx="{x}" cy="{y}" r="4" fill="{c}"/><circle cx="{x}" cy="{y}" '
                      f'r="1.6" fill="#ffffff"/>'
                      for x, y, c in [(30, 180, PALETTE[0]), (70, 188, PALETTE[6]),
                                      (250, 185, PALETTE[7]), (290, 178, PALETTE[5]),
                                      (205, 192, PALETTE[1])])
    # Two jumps of 15 frames each: squash on the ground, stretch in the air.
    t = (k % 15) / 15
    height = 88 * 4 * t * (1 - t)
    r = 30
    ground = 165
    if t < 0.08 or t > 0.92:
        sx, sy = 1.25, 0.78
    else:
        sx, sy = 0.92, 1.08
    cy = ground - r * sy - height
    # A happy wiggle while in the air.
    spin = 12 * math.sin(2 * math.pi * t) if 0.08 < t < 0.92 else 0
    x = 90 + 140 * (k / (FRAMES - 1))
    shadow = (f'<ellipse cx="{x:.1f}" cy="{ground + 3}" rx="{28 - height * 0.12:.1f}" ry="5" '
              f'fill="#2e7d32" opacity="0.5"/>')
    face = (f'<g transform="translate({x:.1f},{cy:.1f}) scale({sx},{sy}) '
            f'rotate({spin:.1f})">{smile_face(0, 0, r)}</g>')
    # Sparkles around the top of each jump.
    sparkle = ""
    if 0.35 < t < 0.65:
        for i in range(6):
            a = 2 * math.pi * i / 6 + k
            sparkle += (f'<path d="{star_path(x + 48 * math.cos(a), cy + 44 * math.sin(a), 7, 3, a)}" '
                        f'fill="{PALETTE[i]}"/>')
    return svg(flowers + shadow + face + sparkle, bg)


CLIPS = [fireworks, balloons, stars, confetti, jumping_smiley]


def main():
    out = sys.argv[1]
    for n, draw in enumerate(CLIPS, start=1):
        folder = os.path.join(out, f"praise_clip_{n}")
        os.makedirs(folder, exist_ok=True)
        for k in range(FRAMES):
            with open(os.path.join(folder, f"frame_{k:03d}.svg"), "w", encoding="utf-8") as f:
                f.write(draw(k))


if __name__ == "__main__":
    main()
