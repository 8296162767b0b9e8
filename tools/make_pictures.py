#!/usr/bin/env python3
"""Draws the controller picture, its 24 highlight overlays and the 24 slot-button bitmaps
as 8-bit BMP files with a 256-entry palette.

Usage:
  make_pictures.py OUTDIR                 controller.bmp, overlay_<id>.bmp, slot_<id>.bmp,
                                          and pictures_2x.z: the same drawn at twice the
                                          size (controller, the 24 overlays, the 24 slot
                                          bitmaps, in slot order) as BMP files back to back
                                          in one zlib stream
  make_pictures.py --samples OUTDIR       small BMPs of every depth (reader test seeds)
  make_pictures.py --preview OUTDIR FILE [ID...]
                                          a 24-bit BMP of the picture with the given
                                          overlays (all when none is given) drawn on it
                                          in slot order, as the page draws lit slots

Shapes are signed distance fields in pixel units, so edges are anti-aliased from their
distance and glows fall off with it. Overlays are drawn over the finished picture and
keep only the pixels the highlight changes; the rest is the colour key (0, 255, 0).
Deterministic: the same script writes the same bytes."""
import math
import os
import struct
import sys
import zlib

SIZE = 256
BACKGROUND = (244, 245, 247)
KEY = (0, 255, 0)
# Overlay pixels are opaque (and under the mouse, hoverable) only with green below 250.
MAX_OPAQUE_GREEN = 249


# ---------------------------------------------------------------------------------------
# Slot table: function, slot-button bitmap id, overlay id, overlay place and size.

SLOTS = [
    # name,       bitmap, overlay, x,   y,   w,  h
    ('face_y',      137, 169, 191,  93, 24, 24),
    ('face_b',      145, 177, 208, 109, 24, 24),
    ('face_a',      136, 168, 188, 125, 24, 24),
    ('face_x',      138, 170, 170, 110, 24, 24),
    ('trigger_l',   157, 189,  47,  45, 28, 28),
    ('trigger_r',   154, 186, 181,  45, 28, 28),
    ('bumper_l',    133, 166,  28,  65, 52, 27),
    ('bumper_r',    153, 185, 177,  65, 52, 26),
    ('start',       135, 167, 143, 111, 24, 24),
    ('back',        156, 188,  90, 111, 24, 24),
    ('stick_l',     152, 184,  37, 109, 38, 38),
    ('stick_r',     155, 187, 144, 143, 38, 38),
    ('dpad_up',     141, 173,  84, 137, 16, 16),
    ('dpad_right',  142, 174,  99, 152, 16, 16),
    ('dpad_down',   139, 171,  84, 167, 16, 16),
    ('dpad_left',   140, 172,  69, 152, 16, 16),
    ('stick_l_up',    149, 181,  47, 108, 16, 16),
    ('stick_l_down',  150, 182,  47, 138, 16, 16),
    ('stick_l_left',  148, 180,  32, 123, 16, 16),
    ('stick_l_right', 151, 183,  62, 123, 16, 16),
    ('stick_r_up',    146, 178, 155, 142, 16, 16),
    ('stick_r_down',  147, 179, 155, 172, 16, 16),
    ('stick_r_left',  144, 176, 140, 157, 16, 16),
    ('stick_r_right', 143, 175, 170, 157, 16, 16),
]

# Feature places, taken from the overlay boxes so that every highlight sits on its feature.
FACE = {'y': (203, 105), 'b': (220, 121), 'a': (200, 137), 'x': (182, 122)}
FACE_RADIUS = 8.5
STICK = {'l': (55.0, 131.0), 'r': (163.0, 165.0)}
STICK_WELL = 21.5
STICK_CAP = 10.5
DPAD = (92.0, 160.0)
DPAD_ARM = 21.0   # centre to the end of an arm
DPAD_HALF = 6.5   # half the width of an arm
MENU = {'back': (102.0, 123.0), 'start': (155.0, 123.0)}
MENU_RADIUS = 6.0
TRIGGER = {'l': (61.0, 61.0), 'r': (195.0, 61.0)}
BUMPER = {'l': ((35.0, 83.5), (73.0, 74.5)), 'r': ((221.0, 83.5), (183.0, 74.5))}
BUMPER_RADIUS = 6.0
HOME = (128.0, 102.0)
DIRECTIONS = {'up': (0, -1), 'down': (0, 1), 'left': (-1, 0), 'right': (1, 0)}

FACE_COLOURS = {  # letter colour on the picture, lit fill
    'y': ((250, 204, 48), (255, 206, 40)),
    'b': ((240, 78, 70), (244, 64, 56)),
    'a': ((104, 206, 88), (80, 204, 72)),
    'x': ((70, 150, 246), (56, 140, 250)),
}
ACCENT = (40, 186, 255)        # highlight of everything but the face buttons
ACCENT_LIGHT = (150, 228, 255)
WHITE = (255, 255, 255)


# ---------------------------------------------------------------------------------------
# Small vector helpers.

def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def lerp(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def smoothstep(e0, e1, v):
    t = clamp((v - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


# ---------------------------------------------------------------------------------------
# Signed distance fields. A shape is (function of x, y, box (x0, y0, x1, y1)); negative
# inside. Boxes bound where the shape (plus a margin given when painting) can matter.

def circle(cx, cy, r):
    def f(x, y):
        return math.sqrt((x - cx) ** 2 + (y - cy) ** 2) - r
    return f, (cx - r, cy - r, cx + r, cy + r)


def rounded_box(cx, cy, hw, hh, r):
    def f(x, y):
        qx = abs(x - cx) - hw + r
        qy = abs(y - cy) - hh + r
        ox, oy = max(qx, 0.0), max(qy, 0.0)
        return math.sqrt(ox * ox + oy * oy) + min(max(qx, qy), 0.0) - r
    return f, (cx - hw, cy - hh, cx + hw, cy + hh)


def segment_distance(x, y, ax, ay, bx, by):
    px, py, ex, ey = x - ax, y - ay, bx - ax, by - ay
    t = clamp((px * ex + py * ey) / (ex * ex + ey * ey))
    dx, dy = px - ex * t, py - ey * t
    return math.sqrt(dx * dx + dy * dy)


def capsule(ax, ay, bx, by, r):
    def f(x, y):
        return segment_distance(x, y, ax, ay, bx, by) - r
    return f, (min(ax, bx) - r, min(ay, by) - r, max(ax, bx) + r, max(ay, by) + r)


def polygon(points):
    """Exact distance to a simple polygon, negative inside."""
    def f(x, y):
        d = (x - points[0][0]) ** 2 + (y - points[0][1]) ** 2
        s = 1.0
        j = len(points) - 1
        for i in range(len(points)):
            vi, vj = points[i], points[j]
            ex, ey = vj[0] - vi[0], vj[1] - vi[1]
            wx, wy = x - vi[0], y - vi[1]
            t = clamp((wx * ex + wy * ey) / (ex * ex + ey * ey))
            bx, by = wx - ex * t, wy - ey * t
            d = min(d, bx * bx + by * by)
            c1, c2, c3 = y >= vi[1], y < vj[1], ex * wy > ey * wx
            if (c1 and c2 and c3) or not (c1 or c2 or c3):
                s = -s
            j = i
        return s * math.sqrt(d)
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return f, (min(xs), min(ys), max(xs), max(ys))


def strokes(segments, width):
    """Lines of the given width along (ax, ay, bx, by) segments."""
    half = width / 2

    def f(x, y):
        return min(segment_distance(x, y, *s) for s in segments) - half
    xs = [v for s in segments for v in (s[0], s[2])]
    ys = [v for s in segments for v in (s[1], s[3])]
    return f, (min(xs) - half, min(ys) - half, max(xs) + half, max(ys) + half)


def union(*shapes):
    fs = [s[0] for s in shapes]

    def f(x, y):
        return min(g(x, y) for g in fs)
    return f, merge_boxes([s[1] for s in shapes])


def smooth_union(k, *shapes):
    fs = [s[0] for s in shapes]

    def f(x, y):
        d = fs[0](x, y)
        for g in fs[1:]:
            e = g(x, y)
            h = clamp(0.5 + 0.5 * (e - d) / k)
            d = e + (d - e) * h - k * h * (1 - h)
        return d
    return f, merge_boxes([s[1] for s in shapes])


def subtract(shape, cut):
    f, g = shape[0], cut[0]
    return (lambda x, y: max(f(x, y), -g(x, y))), shape[1]


def intersect(a, b):
    f, g = a[0], b[0]
    box = (max(a[1][0], b[1][0]), max(a[1][1], b[1][1]), min(a[1][2], b[1][2]), min(a[1][3], b[1][3]))
    return (lambda x, y: max(f(x, y), g(x, y))), box


def grow(shape, r):
    f, (x0, y0, x1, y1) = shape
    return (lambda x, y: f(x, y) - r), (x0 - r, y0 - r, x1 + r, y1 + r)


def moved(shape, dx, dy):
    f, (x0, y0, x1, y1) = shape
    return (lambda x, y: f(x - dx, y - dy)), (x0 + dx, y0 + dy, x1 + dx, y1 + dy)


def merge_boxes(boxes):
    return (min(b[0] for b in boxes), min(b[1] for b in boxes), max(b[2] for b in boxes), max(b[3] for b in boxes))


def normal(f, x, y):
    """Unit gradient of a distance field (outward)."""
    e = 0.5
    gx = f(x + e, y) - f(x - e, y)
    gy = f(x, y + e) - f(x, y - e)
    n = math.sqrt(gx * gx + gy * gy) or 1.0
    return gx / n, gy / n


# ---------------------------------------------------------------------------------------
# Glyphs, drawn as strokes in a box one unit high.

def arc(cx, cy, r, a0, a1, steps=10):
    pts = [(cx + r * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
            cy + r * math.sin(math.radians(a0 + (a1 - a0) * i / steps))) for i in range(steps + 1)]
    return [(p[0], p[1], q[0], q[1]) for p, q in zip(pts, pts[1:])]


GLYPHS = {
    'A': (0.9, [(0, 1, 0.45, 0), (0.45, 0, 0.9, 1), (0.2, 0.62, 0.7, 0.62)]),
    'B': (0.72, [(0, 0, 0, 1), (0, 0, 0.42, 0), (0.42, 0.48, 0, 0.48), (0, 0.48, 0.44, 0.48), (0.44, 1, 0, 1)]
         + arc(0.42, 0.24, 0.24, -90, 90) + arc(0.44, 0.74, 0.26, -90, 90)),
    'X': (0.85, [(0, 0, 0.85, 1), (0.85, 0, 0, 1)]),
    'Y': (0.9, [(0, 0, 0.45, 0.5), (0.9, 0, 0.45, 0.5), (0.45, 0.5, 0.45, 1)]),
    'L': (0.62, [(0, 0, 0, 1), (0, 1, 0.62, 1)]),
    'T': (0.8, [(0, 0, 0.8, 0), (0.4, 0, 0.4, 1)]),
    'R': (0.75, [(0, 0, 0, 1), (0, 0, 0.42, 0), (0.42, 0.52, 0, 0.52), (0.34, 0.52, 0.75, 1)]
         + arc(0.42, 0.26, 0.26, -90, 90)),
}


def text(string, cx, cy, height, width, spacing=0.28):
    """Strokes of a short upper-case text centred on (cx, cy)."""
    advance = sum(GLYPHS[c][0] for c in string) + spacing * (len(string) - 1)
    x = cx - advance * height / 2
    top = cy - height / 2
    segments = []
    for c in string:
        w, lines = GLYPHS[c]
        for ax, ay, bx, by in lines:
            segments.append((x + ax * height, top + ay * height, x + bx * height, top + by * height))
        x += (w + spacing) * height
    return strokes(segments, width)


def arrow(cx, cy, direction, length, half_width):
    """A triangle centred on (cx, cy) pointing along direction."""
    dx, dy = direction
    tip = (cx + dx * length / 2, cy + dy * length / 2)
    base = (cx - dx * length / 2, cy - dy * length / 2)
    px, py = -dy, dx
    return polygon([tip, (base[0] + px * half_width, base[1] + py * half_width),
                    (base[0] - px * half_width, base[1] - py * half_width)])


# ---------------------------------------------------------------------------------------
# Painting into a premultiplied RGBA layer.

class Layer:
    """Sizes, places and shapes are in picture units; the layer has `scale` pixels per unit,
    so a larger scale draws the same picture with finer pixels."""

    def __init__(self, width, height, fill=None, origin=(0, 0), scale=1):
        self.scale = scale
        width, height = width * scale, height * scale
        self.width, self.height = width, height
        self.ox, self.oy = origin[0] * scale, origin[1] * scale
        n = width * height
        if fill is None:
            self.r, self.g, self.b, self.a = [0.0] * n, [0.0] * n, [0.0] * n, [0.0] * n
        else:
            self.r, self.g, self.b, self.a = [float(fill[0])] * n, [float(fill[1])] * n, [float(fill[2])] * n, [1.0] * n
        # How much of each pixel is covered by filled shapes rather than by glow.
        self.solid = [0.0] * n

    def over(self, i, colour, alpha):
        k = 1 - alpha
        self.r[i] = colour[0] * alpha + self.r[i] * k
        self.g[i] = colour[1] * alpha + self.g[i] * k
        self.b[i] = colour[2] * alpha + self.b[i] * k
        self.a[i] = alpha + self.a[i] * k

    def pixels(self, shape, margin):
        """(index, x, y, distance) of the pixels whose centre may be within margin, all in
        picture units."""
        f, (x0, y0, x1, y1) = shape
        s = self.scale
        xa = max(int(math.floor((x0 - margin) * s)) - 1, self.ox)
        ya = max(int(math.floor((y0 - margin) * s)) - 1, self.oy)
        xb = min(int(math.ceil((x1 + margin) * s)) + 1, self.ox + self.width)
        yb = min(int(math.ceil((y1 + margin) * s)) + 1, self.oy + self.height)
        for py in range(ya, yb):
            cy = (py + 0.5) / s
            row = (py - self.oy) * self.width - self.ox
            for px in range(xa, xb):
                cx = (px + 0.5) / s
                yield row + px, cx, cy, f(cx, cy)

    def fill(self, shape, colour, alpha=1.0):
        """Anti-aliased fill over one pixel's width of edge; colour is a triple or a
        function of (x, y, distance)."""
        paint = colour if callable(colour) else None
        for i, x, y, d in self.pixels(shape, 1.0):
            cover = clamp(0.5 - d * self.scale)
            if cover > 0:
                self.over(i, paint(x, y, d) if paint else colour, cover * alpha)
                self.solid[i] = max(self.solid[i], cover)

    def glow(self, shape, colour, reach, strength, clip=None):
        """A halo outside the shape that fades to nothing at reach pixels, kept off the
        inside of the clip shape."""
        for i, x, y, d in self.pixels(shape, reach):
            if d < reach and not (clip and clip[0](x, y) < 0.5):
                t = 1 - clamp(d / reach)
                self.over(i, colour, strength * t ** 1.5)

    def shadow(self, shape, colour, blur, strength):
        for i, x, y, d in self.pixels(shape, blur):
            a = strength * (1 - smoothstep(-blur, blur, d))
            if a > 0:
                self.over(i, colour, a)

    def colour_at(self, i):
        a = self.a[i]
        if a <= 0:
            return (0.0, 0.0, 0.0)
        return (self.r[i] / a, self.g[i] / a, self.b[i] / a)


def shade(colour, amount):
    """Lighter towards white for amount > 0, darker towards black for amount < 0."""
    if amount >= 0:
        return lerp(colour, WHITE, min(amount, 1.0))
    return lerp(colour, (0, 0, 0), min(-amount, 1.0))


def vertical(top_colour, bottom_colour, y0, y1):
    def paint(x, y, d):
        return lerp(top_colour, bottom_colour, clamp((y - y0) / (y1 - y0)))
    return paint


def bevel(shape, base, y0, y1, light=0.22, dark=0.35, rim=3.0, top_lift=0.10):
    """Vertical gradient with a lit upper rim and a shaded lower rim."""
    f = shape[0]

    def paint(x, y, d):
        t = clamp((y - y0) / (y1 - y0))
        c = shade(base, top_lift * (1 - t) - 0.12 * t)
        edge = clamp(1 + d / rim)  # 1 on the outline, 0 rim pixels inside
        if edge > 0:
            nx, ny = normal(f, x, y)
            c = shade(c, edge * (light * max(-ny, 0) - dark * max(ny, 0)) * (0.6 + 0.4 * edge))
        return c
    return paint


def radial(centre, inner, outer, radius, offset=(-0.3, -0.35)):
    cx, cy = centre[0] + offset[0] * radius, centre[1] + offset[1] * radius

    def paint(x, y, d):
        return lerp(inner, outer, clamp(math.sqrt((x - cx) ** 2 + (y - cy) ** 2) / (radius * 1.5)))
    return paint


# ---------------------------------------------------------------------------------------
# The controller.

def body_shape():
    lobes = [circle(59, 126, 46), circle(197, 126, 46)]
    grips = [capsule(58, 146, 40, 206, 31), capsule(198, 146, 216, 206, 31)]
    middle = rounded_box(128, 132, 72, 42, 30)
    lower = rounded_box(128, 166, 62, 30, 26)
    shape = smooth_union(14, *lobes, middle, lower, *grips)
    # An arch between the grips.
    return subtract(shape, circle(128, 262, 62))


BODY = body_shape()
BODY_COLOUR = (64, 68, 76)
BODY_OUTLINE = (28, 30, 34)
WELL_COLOUR = (30, 32, 36)


def trigger_shape(side):
    cx, cy = TRIGGER[side]
    return rounded_box(cx, cy + 1, 11, 13, 7)


def bumper_shape(side):
    (ax, ay), (bx, by) = BUMPER[side]
    return capsule(ax, ay, bx, by, BUMPER_RADIUS)


def menu_glyph(name):
    cx, cy = MENU[name]
    return arrow(cx, cy, (1, 0) if name == 'start' else (-1, 0), 5.0, 3.0)


def face_letter(name, centre):
    return text(name.upper(), centre[0] + (0.3 if name == 'b' else 0), centre[1], 7.5, 1.7)


def stick_arrow(side, direction):
    cx, cy = STICK[side]
    dx, dy = DIRECTIONS[direction]
    return arrow(cx + dx * 15.5, cy + dy * 15.5, (dx, dy), 5.0, 3.6)


def dpad_shape():
    cx, cy = DPAD
    return union(rounded_box(cx, cy, DPAD_HALF, DPAD_ARM, 2.5), rounded_box(cx, cy, DPAD_ARM, DPAD_HALF, 2.5))


def dpad_arm(direction):
    cx, cy = DPAD
    dx, dy = DIRECTIONS[direction]
    mid = (DPAD_ARM + DPAD_HALF) / 2
    half_len = (DPAD_ARM - DPAD_HALF) / 2 + 0.5
    if dx:
        arm = rounded_box(cx + dx * mid, cy, half_len, DPAD_HALF, 2.5)
    else:
        arm = rounded_box(cx, cy + dy * mid, DPAD_HALF, half_len, 2.5)
    return intersect(arm, dpad_shape())


def dpad_arrow(direction):
    cx, cy = DPAD
    dx, dy = DIRECTIONS[direction]
    return arrow(cx + dx * 14, cy + dy * 14, (dx, dy), 4.5, 3.2)


def draw_controller(scale):
    layer = Layer(SIZE, SIZE, BACKGROUND, scale=scale)
    # Shoulders sit behind the body; the body's shadow falls on the background.
    layer.shadow(moved(union(BODY, trigger_shape('l'), trigger_shape('r')), 0, 5), (30, 34, 44), 7, 0.30)
    for side in 'lr':
        t = trigger_shape(side)
        layer.fill(t, bevel(t, (54, 57, 64), 48, 74, light=0.30))
        cx, cy = TRIGGER[side]
        layer.fill(text(side.upper() + 'T', cx, cy - 4, 6, 1.3), (150, 156, 166))
    layer.fill(BODY, bevel(BODY, BODY_COLOUR, 80, 236, light=0.30, dark=0.45, rim=5, top_lift=0.16))
    layer.fill(subtract(grow(BODY, 0.5), BODY), BODY_OUTLINE, 0.8)
    for side in 'lr':
        b = bumper_shape(side)
        layer.fill(b, bevel(b, (78, 82, 92), 68, 90, light=0.35, rim=2.5), 1.0)
        (ax, ay), (bx, by) = BUMPER[side]
        layer.fill(text(side.upper() + 'B', (ax + bx) / 2, (ay + by) / 2, 6, 1.3), (160, 166, 176))
    draw_home(layer)
    for name in ('back', 'start'):
        draw_menu_button(layer, name, lit=False)
    for side in 'lr':
        draw_stick(layer, side)
    draw_dpad(layer)
    for name, centre in FACE.items():
        draw_face_button(layer, name, centre, lit=False)
    return layer


def draw_home(layer):
    cx, cy = HOME
    layer.fill(circle(cx, cy, 8.5), radial(HOME, (58, 61, 68), (40, 42, 47), 8.5))
    layer.fill(subtract(circle(cx, cy, 5.2), circle(cx, cy, 3.6)), (120, 126, 136))
    layer.fill(circle(cx, cy, 1.6), (120, 126, 136))


def draw_menu_button(layer, name, lit):
    cx, cy = MENU[name]
    button = circle(cx, cy, MENU_RADIUS)
    if lit:
        layer.glow(button, ACCENT, 5.5, 0.75)
        layer.fill(button, radial(MENU[name], ACCENT_LIGHT, ACCENT, MENU_RADIUS))
        layer.fill(menu_glyph(name), WHITE)
    else:
        layer.fill(grow(button, 1.2), (40, 42, 47))
        layer.fill(button, radial(MENU[name], (92, 96, 106), (56, 59, 66), MENU_RADIUS))
        layer.fill(menu_glyph(name), (196, 200, 208))


def draw_stick(layer, side):
    cx, cy = STICK[side]
    well = circle(cx, cy, STICK_WELL)
    layer.fill(grow(well, 1.0), (88, 92, 100), 0.6)
    layer.fill(well, radial(STICK[side], (22, 23, 26), WELL_COLOUR, STICK_WELL, offset=(0, -0.2)))
    for direction in DIRECTIONS:
        layer.fill(stick_arrow(side, direction), (74, 78, 86))
    draw_stick_cap(layer, side, lit=False)


def draw_stick_cap(layer, side, lit):
    cx, cy = STICK[side]
    cap = circle(cx, cy, STICK_CAP)
    if lit:
        layer.glow(cap, ACCENT, 6.5, 0.85)
        layer.fill(cap, radial(STICK[side], ACCENT_LIGHT, (16, 140, 220), STICK_CAP))
        layer.fill(subtract(circle(cx, cy, STICK_CAP - 2.0), circle(cx, cy, STICK_CAP - 3.2)), WHITE, 0.7)
        layer.fill(text(side.upper(), cx, cy, 6, 1.5), WHITE)
    else:
        layer.shadow(moved(cap, 0, 2), (0, 0, 0), 2.5, 0.5)
        layer.fill(cap, radial(STICK[side], (108, 113, 123), (60, 63, 70), STICK_CAP))
        # The concave top: a darker dish inside a lighter rim.
        layer.fill(circle(cx, cy, STICK_CAP - 2.2), radial(STICK[side], (62, 65, 72), (84, 88, 97),
                                                            STICK_CAP - 2.2, offset=(0.2, 0.25)))
        layer.fill(text(side.upper(), cx, cy, 6, 1.5), (140, 146, 156))


def draw_dpad(layer):
    cx, cy = DPAD
    layer.fill(circle(cx, cy, 25.5), (88, 92, 100), 0.6)
    layer.fill(circle(cx, cy, 24.5), radial(DPAD, (26, 27, 31), WELL_COLOUR, 24.5, offset=(0, -0.2)))
    cross = dpad_shape()
    layer.shadow(moved(cross, 0, 2), (0, 0, 0), 2.5, 0.55)
    layer.fill(cross, bevel(cross, (74, 78, 87), cy - DPAD_ARM, cy + DPAD_ARM, light=0.35, rim=2.0))
    layer.fill(circle(cx, cy, 3.5), (60, 63, 70))
    for direction in DIRECTIONS:
        layer.fill(dpad_arrow(direction), (44, 46, 52))


def draw_face_button(layer, name, centre, lit):
    cx, cy = centre
    button = circle(cx, cy, FACE_RADIUS)
    letter_colour, lit_colour = FACE_COLOURS[name]
    if lit:
        layer.glow(button, lit_colour, 4.0, 0.9)
        layer.fill(button, radial(centre, shade(lit_colour, 0.45), shade(lit_colour, -0.05), FACE_RADIUS))
        layer.fill(face_letter(name, centre), WHITE)
    else:
        layer.fill(grow(button, 1.2), (36, 38, 43))
        layer.fill(button, radial(centre, (84, 88, 98), (40, 42, 48), FACE_RADIUS))
        # Gloss on the upper half.
        layer.fill(intersect(circle(cx, cy, FACE_RADIUS - 1.2), circle(cx, cy - 4.5, FACE_RADIUS - 2.5)),
                   WHITE, 0.10)
        layer.fill(face_letter(name, centre), letter_colour)


# ---------------------------------------------------------------------------------------
# Highlights: each draws the lit function over the finished picture.

def light_trigger(layer, side):
    t = trigger_shape(side)
    cx, cy = TRIGGER[side]
    layer.glow(t, ACCENT, 4.0, 0.7)
    layer.fill(t, bevel(t, ACCENT, 48, 74, light=0.5, dark=0.2, top_lift=0.35))
    layer.fill(text(side.upper() + 'T', cx, cy - 4, 6, 1.3), WHITE)


def light_bumper(layer, side):
    b = bumper_shape(side)
    (ax, ay), (bx, by) = BUMPER[side]
    # Not onto the trigger behind: a lit trigger drawn before stays lit.
    layer.glow(b, ACCENT, 4.0, 0.7, clip=trigger_shape(side))
    layer.fill(b, bevel(b, ACCENT, 68, 90, light=0.5, dark=0.2, rim=2.5, top_lift=0.35))
    layer.fill(text(side.upper() + 'B', (ax + bx) / 2, (ay + by) / 2, 6, 1.3), WHITE)


def light_stick_direction(layer, side, direction):
    a = stick_arrow(side, direction)
    layer.glow(a, ACCENT, 4.0, 0.9)
    layer.fill(grow(a, 0.6), ACCENT)
    layer.fill(a, ACCENT_LIGHT)


def light_dpad(layer, direction):
    arm = dpad_arm(direction)
    layer.glow(arm, ACCENT, 3.5, 0.7)
    cx, cy = DPAD
    layer.fill(arm, bevel(arm, ACCENT, cy - DPAD_ARM, cy + DPAD_ARM, light=0.5, dark=0.2, rim=2.0,
                          top_lift=0.3))
    layer.fill(dpad_arrow(direction), WHITE)


def light(name, layer):
    kind, _, rest = name.partition('_')
    if kind == 'face':
        draw_face_button(layer, rest, FACE[rest], lit=True)
    elif kind == 'trigger':
        light_trigger(layer, rest)
    elif kind == 'bumper':
        light_bumper(layer, rest)
    elif kind in ('start', 'back'):
        draw_menu_button(layer, kind, lit=True)
    elif kind == 'stick' and '_' in rest:
        side, direction = rest.split('_')
        light_stick_direction(layer, side, direction)
    elif kind == 'stick':
        draw_stick_cap(layer, rest, lit=True)
    elif kind == 'dpad':
        light_dpad(layer, rest)


def make_overlay(picture, slot):
    """The lit function composed over the picture (of the same scale) inside its box;
    unchanged pixels and pixels over the picture's background become the colour key."""
    name, _, _, bx, by, w, h = slot
    scale = picture.scale
    layer = Layer(w, h, origin=(bx, by), scale=scale)
    light(name, layer)
    w, h, bx, by, size = w * scale, h * scale, bx * scale, by * scale, SIZE * scale
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            i = y * w + x
            # Halos fade out towards the box edges so that none is cut off hard.
            edge = min(x + 0.5, w - x - 0.5, y + 0.5, h - y - 0.5) / scale
            a = layer.a[i] * max(layer.solid[i], clamp((edge - 0.5) / 2.5))
            index = (by + y) * size + bx + x
            if a < 0.08 or picture.indices[index] == picture.background_index:
                row.append(KEY)
                continue
            under = picture.colours[index]
            lit = layer.colour_at(i)
            c = tuple(int(round(clamp(u + (l - u) * a, 0, 255))) for u, l in zip(under, lit))
            row.append((c[0], min(c[1], MAX_OPAQUE_GREEN), c[2]))
        rows.append(row)
    return rows


# ---------------------------------------------------------------------------------------
# Slot-button bitmaps: 20 x 20 symbols on the button face.

ICON = 20
ICON_FACE = (240, 240, 240)
ICON_DARK = (60, 64, 72)
ICON_MID = (150, 156, 166)


def icon_layer(scale):
    return Layer(ICON, ICON, ICON_FACE, scale=scale)


def icon_face(name, scale):
    layer = icon_layer(scale)
    _, lit_colour = FACE_COLOURS[name]
    button = circle(10, 10, 8.6)
    layer.fill(grow(button, 0.8), shade(lit_colour, -0.45))
    layer.fill(button, radial((10, 10), shade(lit_colour, 0.35), shade(lit_colour, -0.15), 8.6))
    layer.fill(text(name.upper(), 10 + (0.3 if name == 'b' else 0), 10, 9, 2.0), WHITE)
    return layer


def icon_trigger(side, scale):
    layer = icon_layer(scale)
    t = rounded_box(10, 10.5, 8.5, 8.5, 5.5)
    layer.fill(t, bevel(t, ICON_DARK, 2, 19, light=0.3, rim=2.0))
    layer.fill(text(side.upper() + 'T', 10, 10.5, 7, 1.6), WHITE)
    return layer


def icon_bumper(side, scale):
    layer = icon_layer(scale)
    b = rounded_box(10, 10, 9.2, 6.2, 4.5)
    layer.fill(b, bevel(b, ICON_DARK, 4, 16, light=0.3, rim=2.0))
    layer.fill(text(side.upper() + 'B', 10, 10, 7, 1.6), WHITE)
    return layer


def icon_menu(name, scale):
    layer = icon_layer(scale)
    button = rounded_box(10, 10, 9, 7, 7)
    layer.fill(button, bevel(button, ICON_DARK, 3, 17, light=0.3, rim=2.0))
    layer.fill(arrow(10, 10, (1, 0) if name == 'start' else (-1, 0), 8, 5), WHITE)
    return layer


def icon_stick_press(side, scale):
    layer = icon_layer(scale)
    layer.fill(circle(10, 10, 9.3), ICON_MID)
    layer.fill(circle(10, 10, 8.3), ICON_DARK)
    layer.fill(circle(10, 10, 6.3), (90, 95, 105))
    layer.fill(text(side.upper(), 10, 10, 8, 2.0), WHITE)
    return layer


def icon_stick_direction(side, direction, scale):
    layer = icon_layer(scale)
    layer.fill(circle(10, 10, 9.3), ICON_MID)
    layer.fill(circle(10, 10, 8.3), ICON_DARK)
    dx, dy = DIRECTIONS[direction]
    layer.fill(arrow(10 + dx * 4.2, 10 + dy * 4.2, (dx, dy), 6.5, 5.5), ACCENT)
    # The stick's letter on the side away from the arrow.
    layer.fill(text(side.upper(), 10 - dx * 3.2, 10 - dy * 3.2, 6, 1.6), WHITE)
    return layer


def icon_dpad(direction, scale):
    layer = icon_layer(scale)
    cross = union(rounded_box(10, 10, 3.6, 9.4, 1.5), rounded_box(10, 10, 9.4, 3.6, 1.5))
    layer.fill(grow(cross, 0.8), ICON_DARK)
    layer.fill(cross, (112, 117, 128))
    dx, dy = DIRECTIONS[direction]
    arm = rounded_box(10 + dx * 6.0, 10 + dy * 6.0, 3.6 if dy else 3.9, 3.6 if dx else 3.9, 1.5)
    layer.fill(intersect(arm, cross), ACCENT)
    layer.fill(arrow(10 + dx * 6.3, 10 + dy * 6.3, (dx, dy), 4.0, 3.0), WHITE)
    return layer


def slot_icon(name, scale):
    kind, _, rest = name.partition('_')
    if kind == 'face':
        return icon_face(rest, scale)
    if kind == 'trigger':
        return icon_trigger(rest, scale)
    if kind == 'bumper':
        return icon_bumper(rest, scale)
    if kind in ('start', 'back'):
        return icon_menu(kind, scale)
    if kind == 'stick' and '_' in rest:
        return icon_stick_direction(*rest.split('_'), scale)
    if kind == 'stick':
        return icon_stick_press(rest, scale)
    return icon_dpad(rest, scale)


# ---------------------------------------------------------------------------------------
# Palettes and files.

def quantize(colours, entries, keep=()):
    """A palette of at most `entries` colours for a list of RGB triples: the colours in
    `keep` exactly, then the most frequent ones exactly, then median-cut boxes."""
    counts = {}
    for c in colours:
        counts[c] = counts.get(c, 0) + 1
    palette = [c for c in keep]
    if len(counts) + len(palette) <= entries:
        palette += sorted(c for c in counts if c not in palette)
        return palette
    frequent = sorted((c for c in counts if counts[c] >= 48 and c not in palette), key=lambda c: (-counts[c], c))
    palette += frequent[:entries // 4]
    rest = sorted((c, n) for c, n in counts.items() if c not in palette)
    palette += median_cut(rest, entries - len(palette))
    return palette


def median_cut(items, entries):
    boxes = [items]
    while len(boxes) < entries:
        best, best_score, best_channel = None, 0, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for ch in range(3):
                lo = min(c[ch] for c, _ in box)
                hi = max(c[ch] for c, _ in box)
                score = (hi - lo) * sum(n for _, n in box) ** 0.5
                if score > best_score:
                    best, best_score, best_channel = i, score, ch
        if best is None:
            break
        box = sorted(boxes[best], key=lambda e: (e[0][best_channel], e[0]))
        total = sum(n for _, n in box)
        run, cut = 0, 1
        for k, (_, n) in enumerate(box):
            run += n
            if run * 2 >= total:
                cut = min(max(k + 1, 1), len(box) - 1)
                break
        boxes[best:best + 1] = [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        total = sum(n for _, n in box)
        palette.append(tuple(int(round(sum(c[ch] * n for c, n in box) / total)) for ch in range(3)))
    return palette


def nearest(palette, colour, cache):
    hit = cache.get(colour)
    if hit is None:
        r, g, b = colour
        hit = min(range(len(palette)),
                  key=lambda i: (palette[i][0] - r) ** 2 + (palette[i][1] - g) ** 2 + (palette[i][2] - b) ** 2)
        cache[colour] = hit
    return hit


def bmp_bytes(width, height, depth, rows, palette=(), masks=None, compression=0):
    """A BMP file of packed rows (top row first), stored bottom-up."""
    stride = (width * depth + 31) // 32 * 4
    data = b''.join(bytes(r).ljust(stride, b'\0') for r in reversed(rows))
    colours = b''.join(struct.pack('<BBBB', c[2], c[1], c[0], 0) for c in palette)
    extra = b''.join(struct.pack('<I', m) for m in masks) if masks else b''
    offset = 14 + 40 + len(colours) + len(extra)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, depth, compression, len(data), 2835, 2835, 0, 0)
    return struct.pack('<HIHHI', 0x4D42, offset + len(data), 0, 0, offset) + info + colours + extra + data


def indexed_bmp(width, height, colour_rows, keep=()):
    """An 8-bit BMP with a full 256-entry palette for rows of RGB triples."""
    flat = [c for row in colour_rows for c in row]
    palette = quantize(flat, 256, keep)
    palette += [(0, 0, 0)] * (256 - len(palette))
    cache = {}
    rows = [[nearest(palette, c, cache) for c in row] for row in colour_rows]
    return bmp_bytes(width, height, 8, rows, palette), palette, rows


def layer_rows(layer):
    return [[tuple(int(round(clamp(v, 0, 255))) for v in layer.colour_at(y * layer.width + x))
             for x in range(layer.width)] for y in range(layer.height)]


class Picture:
    """The controller picture as it is stored: palette indices and their colours."""

    def __init__(self, scale):
        self.scale = scale
        size = SIZE * scale
        data, palette, rows = indexed_bmp(size, size, layer_rows(draw_controller(scale)), keep=(BACKGROUND,))
        self.data = data
        self.indices = [i for row in rows for i in row]
        self.colours = [palette[i] for i in self.indices]
        self.background_index = palette.index(BACKGROUND)


def write(path, data):
    with open(path, 'wb') as f:
        f.write(data)


def draw_pictures(scale):
    """The controller picture, the overlays and the slot bitmaps at a scale, as BMP files."""
    picture = Picture(scale)
    overlays, icons = [], []
    for slot in SLOTS:
        name, _, _, _, _, w, h = slot
        overlays.append(indexed_bmp(w * scale, h * scale, make_overlay(picture, slot), keep=(KEY,))[0])
        icons.append(indexed_bmp(ICON * scale, ICON * scale, layer_rows(slot_icon(name, scale)))[0])
    return picture.data, overlays, icons


def write_pictures(outdir):
    controller, overlays, icons = draw_pictures(1)
    write(os.path.join(outdir, 'controller.bmp'), controller)
    for slot, overlay, icon in zip(SLOTS, overlays, icons):
        _, bitmap_id, overlay_id = slot[:3]
        write(os.path.join(outdir, 'overlay_%d.bmp' % overlay_id), overlay)
        write(os.path.join(outdir, 'slot_%d.bmp' % bitmap_id), icon)
    # For high DPI: drawn at 200 % and scaled down by the program, kept small by zlib.
    controller, overlays, icons = draw_pictures(2)
    write(os.path.join(outdir, 'pictures_2x.z'), zlib.compress(controller + b''.join(overlays + icons), 9))


def write_preview(outdir, path, overlay_ids):
    """The picture with overlays drawn on it in slot order, skipping key pixels as the
    page does, as a 24-bit BMP."""
    colours = list(Picture(1).colours)
    for slot in SLOTS:
        _, _, overlay_id, bx, by, w, h = slot
        if overlay_ids and overlay_id not in overlay_ids:
            continue
        with open(os.path.join(outdir, 'overlay_%d.bmp' % overlay_id), 'rb') as f:
            data = f.read()
        offset = struct.unpack_from('<I', data, 10)[0]
        palette = [(data[54 + 4 * i + 2], data[54 + 4 * i + 1], data[54 + 4 * i]) for i in range(256)]
        stride = (w + 3) // 4 * 4
        for y in range(h):
            for x in range(w):
                c = palette[data[offset + (h - 1 - y) * stride + x]]
                if c[1] < 254:
                    colours[(by + y) * SIZE + bx + x] = c
    rows = [[b for x in range(SIZE) for b in colours[y * SIZE + x][::-1]] for y in range(SIZE)]
    write(path, bmp_bytes(SIZE, SIZE, 24, rows))


def write_samples(outdir):
    """One small file per depth and layout that the image reader handles."""
    grey4 = [(i * 17, i * 17, i * 17) for i in range(16)]
    ramp = [(i, 255 - i, (i * 7) & 255) for i in range(256)]
    samples = {
        'depth1.bmp': bmp_bytes(9, 3, 1, [[0b10110011, 0b10000000]] * 3, [(0, 0, 0), (255, 255, 255)]),
        'depth4.bmp': bmp_bytes(5, 2, 4, [[0x01, 0x23, 0x40], [0xFE, 0xDC, 0xB0]], grey4),
        'depth8.bmp': bmp_bytes(4, 4, 8, [[y * 4 + x for x in range(4)] for y in range(4)], ramp),
        'depth16_565.bmp': bmp_bytes(3, 2, 16, [[0x1F, 0xF8, 0xE0, 0x07, 0x1F, 0x00]] * 2,
                                     masks=(0xF800, 0x07E0, 0x001F), compression=3),
        'depth16_555.bmp': bmp_bytes(3, 2, 16, [[0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00]] * 2),
        'depth24.bmp': bmp_bytes(3, 3, 24, [[255, 0, 0, 0, 255, 0, 0, 0, 255]] * 3),
        'depth32.bmp': bmp_bytes(2, 2, 32, [[1, 2, 3, 0, 4, 5, 6, 0]] * 2,
                                 masks=(0xFF0000, 0x00FF00, 0x0000FF), compression=3),
    }
    for name, data in samples.items():
        write(os.path.join(outdir, name), data)


def main(argv):
    if len(argv) == 3 and argv[1] == '--samples':
        os.makedirs(argv[2], exist_ok=True)
        write_samples(argv[2])
    elif len(argv) >= 4 and argv[1] == '--preview':
        write_preview(argv[2], argv[3], [int(i) for i in argv[4:]])
    elif len(argv) == 2:
        os.makedirs(argv[1], exist_ok=True)
        write_pictures(argv[1])
    else:
        sys.exit(__doc__)


if __name__ == '__main__':
    main(sys.argv)
