"""One picture to make: its name, size, kind and how its pixels come about."""


class Picture:
    """name: the file stem (built-in name or resource number); folder: "builtin" or
    "resources"; alpha: True for an RGBA PNG, False for an opaque RGB PNG.

    The pixels come from an SVG drawing (svg, rendered with rsvg-convert) or are given
    directly (pixels: RGBA bytearray). post(buf, ctx) may then change them; ctx.pixels(name)
    gives the final pixels of a picture made earlier.
    An opaque picture must come out fully opaque, unless backdrop (#RRGGBB) says what to
    put behind it."""

    def __init__(self, name, width, height, alpha, svg=None, pixels=None, post=None,
                 folder="builtin", backdrop=None):
        assert (svg is None) != (pixels is None), name
        self.name = name
        self.width = width
        self.height = height
        self.alpha = alpha
        self.svg = svg
        self.pixels = pixels
        self.post = post
        self.folder = folder
        self.backdrop = backdrop
