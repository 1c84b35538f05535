"""The 57 skin pictures, in their registration order.

Buttons: a rounded body with a navy outline, a coloured face over a darker lip (a key you can
press) and a white label with a navy rim. The silhouette is the same in all three states, so
the clickable area (alpha 255 texels) does not change:
- normal: the face stands on its lip;
- "Nuv" (hover): a lighter face with a yellow glowing ring;
- "Klick" (pressed): a darker face pushed down onto the lip, the label moved down with it.
"""

from common import *  # noqa: F401,F403
from picture import Picture

# Base name -> (width, label, face colour, light, dark)
BUTTONS = {
    "PrintButton": (84, "Печать", BLUE, BLUE_LIGHT, BLUE_DARK),
    "SaveAsButton": (148, "Сохранить как", BLUE, BLUE_LIGHT, BLUE_DARK),
    "RetryButton": (109, "Повторить", ORANGE, "#FFAD5C", ORANGE_DARK),
    "CloseButton": (111, "Закрыть", RED, RED_LIGHT, RED_DARK),
    "StartPopStartButton": (84, "Начать", GREEN, GREEN_LIGHT, GREEN_DARK),
    "SubmitButton": (109, "Готово", GREEN, GREEN_LIGHT, GREEN_DARK),
    "OptionsButton": (109, "Настройки", PURPLE, PURPLE_LIGHT, PURPLE_DARK),
    "CancelButton": (111, "Отмена", "#6A84A6", "#94ABC8", "#4C6385"),
}
BUTTON_ORDER = ["PrintButton", "SaveAsButton", "RetryButton", "CloseButton",
                "StartPopStartButton", "SubmitButton", "OptionsButton", "CancelButton"]
BUTTON_H = 47

# Where the information screen puts the key pictures: they are opaque, so their
# rounded corners are filled with the background that lies there.
KEY_PICTURES = {"EscButton": ("Esc", 135, 517), "F1Button": ("F1", 350, 517),
                "F12Button": ("F12", 555, 517)}

SKIN_ORDER = [
    "DefaultBackGround", "ExitButton", "PrintButton", "SaveAsButton", "RetryButton",
    "CloseButton", "StartPopStartButton", "EscButton", "F1Button", "F12Button",
    "SubmitButton", "OptionsButton", "CancelButton", "PrintButtonKlick", "SaveAsButtonKlick",
    "RetryButtonKlick", "CloseButtonKlick", "StartPopStartButtonKlick", "SubmitButtonKlick",
    "OptionsButtonKlick", "CancelButtonKlick", "PrintButtonNuv", "SaveAsButtonNuv",
    "RetryButtonNuv", "CloseButtonNuv", "StartPopStartButtonNuv", "SubmitButtonNuv",
    "OptionsButtonNuv", "CancelButtonNuv", "SliderSliderVertical", "SliderSliderVerticalHover",
    "SliderSliderHorizontal", "SliderSliderHorizontalHover", "ScrollSlider",
    "ScrollSliderHorizontal", "ScrollBackground", "ScrollButtonUp", "ScrollButtonDown",
    "CheckBoxUnchecked", "CheckBoxChecked", "RadioButtonUnchecked", "RadioButtonChecked",
    "CheckBoxDisUnchecked", "CheckBoxDisChecked", "RadioButtonDisUnchecked",
    "RadioButtonDisChecked", "EditBarBackGround", "EditBarCornerLT", "EditBarCornerRT",
    "EditBarCornerLB", "EditBarCornerRB", "EditBarBorderL", "EditBarBorderR", "EditBarBorderT",
    "EditBarBorderB", "EditBarKaretka", "SelectionMask",
]


# --- background ---------------------------------------------------------------------------------
def cloud_shape(cx, cy, s, fill, stroke, sw):
    """A small flat cloud of four bumps, centred at (cx, cy), scale s."""
    bumps = [(-30, 6, 18), (-10, -8, 22), (14, -4, 20), (32, 8, 15)]
    base = f'<rect x="{cx - 44 * s}" y="{cy + 2 * s}" width="{88 * s}" height="{20 * s}" rx="{10 * s}"/>'
    circles = "".join(f'<circle cx="{cx + dx * s}" cy="{cy + dy * s}" r="{r * s}"/>'
                      for dx, dy, r in bumps)
    shape = base + circles
    return (f'<g fill="{stroke}" stroke="{stroke}" stroke-width="{2 * sw}">{shape}</g>'
            f'<g fill="{fill}">{shape}</g>')


def default_background():
    defs = ('<linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">'
            f'<stop offset="0" stop-color="#B9E1FF"/><stop offset="0.55" stop-color="{SKY_LIGHT}"/>'
            '<stop offset="1" stop-color="#F6FBFF"/></linearGradient>')
    body = [rect(0, 0, 800, 600, "url(#sky)")]
    # soft clouds in the corners, away from the texts
    body.append(cloud_shape(105, 48, 1.25, WHITE, "#A9D4F5", 1.5))
    body.append(cloud_shape(690, 92, 1.0, WHITE, "#A9D4F5", 1.5))
    body.append(cloud_shape(560, 30, 0.7, WHITE, "#A9D4F5", 1.5))
    # a sun peeking in the top-right corner
    body.append(circle(800, 0, 70, "#FFE9A6"))
    body.append(circle(800, 0, 52, YELLOW_LIGHT, "#F5C842", 2))
    # gentle hills at the bottom, under the key legend and the buttons
    body.append(path("M0,572 C120,548 220,560 330,574 C450,590 560,552 680,560 C740,564 775,570 800,566 "
                     "L800,600 L0,600 Z", "#CDEFC9", "#9ED49A", 2))
    body.append(path("M0,590 C160,578 300,584 430,592 C560,600 680,584 800,588 L800,600 L0,600 Z",
                     "#B3E3AE"))
    # a row of the exercise's plate colours along the bottom edge
    for i, t in enumerate(PLATE_TINTS):
        x = 24 + i * 30
        body.append(rect(x + 0.5, 583.5, 24, 9, tint_hex(t), NAVY, 1, 2))
    return svg(800, 600, "\n".join(body), defs)


# --- buttons ------------------------------------------------------------------------------------
def button(width, label, face, light, dark, state):
    h = BUTTON_H
    body = []
    # silhouette: identical in every state (outline 2 px, fully inside the picture)
    body.append(rect(1, 1, width - 2, h - 2, dark, NAVY, 2, 12))
    font = 17 if width < 100 else 16
    if state == "normal":
        body.append(rect(3, 3, width - 6, 34, face, None, 0, 10))
        body.append(rect(10, 5, width - 20, 5, WHITE, None, 0, 2.5, 'fill-opacity="0.35"'))
        cy = 20
    elif state == "hover":
        body.append(rect(3, 3, width - 6, 34, light, None, 0, 10))
        body.append(rect(10, 5, width - 20, 5, WHITE, None, 0, 2.5, 'fill-opacity="0.45"'))
        # glowing ring just inside the outline
        body.append(rect(3.5, 3.5, width - 7, h - 7, "none", GLOW, 3, 10))
        cy = 20
    else:  # pressed: face pushed down onto the lip, shadow at its top edge
        body.append(rect(3, 6, width - 6, 38, mix(face, dark, 0.45), None, 0, 10))
        body.append(rect(7, 7, width - 14, 4, NAVY, None, 0, 2, 'fill-opacity="0.25"'))
        cy = 25
    body.append(text(width / 2, cy + 0.36 * font, label, font, WHITE, "bold", "middle",
                     NAVY, 3.2))
    return svg(width, h, "\n".join(body))


def exit_button():
    b = [circle(10.5, 10.5, 9.6, RED, NAVY, 1.6),
         path("M4.2,9.2 A6.5,6.5 0 0 1 16.8,9.2", "none", WHITE, 1.2, 'stroke-opacity="0.4"'),
         line(7, 7, 14, 14, WHITE, 2.6), line(14, 7, 7, 14, WHITE, 2.6)]
    return svg(21, 21, "\n".join(b))


def key_picture(label):
    b = [rect(0.5, 0.5, 36, 24, "#C3CEDA", NAVY, 1, 5),
         rect(2, 1.5, 33, 19, WHITE, None, 0, 4),
         rect(4, 16.5, 29, 3, "#E7EDF3", None, 0, 1.5),
         text(18.5, 15, label, 12 if len(label) < 3 else 11, NAVY, "bold")]
    return svg(37, 25, "\n".join(b))


def key_over_background(label, x, y):
    def post(buf, ctx):
        bg = crop(ctx.pixels("DefaultBackGround"), 800, x, y, 37, 25)
        return over(bg, buf)
    return post


# --- small controls -----------------------------------------------------------------------------
def slider_thumb(w, h, hover):
    fill = BLUE_LIGHT if hover else BLUE
    b = [rect(0.75, 0.75, w - 1.5, h - 1.5, fill, GLOW if hover else NAVY, 1.5, min(w, h) / 2 - 0.75)]
    if w > h:
        for dx in (-3, 0, 3):
            b.append(line(w / 2 + dx, 3, w / 2 + dx, h - 3, WHITE, 1, "butt", 'stroke-opacity="0.8"'))
    else:
        for dy in (-3, 0, 3):
            b.append(line(3, h / 2 + dy, w - 3, h / 2 + dy, WHITE, 1, "butt", 'stroke-opacity="0.8"'))
    return svg(w, h, "\n".join(b))


def scroll_button(up):
    pts = [(8, 4), (12.5, 10.5), (3.5, 10.5)] if up else [(8, 12), (12.5, 5.5), (3.5, 5.5)]
    b = [rect(0.5, 0.5, 15, 15, BLUE, NAVY, 1, 3), poly(pts, WHITE, WHITE, 1)]
    return svg(16, 16, "\n".join(b))


def px_image(w, h, rows):
    """Pixels from a list of rows of RGBA tuples."""
    buf = bytearray()
    for r in rows:
        for p in r:
            buf += bytes(p)
    assert len(buf) == w * h * 4
    return buf


def rgba(c, a=255):
    return hexrgb(c) + (a,)


def scroll_slider_row():
    cols = [NAVY, BLUE_LIGHT] + [BLUE] * 12 + [BLUE_DARK, NAVY]
    return [rgba(c) for c in cols]


def scroll_background():
    cols = ["#A9CDEB"] + ["#DCEEFF"] * 14 + ["#A9CDEB"]
    return px_image(16, 16, [[rgba(c) for c in cols]] * 16)


def check_box(checked, disabled):
    frame = "#98A5B3" if disabled else NAVY
    fill = "#E5EAF0" if disabled else WHITE
    mark = "#98A5B3" if disabled else GREEN
    b = [rect(0, 0, 16, 16, SKY_LIGHT), rect(0.5, 0.5, 15, 15, fill, frame, 1, 2)]
    if checked:
        b.append(path("M3.5,8.5 L6.8,11.8 L12.5,4.5", "none", mark, 2.6,
                      'stroke-linecap="round"'))
    return svg(16, 16, "\n".join(b))


def radio_button(checked, disabled):
    frame = "#98A5B3" if disabled else NAVY
    fill = "#E5EAF0" if disabled else WHITE
    dot = "#98A5B3" if disabled else BLUE
    b = [circle(8, 8, 7.2, fill, frame, 1.2)]
    if checked:
        b.append(circle(8, 8, 3.6, dot))
    return svg(16, 16, "\n".join(b))


def edit_corner(cx, cy):
    return svg(8, 8, circle(cx, cy, 7, WHITE, NAVY, 2))


def edit_border(kind):
    navy = rgba(NAVY)
    white = rgba(WHITE)
    if kind == "L":
        return px_image(8, 1, [[navy, navy] + [white] * 6])
    if kind == "R":
        return px_image(8, 1, [[white] * 6 + [navy, navy]])
    if kind == "T":
        return px_image(1, 8, [[navy], [navy]] + [[white]] * 6)
    return px_image(1, 8, [[white]] * 6 + [[navy], [navy]])


def pictures():
    pics = {}
    pics["DefaultBackGround"] = Picture("DefaultBackGround", 800, 600, False, svg=default_background())
    pics["ExitButton"] = Picture("ExitButton", 21, 21, True, svg=exit_button())
    for base in BUTTON_ORDER:
        w, label, face, light, dark = BUTTONS[base]
        pics[base] = Picture(base, w, BUTTON_H, True, svg=button(w, label, face, light, dark, "normal"))
        pics[base + "Nuv"] = Picture(base + "Nuv", w, BUTTON_H, True,
                                     svg=button(w, label, face, light, dark, "hover"))
        pics[base + "Klick"] = Picture(base + "Klick", w, BUTTON_H, True,
                                       svg=button(w, label, face, light, dark, "pressed"))
    for name, (label, x, y) in KEY_PICTURES.items():
        pics[name] = Picture(name, 37, 25, False, svg=key_picture(label),
                             post=key_over_background(label, x, y))
    pics["SliderSliderVertical"] = Picture("SliderSliderVertical", 19, 10, True, svg=slider_thumb(19, 10, False))
    pics["SliderSliderVerticalHover"] = Picture("SliderSliderVerticalHover", 19, 10, True,
                                                svg=slider_thumb(19, 10, True))
    pics["SliderSliderHorizontal"] = Picture("SliderSliderHorizontal", 11, 20, True, svg=slider_thumb(11, 20, False))
    pics["SliderSliderHorizontalHover"] = Picture("SliderSliderHorizontalHover", 11, 20, True,
                                                  svg=slider_thumb(11, 20, True))
    row = scroll_slider_row()
    pics["ScrollSlider"] = Picture("ScrollSlider", 16, 2, False, pixels=px_image(16, 2, [row, row]))
    pics["ScrollSliderHorizontal"] = Picture("ScrollSliderHorizontal", 2, 16, False,
                                             pixels=px_image(2, 16, [[p, p] for p in row]))
    pics["ScrollBackground"] = Picture("ScrollBackground", 16, 16, False, pixels=scroll_background())
    pics["ScrollButtonUp"] = Picture("ScrollButtonUp", 16, 16, True, svg=scroll_button(True))
    pics["ScrollButtonDown"] = Picture("ScrollButtonDown", 16, 16, True, svg=scroll_button(False))
    for dis in (False, True):
        d = "Dis" if dis else ""
        pics[f"CheckBox{d}Unchecked"] = Picture(f"CheckBox{d}Unchecked", 16, 16, False, svg=check_box(False, dis))
        pics[f"CheckBox{d}Checked"] = Picture(f"CheckBox{d}Checked", 16, 16, False, svg=check_box(True, dis))
        pics[f"RadioButton{d}Unchecked"] = Picture(f"RadioButton{d}Unchecked", 16, 16, True,
                                                   svg=radio_button(False, dis))
        pics[f"RadioButton{d}Checked"] = Picture(f"RadioButton{d}Checked", 16, 16, True,
                                                 svg=radio_button(True, dis))
    pics["EditBarBackGround"] = Picture("EditBarBackGround", 1, 1, False, pixels=px_image(1, 1, [[rgba(WHITE)]]))
    pics["EditBarCornerLT"] = Picture("EditBarCornerLT", 8, 8, True, svg=edit_corner(8, 8))
    pics["EditBarCornerRT"] = Picture("EditBarCornerRT", 8, 8, True, svg=edit_corner(0, 8))
    pics["EditBarCornerLB"] = Picture("EditBarCornerLB", 8, 8, True, svg=edit_corner(8, 0))
    pics["EditBarCornerRB"] = Picture("EditBarCornerRB", 8, 8, True, svg=edit_corner(0, 0))
    pics["EditBarBorderL"] = Picture("EditBarBorderL", 8, 1, False, pixels=edit_border("L"))
    pics["EditBarBorderR"] = Picture("EditBarBorderR", 8, 1, False, pixels=edit_border("R"))
    pics["EditBarBorderT"] = Picture("EditBarBorderT", 1, 8, False, pixels=edit_border("T"))
    pics["EditBarBorderB"] = Picture("EditBarBorderB", 1, 8, False, pixels=edit_border("B"))
    pics["EditBarKaretka"] = Picture("EditBarKaretka", 1, 19, False,
                                     pixels=px_image(1, 19, [[(0, 0, 0, 255)]] * 19))
    pics["SelectionMask"] = Picture("SelectionMask", 1, 1, True,
                                    pixels=px_image(1, 1, [[(47, 127, 230, 100)]]))
    assert list(pics) != SKIN_ORDER or True
    assert sorted(pics) == sorted(SKIN_ORDER), set(SKIN_ORDER) ^ set(pics)
    return [pics[n] for n in SKIN_ORDER]
