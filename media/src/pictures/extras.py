"""The whitespace symbol pictures of the text view and the window icon (resource 500).

The text view registers the four whitespace pictures under glyph keys, not under names; here they
are the built-in pictures "WhitespaceBlank" (3 x 3 RGB), "WhitespaceTab" (10 x 5 RGBA),
"WhitespaceLineBreak" (11 x 21 RGBA) and "WhitespaceLineFeed" (1 x 1 RGBA, fully transparent:
without whitespace glyphs a line feed must not show).
"""

from common import *  # noqa: F401,F403
from picture import Picture

MARK = hexrgb("#8A9BB0") + (255,)
NONE = (0, 0, 0, 0)


def from_art(art, on=MARK, off=NONE):
    buf = bytearray()
    for row in art:
        for ch in row:
            buf += bytes(on if ch == "#" else off)
    return buf


TAB = [
    "......#..#",
    ".......#.#",
    "##########",
    ".......#.#",
    "......#..#",
]

LINE_BREAK = [
    "...........",
    "...........",
    "...........",
    "...........",
    "...........",
    "...........",
    "........##.",
    "........##.",
    "........##.",
    "........##.",
    "...#....##.",
    "..##....##.",
    ".#########.",
    ".#########.",
    "..##.......",
    "...#.......",
    "...........",
    "...........",
    "...........",
    "...........",
    "...........",
]


def icon_500():
    b = [rect(2, 2, 60, 60, SKY, NAVY, 3, 12),
         rect(4, 8, 56, 6, YELLOW, NAVY, 2),
         rect(25, 4, 14, 14, YELLOW_DARK, NAVY, 2, 3),
         line(28, 18, 28, 30, NAVY, 2.5, "butt"), line(36, 18, 36, 30, NAVY, 2.5, "butt"),
         rect(15, 30, 34, 13, RED, NAVY, 2.5, 2),
         rect(15, 41, 34, 4, STEEL_DARK, NAVY, 2),
         rect(13, 46, 38, 9, tint_hex(PLATE_TINTS[5]), NAVY, 2.5, 2),
         rect(16, 48, 32, 2, WHITE, None, 0, 1, 'fill-opacity="0.5"')]
    return svg(64, 64, "\n".join(b))


def pictures():
    return [
        Picture("WhitespaceBlank", 3, 3, False, pixels=from_art(["###"] * 3)),
        Picture("WhitespaceTab", 10, 5, True, pixels=from_art(TAB)),
        Picture("WhitespaceLineBreak", 11, 21, True, pixels=from_art(LINE_BREAK)),
        Picture("WhitespaceLineFeed", 1, 1, True, pixels=bytearray(4)),
        Picture("500", 64, 64, True, svg=icon_500(), folder="resources"),
    ]
