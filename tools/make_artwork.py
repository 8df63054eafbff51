#!/usr/bin/python3
"""Draws the artwork of ldsetup.exe into resources/.

Writes every bitmap as an uncompressed 24-bit BMP (BITMAPINFOHEADER, bottom-up
rows) at the size the program expects, and the application icon ldsetup.ico
(16x16, 32x32 and 48x48, 32-bit with alpha). The output is committed, so a
build never needs this script; run it again only to change the pictures:

    /usr/bin/python3 tools/make_artwork.py [output folder]

Needs Debian's python3-pil and fonts-dejavu-core (tools/install-deps.sh).
The drawing uses no randomness, so a second run gives the same files.
"""

import math
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/dejavu"
FONT_REGULAR = os.path.join(FONT_DIR, "DejaVuSans.ttf")
FONT_BOLD = os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf")

SUPERSAMPLE = 4  # shapes are drawn this many times larger, then averaged down

# Palette (red, green, blue).
NAVY_DARK = (9, 28, 58)
NAVY = (16, 56, 110)
BLUE = (33, 102, 184)
BLUE_LIGHT = (92, 156, 226)
SKY = (196, 218, 242)
AMBER = (246, 182, 56)
INK = (22, 52, 92)
INK_SOFT = (84, 106, 134)
WHITE = (255, 255, 255)

ICON_KEY = (1, 1, 1)  # transparent colour of the button icons
FRAME_KEY = (255, 255, 255)  # transparent colour of the animation frames


# --------------------------------------------------------------------------
# File writers


def write_bmp24(path, image):
    """Uncompressed 24-bit BMP, BITMAPINFOHEADER, bottom-up, rows padded to 4."""
    image = image.convert("RGB")
    width, height = image.size
    stride = (width * 3 + 3) & ~3
    pixels = image.load()
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixels[x, y]
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    bits = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(bits), 0, 0, 14 + len(info))
    with open(path, "wb") as out:
        out.write(header + info + bits)


def icon_entry_bits(image):
    """One icon image in the classic DIB form: BGRA rows bottom-up plus the AND mask."""
    image = image.convert("RGBA")
    size = image.size[0]
    pixels = image.load()
    colour = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            r, g, b, a = pixels[x, y]
            colour += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(size):
            if pixels[x, y][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return info + bytes(colour) + bytes(mask)


def write_ico(path, images):
    entries = [icon_entry_bits(image) for image in images]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for image, bits in zip(images, entries):
        size = image.size[0]
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(bits), offset)
        offset += len(bits)
    with open(path, "wb") as out:
        out.write(directory + b"".join(entries))


# --------------------------------------------------------------------------
# Drawing helpers


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def ramp(stops, t):
    """Colour at t on a piecewise linear ramp of (position, colour) stops."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return mix(c0, c1, (t - p0) / (p1 - p0) if p1 > p0 else 1.0)
    return stops[-1][1]


def gradient(width, height, stops, fx, fy):
    """Linear gradient; the ramp position of (x, y) is fx * x / width + fy * y / height."""
    image = Image.new("RGB", (width, height))
    data = []
    span = abs(fx) + abs(fy)
    base = (-fx if fx < 0 else 0) + (-fy if fy < 0 else 0)
    for y in range(height):
        for x in range(width):
            t = (fx * x / max(1, width - 1) + fy * y / max(1, height - 1) + base) / span
            data.append(ramp(stops, t))
    image.putdata(data)
    return image


class Coverage:
    """A supersampled grey mask: draw shapes at SUPERSAMPLE scale, read them back averaged."""

    def __init__(self, size, scale=SUPERSAMPLE):
        self.scale = scale
        self.size = size
        self.mask = Image.new("L", (size[0] * scale, size[1] * scale), 0)
        self.draw = ImageDraw.Draw(self.mask)

    def box(self, x0, y0, x1, y1):
        s = self.scale
        return [x0 * s, y0 * s, x1 * s - 1, y1 * s - 1]

    def ellipse(self, cx, cy, r, fill=255):
        self.draw.ellipse(self.box(cx - r, cy - r, cx + r, cy + r), fill=fill)

    def ring(self, cx, cy, r, width, fill=255):
        s = self.scale
        self.draw.ellipse(self.box(cx - r, cy - r, cx + r, cy + r), outline=fill, width=max(1, int(width * s)))

    def rounded(self, x0, y0, x1, y1, radius, fill=255):
        self.draw.rounded_rectangle(self.box(x0, y0, x1, y1), radius=radius * self.scale, fill=fill)

    def polygon(self, points, fill=255):
        s = self.scale
        self.draw.polygon([(x * s, y * s) for x, y in points], fill=fill)

    def line(self, points, width, fill=255):
        s = self.scale
        self.draw.line([(x * s, y * s) for x, y in points], fill=fill, width=int(width * s), joint="curve")
        for x, y in (points[0], points[-1]):  # round caps
            r = width * s / 2
            self.draw.ellipse([x * s - r, y * s - r, x * s + r, y * s + r], fill=fill)

    def result(self):
        return self.mask.resize(self.size, Image.BOX)


def paint(base, colour_or_image, mask, opacity=1.0):
    """Blend a solid colour (or an image of base's size) onto base through mask."""
    if opacity < 1.0:
        mask = mask.point(lambda v: int(v * opacity + 0.5))
    if isinstance(colour_or_image, tuple):
        layer = Image.new("RGB", base.size, colour_or_image)
    else:
        layer = colour_or_image
    base.paste(layer, (0, 0), mask)


def font(path, size):
    return ImageFont.truetype(path, size)


def text_width(draw, text, face):
    return draw.textlength(text, font=face)


# --------------------------------------------------------------------------
# The product mark: a blue rounded square with a white "L" and an amber spark


def draw_mark(size, glyph_colour=WHITE):
    """The mark as an RGBA image of size x size (alpha outside the square)."""
    s = 8  # heavy supersampling: the mark is also drawn at 16 x 16
    big = size * s
    fill = gradient(big, big, [(0.0, (48, 132, 232)), (1.0, (12, 52, 112))], 1, 1)
    square = Image.new("L", (big, big), 0)
    ImageDraw.Draw(square).rounded_rectangle([0, 0, big - 1, big - 1], radius=big * 0.22, fill=255)

    # A soft sheen across the upper half.
    sheen = Image.new("L", (big, big), 0)
    ImageDraw.Draw(sheen).ellipse([-big * 0.6, -big * 1.05, big * 1.5, big * 0.42], fill=38)
    fill.paste(Image.new("RGB", (big, big), WHITE), (0, 0), sheen)

    glyph = Image.new("L", (big, big), 0)
    g = ImageDraw.Draw(glyph)
    u = big / 32.0
    g.rounded_rectangle([9 * u, 6.5 * u, 14.5 * u, 25.5 * u], radius=1.6 * u, fill=255)
    g.rounded_rectangle([9 * u, 20 * u, 23.5 * u, 25.5 * u], radius=1.6 * u, fill=255)
    fill.paste(Image.new("RGB", (big, big), glyph_colour), (0, 0), glyph)
    spark = Image.new("L", (big, big), 0)
    ImageDraw.Draw(spark).rounded_rectangle([18 * u, 8 * u, 23.5 * u, 13.5 * u], radius=1.4 * u, fill=255)
    fill.paste(Image.new("RGB", (big, big), AMBER), (0, 0), spark)

    rgba = fill.convert("RGBA")
    rgba.putalpha(square)
    return rgba.convert("RGBa").resize((size, size), Image.BOX).convert("RGBA")


def place_mark(base, x, y, size):
    mark = draw_mark(size)
    base.paste(mark.convert("RGB"), (x, y), mark.getchannel("A"))


def soft_shadow(base, box, radius, strength, blur_steps=6):
    """A faint drop shadow under a rounded box, built from widening translucent rings."""
    x0, y0, x1, y1 = box
    for i in range(blur_steps, 0, -1):
        cov = Coverage(base.size)
        cov.rounded(x0 - i + 1, y0 - i + 3, x1 + i - 1, y1 + i + 1, radius + i)
        paint(base, (0, 0, 0), cov.result(), strength / blur_steps)


# --------------------------------------------------------------------------
# Splash: LDSETUP, 641 x 352

RING_X, RING_Y, RING_R = 548, 146, 124  # the ring of dots on the right


def make_splash():
    w, h = 641, 352
    img = gradient(w, h, [(0.0, (20, 74, 140)), (0.55, (12, 44, 92)), (1.0, NAVY_DARK)], 0.45, 1.0)

    # Broad translucent discs and rings on the right: depth without clutter.
    for cx, cy, r, alpha in ((560, 60, 230, 0.07), (640, 300, 170, 0.06), (470, 330, 120, 0.05)):
        cov = Coverage((w, h), 2)
        cov.ellipse(cx, cy, r)
        paint(img, BLUE_LIGHT, cov.result(), alpha)
    for cx, cy, r, width, alpha in ((RING_X, RING_Y, RING_R, 1.2, 0.22), (RING_X, RING_Y, RING_R - 36, 1.0, 0.14),
                                    (RING_X, RING_Y, RING_R + 36, 1.0, 0.10)):
        cov = Coverage((w, h))
        cov.ring(cx, cy, r, width)
        paint(img, SKY, cov.result(), alpha)
    # Seven dots on the middle ring, echoing the wait animation.
    for i in range(7):
        a = math.radians(-90 + i * 360 / 7)
        cov = Coverage((w, h))
        cov.ellipse(RING_X + RING_R * math.cos(a), RING_Y + RING_R * math.sin(a), 4.5 - i * 0.35)
        paint(img, AMBER if i == 0 else SKY, cov.result(), 0.9 - i * 0.1)

    # A light diagonal band.
    cov = Coverage((w, h), 2)
    cov.polygon([(250, 0), (330, 0), (150, h), (70, h)])
    paint(img, WHITE, cov.result(), 0.035)

    # Bottom strip.
    strip = gradient(w, 44, [(0.0, (7, 22, 46)), (1.0, (10, 30, 60))], 1, 0)
    img.paste(strip, (0, h - 44))
    cov = Coverage((w, h))
    cov.rounded(0, h - 45, w, h - 44, 0)
    paint(img, AMBER, cov.result(), 0.85)

    # Mark, name, version, subtitle.
    soft_shadow(img, (56, 92, 152, 188), 21, 0.35)
    place_mark(img, 56, 92, 96)
    d = ImageDraw.Draw(img)
    title = font(FONT_BOLD, 66)
    d.text((178, 78), "Ludra", font=title, fill=WHITE)
    vx = 178 + text_width(d, "Ludra", title) + 16
    d.text((vx, 78), "4.7", font=title, fill=AMBER)
    d.text((182, 160), "Programma di installazione", font=font(FONT_REGULAR, 21), fill=SKY)
    cov = Coverage((w, h))
    cov.rounded(182, 198, 262, 201, 1.5)
    paint(img, AMBER, cov.result())

    small = font(FONT_REGULAR, 11)
    d.text((24, h - 28), "Copyright \u00a9 Ludra. Tutti i diritti riservati.", font=small, fill=(150, 174, 206))
    label = "Versione 4.7"
    d.text((w - 24 - text_width(d, label, small), h - 28), label, font=small, fill=(150, 174, 206))
    return img


# --------------------------------------------------------------------------
# Setup dialog background: SFONDO, 380 x 200 (the client shows about 376 x 167)

FOLDER_EDIT = (88, 70, 313, 89)  # where the folder field lies, in pixels
HEADER_HEIGHT = 42


def make_dialog_background():
    w, h = 380, 200
    body = gradient(w, h, [(0.0, (250, 252, 254)), (1.0, (228, 236, 246))], 0, 1)
    img = body.copy()

    header = gradient(w, HEADER_HEIGHT, [(0.0, (14, 50, 100)), (1.0, (30, 96, 170))], 1, 0.4)
    img.paste(header, (0, 0))
    for cx, cy, r, width, alpha in ((340, 20, 44, 1.0, 0.22), (340, 20, 62, 1.0, 0.12), (340, 20, 26, 1.0, 0.16)):
        cov = Coverage((w, h))
        cov.ring(cx, cy, r, width)
        paint(img, SKY, cov.result(), alpha)
    # Keep the rings inside the header band.
    img.paste(body.crop((0, HEADER_HEIGHT, w, h)), (0, HEADER_HEIGHT))
    cov = Coverage((w, h))
    cov.rounded(0, HEADER_HEIGHT, w, HEADER_HEIGHT + 2, 0)
    paint(img, AMBER, cov.result())

    place_mark(img, 12, 7, 28)
    d = ImageDraw.Draw(img)
    title = font(FONT_BOLD, 19)
    d.text((50, 9), "Ludra", font=title, fill=WHITE)
    d.text((50 + text_width(d, "Ludra ", title), 9), "4.7", font=title, fill=AMBER)
    d.text((50 + text_width(d, "Ludra 4.7", title) + 12, 15), "Installazione", font=font(FONT_REGULAR, 12),
           fill=SKY)

    # Prompt above the folder field, a hint below it.
    x0, y0, x1, y1 = FOLDER_EDIT
    cov = Coverage((w, h))
    cov.rounded(x0 - 26, y0 - 18, x0 - 10, y0 - 4, 2.5)
    paint(img, (220, 230, 242), cov.result())
    draw_folder_glyph(img, x0 - 25, y0 - 17)
    d.text((x0, y0 - 19), "Cartella di installazione:", font=font(FONT_BOLD, 12), fill=INK)
    d.text((x0, y1 + 5), "Indicare una cartella non ancora esistente.", font=font(FONT_REGULAR, 10),
           fill=INK_SOFT)

    # A quiet rule above the buttons.
    for y, colour in ((124, (200, 213, 229)), (125, WHITE)):
        d.line([(14, y), (362, y)], fill=colour)
    return img


def draw_folder_glyph(img, x, y):
    """A 14 x 12 folder drawn in the ink colour."""
    cov = Coverage(img.size)
    cov.rounded(x + 1.5, y + 2, x + 7.5, y + 5, 1)
    cov.rounded(x + 1.5, y + 3.5, x + 13, y + 12, 1.2)
    paint(img, (232, 170, 48), cov.result())
    cov = Coverage(img.size)
    cov.rounded(x + 1.5, y + 5.5, x + 13, y + 12, 1.2)
    paint(img, (250, 204, 92), cov.result())


# --------------------------------------------------------------------------
# Button skins: BUTTONUP and BUTTONDW, 10 x 22, stretched to the whole button


def make_button_skin(pressed):
    w, h = 10, 22
    if pressed:
        stops = [(0.0, (196, 210, 228)), (0.5, (212, 224, 238)), (1.0, (228, 236, 246))]
        top, bottom = (150, 168, 192), (236, 242, 250)
    else:
        stops = [(0.0, (252, 253, 255)), (0.48, (238, 243, 249)), (0.52, (228, 235, 244)), (1.0, (214, 224, 237))]
        top, bottom = (250, 252, 255), (160, 178, 202)
    img = gradient(w, h, stops, 0, 1)
    d = ImageDraw.Draw(img)
    d.line([(0, 0), (w - 1, 0)], fill=top)
    d.line([(0, h - 1), (w - 1, h - 1)], fill=bottom)
    if pressed:
        d.line([(0, 1), (w - 1, 1)], fill=(182, 198, 218))
    return img


# --------------------------------------------------------------------------
# Button icons: ICOB002, ICOB011, ICOB014, 20 x 20 on the key colour


def button_face_colour(y):
    """Colour of the normal skin under icon row y (icons are drawn at (2, 1))."""
    skin = make_button_skin(False)
    return skin.getpixel((5, min(21, y + 1)))


def finish_icon(colour, coverage):
    """Put a drawn icon on the key colour.

    Edge pixels are blended with the button face they will sit on, fully
    transparent pixels become the key, and no drawn pixel may equal the key.
    """
    size = colour.size
    out = Image.new("RGB", size, ICON_KEY)
    cp, ap, op = colour.load(), coverage.load(), out.load()
    for y in range(size[1]):
        face = button_face_colour(y)
        for x in range(size[0]):
            a = ap[x, y]
            if a < 24:
                continue
            px = mix(face, cp[x, y], a / 255.0)
            if px == ICON_KEY:
                px = (0, 0, 0)
            op[x, y] = px
    return out


def icon_disc(body_top, body_bottom, octagon=False):
    """A glossy disc (or octagon) with a black rim: returns (colour, coverage) at 20 x 20."""
    size = (20, 20)
    s = SUPERSAMPLE
    colour = gradient(20 * s, 20 * s, [(0.0, body_top), (1.0, body_bottom)], 0, 1)
    shape = Coverage(size)
    inner = Coverage(size)
    if octagon:
        # Flat sides on pixel edges (1 and 19), so the rim is a crisp black line.
        shape.polygon(octagon_points(10, 10, 9.0 / math.cos(math.radians(22.5))))
        inner.polygon(octagon_points(10, 10, 7.9 / math.cos(math.radians(22.5))))
    else:
        shape.ellipse(10, 10, 9.0)
        inner.ellipse(10, 10, 7.9)
    # Black rim: the outer ring is black, the inside the body colour.
    rim = Image.new("RGB", colour.size, (0, 0, 0))
    rim.paste(colour, (0, 0), inner.mask)
    sheen = Coverage(size)
    sheen.ellipse(10, 5.2, 6.2)
    sheen_mask = Image.composite(sheen.mask, Image.new("L", sheen.mask.size, 0), inner.mask)
    rim.paste(Image.new("RGB", rim.size, WHITE), (0, 0), sheen_mask.point(lambda v: v * 50 // 255))
    return rim, shape


def octagon_points(cx, cy, r):
    return [(cx + r * math.cos(math.radians(22.5 + 45 * i)), cy + r * math.sin(math.radians(22.5 + 45 * i)))
            for i in range(8)]


def stamp(colour, cov, fill):
    colour.paste(Image.new("RGB", colour.size, fill), (0, 0), cov.mask)


def make_icon_confirm():
    colour, shape = icon_disc((96, 200, 110), (22, 128, 52))
    mark = Coverage((20, 20))
    mark.line([(5.4, 10.4), (8.6, 13.6), (14.6, 6.6)], 2.6)
    stamp(colour, mark, WHITE)
    return finish_icon(colour.resize((20, 20), Image.BOX), shape.result())


def make_icon_cancel():
    colour, shape = icon_disc((240, 96, 88), (176, 28, 28))
    cross = Coverage((20, 20))
    cross.line([(6.4, 6.4), (13.6, 13.6)], 2.5)
    cross.line([(13.6, 6.4), (6.4, 13.6)], 2.5)
    stamp(colour, cross, WHITE)
    return finish_icon(colour.resize((20, 20), Image.BOX), shape.result())


def make_icon_stop():
    colour, shape = icon_disc((236, 84, 60), (168, 20, 20), octagon=True)
    bar = Coverage((20, 20))
    bar.rounded(4.6, 8.4, 15.4, 11.6, 1.2)
    stamp(colour, bar, WHITE)
    return finish_icon(colour.resize((20, 20), Image.BOX), shape.result())


# --------------------------------------------------------------------------
# Wait animation: IMG1 to IMG8, 130 x 130 on white

FRAME_SIZE = 130
SPIN_CENTRE = (62, 63)  # the control shows about 124 x 128 pixels from the top left
SPIN_RADIUS = 44
SPIN_DOTS = 7  # the loop has seven frames, one step per dot


def make_frame(index):
    """Frame index (0-based): the brightest dot advances one place per frame. The eighth frame,
    which the animation defines but never reaches, shows every dot alike, so a test can tell it
    from the others by its pixels."""
    w = h = FRAME_SIZE
    s = SUPERSAMPLE
    cx, cy = SPIN_CENTRE
    img = Image.new("RGB", (w * s, h * s), FRAME_KEY)

    track = Coverage((w, h))
    track.ring(cx, cy, SPIN_RADIUS, 1.4)
    img.paste(Image.new("RGB", img.size, (226, 234, 244)), (0, 0), track.mask)

    lead = index % SPIN_DOTS
    settled = index >= SPIN_DOTS
    for i in range(SPIN_DOTS):
        age = (lead - i) % SPIN_DOTS  # 0 = the leading dot, larger = further behind
        if settled:
            age = SPIN_DOTS // 2
        a = math.radians(-90 + i * 360.0 / SPIN_DOTS)
        dot = Coverage((w, h))
        dot.ellipse(cx + SPIN_RADIUS * math.cos(a), cy + SPIN_RADIUS * math.sin(a), 12.5 - age * 1.15)
        tone = ramp([(0.0, (20, 84, 168)), (0.35, BLUE_LIGHT), (1.0, (208, 222, 240))], age / (SPIN_DOTS - 1))
        img.paste(Image.new("RGB", img.size, tone), (0, 0), dot.mask)
        if age == 0:
            glint = Coverage((w, h))
            glint.ellipse(cx + SPIN_RADIUS * math.cos(a) - 3, cy + SPIN_RADIUS * math.sin(a) - 3.5, 3.2)
            img.paste(Image.new("RGB", img.size, (120, 176, 238)), (0, 0), glint.mask)

    frame = img.resize((w, h), Image.BOX)
    mark = draw_mark(40, glyph_colour=(244, 248, 253))  # pure white would be see-through
    frame.paste(mark.convert("RGB"), (cx - 20, cy - 20), mark.getchannel("A"))
    return keep_key_outside(frame)


def keep_key_outside(frame):
    """Pure white is transparent: only untouched background may be pure white."""
    px = frame.load()
    for y in range(frame.size[1]):
        for x in range(frame.size[0]):
            if px[x, y] != FRAME_KEY and min(px[x, y]) >= 253:
                px[x, y] = FRAME_KEY  # nearly invisible fringe: let it be background
    return frame


# --------------------------------------------------------------------------
# Status bar pattern: BRUSHSTATUS, 8 x 8, diagonal stripes that tile


def make_status_pattern():
    img = Image.new("RGB", (8, 8))
    # One period of the stripe along x + y (period 8, so the tile repeats seamlessly).
    tones = [(38, 104, 196), (38, 104, 196), (46, 116, 208), (74, 146, 226),
             (96, 166, 238), (96, 166, 238), (74, 146, 226), (46, 116, 208)]
    for y in range(8):
        for x in range(8):
            img.putpixel((x, y), tones[(x + y) % 8])
    return img


# --------------------------------------------------------------------------


def check_icon(name, image):
    """The corners must be the key, and the black outline must be there (black stays opaque)."""
    colours = [c for _, c in image.getcolors(400)]
    corners = [image.getpixel(p) for p in ((0, 0), (19, 0), (0, 19), (19, 19))]
    assert all(c == ICON_KEY for c in corners), name
    assert (0, 0, 0) in colours, name


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources")
    out = os.path.normpath(out)

    def save(name, image, size):
        assert image.size == size, (name, image.size)
        write_bmp24(os.path.join(out, name), image)

    save("ldsetup.bmp", make_splash(), (641, 352))
    save("sfondo.bmp", make_dialog_background(), (380, 200))
    save("buttonup.bmp", make_button_skin(False), (10, 22))
    save("buttondw.bmp", make_button_skin(True), (10, 22))
    for name, make in (("icob002", make_icon_cancel), ("icob011", make_icon_confirm), ("icob014", make_icon_stop)):
        icon = make()
        check_icon(name, icon)
        save(name + ".bmp", icon, (20, 20))
    for i in range(8):
        save("img%d.bmp" % (i + 1), make_frame(i), (FRAME_SIZE, FRAME_SIZE))
    save("brushstatus.bmp", make_status_pattern(), (8, 8))
    write_ico(os.path.join(out, "ldsetup.ico"), [draw_mark(size) for size in (16, 32, 48)])
    print("artwork written to", out)


if __name__ == "__main__":
    main()
