#!/usr/bin/env python3
"""Makes every picture of the program from the generators in this folder.

    python3 make.py MEDIA_DIR [WORK_DIR]

Writes MEDIA_DIR/builtin/<name>.png and MEDIA_DIR/resources/<number>.png. The SVG drawings
are written to WORK_DIR (a temporary folder when not given) and rendered there with
rsvg-convert; the PNG files are then written by pngio (IHDR, IDAT, IEND only), so the
same sources always give the same bytes. Ends with the checks of check.py.
"""

import os
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import pngio  # noqa: E402
import check  # noqa: E402
import skin  # noqa: E402
import scene  # noqa: E402
import hints  # noqa: E402
import extras  # noqa: E402


class Context:
    def __init__(self):
        self.made = {}

    def pixels(self, name):
        return self.made[name]


def all_pictures():
    return skin.pictures() + scene.pictures() + hints.pictures() + extras.pictures()


def render_svg(pic, work):
    src = os.path.join(work, pic.folder + "_" + pic.name + ".svg")
    out = os.path.join(work, pic.folder + "_" + pic.name + ".rsvg.png")
    with open(src, "w", encoding="utf-8") as f:
        f.write(pic.svg)
    subprocess.run(["rsvg-convert", "--width", str(pic.width), "--height", str(pic.height),
                    "--format", "png", "--output", out, src], check=True)
    w, h, buf = pngio.read_png(out)
    if (w, h) != (pic.width, pic.height):
        raise SystemExit(f"{pic.name}: rsvg-convert made {w}x{h}, wanted {pic.width}x{pic.height}")
    return buf


def flatten(pic, buf):
    if all(a == 255 for a in buf[3::4]):
        return buf
    if pic.backdrop is None:
        n = sum(1 for a in buf[3::4] if a != 255)
        raise SystemExit(f"{pic.name}: opaque picture has {n} pixels that are not opaque")
    from common import hexrgb, blank, over
    return over(blank(pic.width, pic.height, hexrgb(pic.backdrop) + (255,)), buf)


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    media = os.path.abspath(sys.argv[1])
    work = sys.argv[2] if len(sys.argv) > 2 else tempfile.mkdtemp(prefix="pictures-")
    os.makedirs(work, exist_ok=True)
    ctx = Context()
    pics = all_pictures()
    names = [(p.folder, p.name) for p in pics]
    dup = {n for n in names if names.count(n) > 1}
    if dup:
        raise SystemExit(f"pictures made twice: {sorted(dup)}")
    written = []
    for pic in pics:
        buf = render_svg(pic, work) if pic.svg is not None else bytearray(pic.pixels)
        if pic.post is not None:
            buf = pic.post(buf, ctx)
        if not pic.alpha:
            buf = flatten(pic, buf)
        assert len(buf) == pic.width * pic.height * 4, pic.name
        ctx.made[pic.name] = buf
        folder = os.path.join(media, pic.folder)
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, pic.name + ".png")
        pngio.write_png(path, pic.width, pic.height, buf, pic.alpha)
        written.append(path)
        print(f"  {pic.folder}/{pic.name}.png  {pic.width}x{pic.height} {'RGBA' if pic.alpha else 'RGB'}")
    problems = check.check_all(media, pics)
    for p in problems:
        print("PROBLEM:", p, file=sys.stderr)
    print(f"{len(written)} pictures written, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
