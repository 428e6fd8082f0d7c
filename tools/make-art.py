#!/usr/bin/env python3
"""Draws Wayfold's own pictures and writes them as the resource files the
build takes: the four button pictures of the top bar at 16, 24 and 32
pixels, the bars' background, and the header's sort arrows at 8, 12 and 16
pixels. The files are kept in the repository; run this only to change them.

    tools/make-art.py [--preview FILE.png]

Shapes are laid out on a unit square and sampled 8 x 8 times per pixel, so
every size is drawn from the same description rather than scaled from a
small one. --preview writes all pictures, enlarged, on the bar's colours.
"""
import math
import os
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
APP_RES = os.path.join(ROOT, "app", "res")
LIST_RES = os.path.join(ROOT, "shell", "list", "res")
BUTTON_SIZES = (16, 24, 32)
ARROW_SIZES = (8, 12, 16)
SAMPLES = 8
# The new-folder picture is a plain bitmap: this colour, which its bottom-left
# pixel has, is left out when it is drawn.
KEY = (255, 0, 255)


# --- Shapes: each answers whether a point of the unit square is inside ----

def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) <= width / 2


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def segment(x0, y0, x1, y1, width):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= width / 2
    return inside


def ellipse_outline(cx, cy, rx, ry, width):
    def inside(x, y):
        # Distance to the ellipse, near enough for thin lines.
        nx, ny = (x - cx) / rx, (y - cy) / ry
        d = math.hypot(nx, ny)
        if d == 0:
            return False
        scale = math.hypot(nx / rx, ny / ry) / d
        return abs(d - 1) / scale <= width / 2
    return inside


def star(cx, cy, outer, inner, points=5):
    corners = []
    for i in range(points * 2):
        angle = -math.pi / 2 + i * math.pi / points
        r = outer if i % 2 == 0 else inner
        corners.append((cx + r * math.cos(angle), cy + r * math.sin(angle)))
    return polygon(corners)


def both(a, b):
    return lambda x, y: a(x, y) and b(x, y)


def grown(points, by):
    """The polygon moved out from its centre by `by`, for outlines."""
    cx = sum(p[0] for p in points) / len(points)
    cy = sum(p[1] for p in points) / len(points)
    result = []
    for x, y in points:
        d = math.hypot(x - cx, y - cy) or 1
        result.append((x + (x - cx) / d * by, y + (y - cy) / d * by))
    return result


# --- Pictures: layers of (shape, colour), later layers on top ---------------

OUTLINE = 0.07


def globe():
    c, r = 0.5, 0.43
    sea = (226, 242, 255)
    line = (36, 104, 186)
    dark = (16, 44, 96)
    inside = circle(c, c, r - OUTLINE / 2)
    return [
        (circle(c, c, r + OUTLINE / 2), dark),
        (inside, sea),
        (both(inside, segment(c - r, c, c + r, c, 0.06)), line),
        (both(inside, segment(c - r, c - 0.21, c + r, c - 0.21, 0.05)), line),
        (both(inside, segment(c - r, c + 0.21, c + r, c + 0.21, 0.05)), line),
        (both(inside, segment(c, c - r, c, c + r, 0.06)), line),
        (both(inside, ellipse_outline(c, c, 0.2, r, 0.06)), line),
        (ring(c, c, r, OUTLINE), dark),
    ]


FOLDER_BACK = [(0.06, 0.2), (0.4, 0.2), (0.48, 0.3), (0.94, 0.3), (0.94, 0.86), (0.06, 0.86)]
FOLDER_FRONT = [(0.06, 0.4), (0.94, 0.4), (0.94, 0.86), (0.06, 0.86)]


def folder():
    edge = (138, 92, 14)
    return [
        (polygon(grown(FOLDER_BACK, OUTLINE)), edge),
        (polygon(FOLDER_BACK), (232, 176, 52)),
        (polygon(grown(FOLDER_FRONT, OUTLINE * 0.8)), edge),
        (polygon(FOLDER_FRONT), (255, 214, 96)),
    ]


def root_folder():
    roof = [(0.44, 0.62), (0.72, 0.36), (1.0, 0.62)]
    body = [(0.52, 0.6), (0.92, 0.6), (0.92, 0.98), (0.52, 0.98)]
    edge = (70, 24, 16)
    return folder() + [
        (polygon(grown(body, 0.06)), edge),
        (polygon(body), (255, 255, 255)),
        (rect(0.66, 0.76, 0.78, 0.98), (150, 84, 40)),
        (polygon(grown(roof, 0.07)), edge),
        (polygon(roof), (214, 44, 32)),
    ]


def new_folder():
    return folder() + [
        (star(0.74, 0.3, 0.3, 0.13), (176, 88, 0)),
        (star(0.74, 0.3, 0.23, 0.1), (255, 244, 120)),
    ]


def exit_cross():
    return [
        (rounded_rect(0.04, 0.04, 0.96, 0.96, 0.2), (120, 12, 12)),
        (rounded_rect(0.1, 0.1, 0.9, 0.9, 0.15), (214, 34, 30)),
        (segment(0.3, 0.3, 0.7, 0.7, 0.16), (255, 255, 255)),
        (segment(0.7, 0.3, 0.3, 0.7, 0.16), (255, 255, 255)),
    ]


def render(layers, size):
    """Rows of (r, g, b, a) pixels, top row first; alpha from coverage."""
    pixels = []
    step = 1.0 / (size * SAMPLES)
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px * SAMPLES + sx + 0.5) * step
                    y = (py * SAMPLES + sy + 0.5) * step
                    colour = None
                    for shape, c in layers:
                        if shape(x, y):
                            colour = c
                    if colour:
                        r += colour[0]
                        g += colour[1]
                        b += colour[2]
                        a += 1
            n = SAMPLES * SAMPLES
            if a:
                row.append((round(r / a), round(g / a), round(b / a), round(255 * a / n)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


# --- File formats -------------------------------------------------------------

def bmp_24(rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        data += line + bytes(stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(data), 0, 0, 14 + len(header)) + header + data


def bmp_8(rows, palette):
    height, width = len(rows), len(rows[0])
    stride = (width + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        data += bytes(row) + bytes(stride - width)
    colours = bytearray()
    for r, g, b in palette + [(0, 0, 0)] * (256 - len(palette)):
        colours += bytes((b, g, r, 0))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(data), 0, 0, 0, 0)
    offset = 14 + len(header) + len(colours)
    return struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset) + header + colours + data


def icon(images):
    """An icon file of 32-bit images with alpha, one per size."""
    entries = bytearray()
    blobs = bytearray()
    offset = 6 + 16 * len(images)
    for rows in images:
        size = len(rows)
        xor = bytearray()
        for row in reversed(rows):
            for r, g, b, a in row:
                xor += bytes((b, g, r, a))
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(rows):
            bits = bytearray(mask_stride)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = header + xor + mask
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + entries + blobs


def png(rows):
    height, width = len(rows), len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for r, g, b in row:
            raw += bytes((r, g, b))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# --- The pictures ---------------------------------------------------------------

BAR_TOP, BAR_LIGHT, BAR_BOTTOM = (111, 162, 224), (164, 207, 242), (16, 103, 190)
BAR_LIGHT_ROW, BAR_ROWS, BAR_WIDTH = 5, 23, 331


def bar_colour(y):
    """Linear per channel from row 0 to row 5, then to row 22, rounded."""
    if y <= BAR_LIGHT_ROW:
        a, b, t = BAR_TOP, BAR_LIGHT, y / BAR_LIGHT_ROW
    else:
        a, b, t = BAR_LIGHT, BAR_BOTTOM, (y - BAR_LIGHT_ROW) / (BAR_ROWS - 1 - BAR_LIGHT_ROW)
    return tuple(int(math.floor(a[i] + (b[i] - a[i]) * t + 0.5)) for i in range(3))


def keyed(rows, behind):
    """Opaque pixels for a plain bitmap: what is mostly shape stays, its edge
    blended with the bar's middle colour; the rest is the key colour."""
    out = []
    for row in rows:
        line = []
        for r, g, b, a in row:
            if a < 128:
                line.append(KEY)
            else:
                t = a / 255
                line.append(tuple(round(c * t + k * (1 - t)) for c, k in zip((r, g, b), behind)))
        out.append(line)
    # The bottom-left pixel names the key colour to whoever draws the picture.
    out[-1][0] = KEY
    return out


def arrow(size, up):
    rows = [[0] * size for _ in range(size)]
    half = size // 2
    first = size // 8
    for i in range(half):
        y = first + i if up else first + half - 1 - i
        width = 2 * (i + 1)
        x0 = (size - width) // 2
        for x in range(x0, x0 + width):
            rows[y][x] = 1
    return rows


def write_preview(path, drawn):
    """Each picture enlarged six times at each size, then all at their own
    size on a strip of the bar, as the window shows them."""
    scale = 6
    names = ("Web", "Root", "NewFolder", "Exit")
    column = sum(BUTTON_SIZES) * scale + 8 * len(BUTTON_SIZES)
    width = column + 16
    height = len(names) * (max(BUTTON_SIZES) * scale + 8) + BAR_ROWS + 16
    canvas = [[bar_colour(min(BAR_ROWS - 1, y * BAR_ROWS // height))] * width for y in range(height)]

    def put(rows, left, top, factor, bar_row=None):
        for py in range(len(rows) * factor):
            for px in range(len(rows) * factor):
                r, g, b, a = rows[py // factor][px // factor]
                if a == 0 or (r, g, b) == KEY:
                    continue
                under = canvas[top + py][left + px] if bar_row is None else bar_colour(bar_row + py)
                canvas[top + py][left + px] = tuple(
                    round(c * a / 255 + u * (1 - a / 255)) for c, u in zip((r, g, b), under))

    for n, name in enumerate(names):
        left = 8
        for rows in drawn[name]:
            put(rows, left, 8 + n * (max(BUTTON_SIZES) * scale + 8), scale)
            left += len(rows) * scale + 8
    strip = height - BAR_ROWS
    for y in range(BAR_ROWS):
        canvas[strip + y] = [bar_colour(y)] * width
    for n, name in enumerate(names):
        put(drawn[name][0], 8 + 25 * n, strip + 3, 1, bar_row=3)
    with open(path, "wb") as f:
        f.write(png(canvas))


def main(argv):
    preview = None
    if len(argv) == 2 and argv[0] == "--preview":
        preview = argv[1]
    elif argv:
        sys.exit(__doc__)

    pictures = {"Web": globe(), "Root": root_folder(), "Exit": exit_cross()}
    drawn = {}
    for name, layers in pictures.items():
        images = [render(layers, size) for size in BUTTON_SIZES]
        drawn[name] = images
        with open(os.path.join(APP_RES, "Button%s.ico" % name), "wb") as f:
            f.write(icon(images))
    middle = bar_colour(BAR_ROWS // 2)
    drawn["NewFolder"] = []
    for size in BUTTON_SIZES:
        rows = keyed(render(new_folder(), size), middle)
        drawn["NewFolder"].append([[c + (255,) for c in row] for row in rows])
        with open(os.path.join(APP_RES, "ButtonNewFolder%d.bmp" % size), "wb") as f:
            f.write(bmp_24(rows))
    background = [[bar_colour(y)] * BAR_WIDTH for y in range(BAR_ROWS)]
    with open(os.path.join(APP_RES, "PanelBackground.bmp"), "wb") as f:
        f.write(bmp_24(background))
    # The 8-pixel arrows are the list's own from the start, drawn the same way.
    palette = [(255, 255, 255), (160, 160, 164)]
    for size in ARROW_SIZES[1:]:
        for up, name in ((True, "ArrowUp"), (False, "ArrowDown")):
            with open(os.path.join(LIST_RES, "%s%d.bmp" % (name, size)), "wb") as f:
                f.write(bmp_8(arrow(size, up), palette))

    if preview:
        write_preview(preview, drawn)


if __name__ == "__main__":
    main(sys.argv[1:])
