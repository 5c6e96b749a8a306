"""Eagles and butterflies: small 3-D models turned, posed and projected
into the frames of their strips, painted back to front with cairo at a high
resolution and reduced to the frame size.

Eagle strip: 144 frames of 46 x 23, frame = heading + 24 * side + 48 * row.
Butterfly strips: 16 frames of 40 x 30, frames 0..14 one wing-beat cycle.
"""
import math

import cairo
import numpy as np

from artlib import rgb, cairo_to_rgba, downsample_rgba

SS = 8  # supersampling of the frames


def rot_x(a):
    c, s = math.cos(a), math.sin(a)
    return np.array([[1, 0, 0], [0, c, -s], [0, s, c]])


def rot_y(a):
    c, s = math.cos(a), math.sin(a)
    return np.array([[c, 0, s], [0, 1, 0], [-s, 0, c]])


def rot_z(a):
    c, s = math.cos(a), math.sin(a)
    return np.array([[c, -s, 0], [s, c, 0], [0, 0, 1]])


class Painter:
    """Collects polygons and discs in view space (x right, y up, z toward
    the viewer) and paints them far to near."""

    def __init__(self, w, h, scale, cx, cy):
        self.w, self.h = w, h
        self.scale, self.cx, self.cy = scale, cx, cy
        self.items = []

    def poly(self, pts, top, bottom, light=np.array([-0.3, 0.8, 0.5]), bias=0.0, flip=False, layer=0, depth=None):
        """flip: the winding of pts runs the other way round (mirrored
        half), so its upper side is the other one. layer: pattern layers
        lying on the same face are drawn over it from whichever side it is
        seen."""
        pts = np.asarray(pts, dtype=np.float64)
        n = np.cross(pts[1] - pts[0], pts[2] - pts[0])
        ln = np.linalg.norm(n)
        if ln < 1e-9:
            n = np.array([0, 0, 1.0])
        else:
            n = n / ln
        if flip:
            n = -n
        facing = n[2] >= 0
        bias += 0.0015 * layer * (1 if facing else -1)
        colour = top if facing else bottom
        nn = n if facing else -n
        lam = 0.55 + 0.45 * max(float(np.dot(nn, light / np.linalg.norm(light))), 0.0)
        z = pts[:, 2].mean() if depth is None else depth
        self.items.append((z + bias, 'poly', pts, np.clip(colour * lam, 0, 1)))

    def disc(self, centre, r, colour, bias=0.0):
        c = np.asarray(centre, dtype=np.float64)
        self.items.append((c[2] + bias, 'disc', c, r, colour))

    def render(self):
        surf = cairo.ImageSurface(cairo.FORMAT_ARGB32, self.w * SS, self.h * SS)
        ctx = cairo.Context(surf)
        ctx.scale(SS, SS)
        for item in sorted(self.items, key=lambda it: it[0]):
            if item[1] == 'poly':
                pts, colour = item[2], item[3]
                for i, p in enumerate(pts):
                    x = self.cx + p[0] * self.scale
                    y = self.cy - p[1] * self.scale
                    (ctx.move_to if i == 0 else ctx.line_to)(x, y)
                ctx.close_path()
                ctx.set_source_rgb(*colour)
                ctx.fill_preserve()
                # a hairline of the same colour closes the gaps between faces
                ctx.set_line_width(0.35)
                ctx.stroke()
            else:
                c, r, colour = item[2], item[3], item[4]
                x = self.cx + c[0] * self.scale
                y = self.cy - c[1] * self.scale
                g = cairo.RadialGradient(x - r * self.scale * 0.4, y - r * self.scale * 0.4, r * self.scale * 0.1,
                                         x, y, r * self.scale)
                g.add_color_stop_rgb(0, *np.clip(colour * 1.25, 0, 1))
                g.add_color_stop_rgb(1, *np.clip(colour * 0.75, 0, 1))
                ctx.set_source(g)
                ctx.arc(x, y, r * self.scale, 0, 2 * math.pi)
                ctx.fill()
        col, a = cairo_to_rgba(surf)
        return downsample_rgba(col, a, SS)


# ------------------------------------------------------------ eagle

EAGLE_BROWN = rgb('5a3b22')
EAGLE_UNDER = rgb('4a3220')
EAGLE_COVERT = rgb('7a5434')
EAGLE_WHITE = rgb('f1efe6')
EAGLE_BEAK = rgb('f0b630')
EAGLE_TIPS = rgb('2e2118')

# heading picture -> cosine of the flight direction (middle of its band)
_BOUNDS = [-1.0, -0.95, -0.9, -0.8, -0.7, -0.6, -0.5, -0.4, -0.3, -0.2, -0.1, -0.05, 0.0,
           0.05, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 0.95, 1.0]


def heading_cos(h):
    return 0.5 * (_BOUNDS[h] + _BOUNDS[h + 1])


def _wing(sign, in_angle, out_angle, sweep=0.0):
    """Half wing in the bird's frame (x forward, y up, z to its right),
    as (inner polygon, outer polygon, finger polygons)."""
    # planform (x forward, s along the span)
    inner = [(0.15, 0.06), (0.19, 0.30), (0.13, 0.52), (-0.25, 0.52), (-0.27, 0.30), (-0.16, 0.06)]
    outer = [(0.13, 0.52), (0.08, 0.72), (-0.01, 0.87), (-0.22, 0.85), (-0.25, 0.52)]
    fingers = [[(-0.02, 0.86), (0.02, 0.98), (-0.05, 0.88)],
               [(-0.06, 0.86), (-0.05, 1.00), (-0.10, 0.87)],
               [(-0.11, 0.86), (-0.12, 0.97), (-0.16, 0.85)],
               [(-0.16, 0.85), (-0.19, 0.95), (-0.22, 0.84)]]

    def place(pts, outer_part):
        out = []
        for x, s in pts:
            if not outer_part or s <= 0.52:
                a = in_angle
                y = s * math.sin(a)
                z = s * math.cos(a)
            else:
                # wrist at 0.52 on the inner angle, the rest on the outer one
                y0 = 0.52 * math.sin(in_angle)
                z0 = 0.52 * math.cos(in_angle)
                d = s - 0.52
                y = y0 + d * math.sin(out_angle)
                z = z0 + d * math.cos(out_angle)
            out.append((x - sweep * abs(s) * 0.3, y, z * sign))
        return out

    return place(inner, False), place(outer, True), [place(f, True) for f in fingers]


def eagle_frame(heading, side, row):
    cosv = heading_cos(heading)
    yaw = math.acos(max(-1.0, min(1.0, cosv)))        # 0 = flying right, pi = left
    # turn the extremes a little towards the viewer: a near-profile that
    # still shows the spread wings reads better at 24 x 12 than a flat one
    yaw = math.pi / 2 + (yaw - math.pi / 2) * 0.82
    # wing pose per row: glide, wings raised, wings lowered
    pose = {0: (math.radians(9), math.radians(2), 0.0),
            1: (math.radians(42), math.radians(28), 0.25),
            2: (math.radians(-30), math.radians(-12), 0.1)}[row]
    in_a, out_a, sweep = pose
    # the two sides: a small bank one way or the other and a hint of
    # raised tips, enough to read as soaring when they alternate
    bank = math.radians(5.0 if side == 0 else -3.0)
    tip = math.radians(3.0 if side == 1 else 0.0)
    parts = []
    for sign in (-1, 1):
        inner, outer, fingers = _wing(sign, in_a, out_a + tip, sweep)
        parts.append(('wing', inner, sign))
        parts.append(('wing', outer, sign))
        for f in fingers:
            parts.append(('tip', f, sign))
    # tail: a white fan
    parts.append(('tail', [(-0.22, 0.0, -0.06), (-0.46, -0.02, -0.13), (-0.50, -0.02, 0.0),
                           (-0.46, -0.02, 0.13), (-0.22, 0.0, 0.06)], 0))
    # beak
    parts.append(('beak', [(0.47, 0.02, -0.025), (0.57, -0.01, 0.0), (0.47, 0.02, 0.025), (0.50, -0.04, 0.0)], 0))
    body = [((0.42, 0.02, 0.0), 0.070, EAGLE_WHITE), ((0.33, 0.01, 0.0), 0.080, EAGLE_WHITE),
            ((0.22, 0.0, 0.0), 0.100, EAGLE_BROWN), ((0.08, -0.01, 0.0), 0.118, EAGLE_BROWN),
            ((-0.06, -0.01, 0.0), 0.105, EAGLE_BROWN), ((-0.18, 0.0, 0.0), 0.075, EAGLE_BROWN)]

    # bird frame -> view: bank about the forward axis, yaw about up, then
    # tilt the whole view so that we look up at the bird a little
    # bird axes: x forward, y up, z right wing; view: x right, y up, z to us
    to_view_base = np.array([[1, 0, 0], [0, 1, 0], [0, 0, -1.0]])  # right wing away from us at yaw 0
    R = rot_x(math.radians(-24)) @ rot_y(-yaw) @ rot_x(bank) @ np.eye(3)
    M = R @ to_view_base

    def tf(p):
        return M @ np.asarray(p, dtype=np.float64)

    painter = Painter(46, 23, 20.0, 23.0, 11.5)
    for kind, pts, sign in parts:
        v = [tf(p) for p in pts]
        if kind == 'wing':
            painter.poly(v, EAGLE_COVERT, EAGLE_UNDER, flip=sign > 0)
        elif kind == 'tip':
            painter.poly(v, EAGLE_TIPS, EAGLE_TIPS)
        elif kind == 'tail':
            painter.poly(v, EAGLE_WHITE * 1.6, EAGLE_WHITE * 1.5, bias=-0.01)
        elif kind == 'beak':
            painter.poly(v, EAGLE_BEAK, EAGLE_BEAK, bias=0.02)
    for centre, r, colour in body:
        painter.disc(tf(centre), r, colour)
    return painter.render()


def eagle_strip():
    frames = []
    for row in range(3):
        for side in range(2):
            for heading in range(24):
                frames.append(eagle_frame(heading, side, row))
    col = np.concatenate([f[0] for f in frames], axis=0)
    alpha = np.concatenate([f[1] for f in frames], axis=0)
    return col, alpha


# ------------------------------------------------------------ butterflies

SPECIES = {
    # main colour, border colour, spots colour, underside colour, tails
    1: (rgb('2f7fe8'), rgb('14161c'), rgb('ffffff'), rgb('7b5e44'), False),   # blue morpho-like
    2: (rgb('f28a14'), rgb('1a1410'), rgb('ffffff'), rgb('d9913a'), False),   # orange monarch-like
    3: (rgb('f7dc3c'), rgb('1b1a14'), rgb('4a8fe0'), rgb('e2c45a'), True),    # yellow swallowtail
}


def _scaled(poly, root, f):
    rx, ry = root
    return [(rx + (x - rx) * f, ry + (y - ry) * f) for x, y in poly]


def butterfly_frame(species, k):
    main, border, spots, under, tails = SPECIES[species]
    # wing angle above the horizontal over one smooth beat of 15 frames
    ph = 2 * math.pi * (k % 15) / 15.0
    lift = math.radians(25 + 55 * math.cos(ph))        # 80 deg up .. -30 deg down
    # planforms in the wing plane: u forward, v outward from the body
    fore = [(0.06, 0.03), (0.26, 0.55), (0.30, 0.92), (0.14, 0.95), (-0.06, 0.62), (-0.06, 0.05)]
    hind = [(-0.04, 0.03), (-0.10, 0.52), (-0.26, 0.62), (-0.40, 0.40), (-0.30, 0.12), (-0.10, 0.02)]
    if tails:
        hind = hind[:3] + [(-0.50, 0.50), (-0.36, 0.38)] + hind[4:]
    parts = []
    for sign in (-1, 1):
        for planform, is_fore in ((hind, False), (fore, True)):
            root = (planform[0][0] * 0.5 + planform[-1][0] * 0.5, 0.03)
            layers = [(planform, border), (_scaled(planform, root, 0.74), main)]
            if species == 3 and is_fore:
                # black bars across the yellow forewing
                layers.append(([(0.10, 0.30), (0.20, 0.55), (0.12, 0.58), (0.02, 0.32)], border))
            if species == 2:
                layers.append((_scaled(planform, root, 0.38), main * 0.85))
            if is_fore:
                layers.append(([(0.20, 0.80), (0.24, 0.84), (0.20, 0.88), (0.16, 0.84)], spots))
            elif species == 3:
                layers.append(([(-0.26, 0.50), (-0.30, 0.54), (-0.26, 0.58), (-0.22, 0.54)], spots))
            for li, (pts, colour) in enumerate(layers):
                v3 = []
                for u, v in pts:
                    y = v * math.sin(lift)
                    z = v * math.cos(lift) * sign
                    v3.append((u, y, z))
                parts.append((v3, colour, li, sign))
    # view from above and a little in front and to the side
    R = rot_z(math.radians(-12 + (species - 2) * 10)) @ rot_x(math.radians(72)) @ rot_y(math.radians(-90))
    painter = Painter(40, 30, 20.0, 20.0, 16.0)
    base_depth = 0.0
    for pts, colour, layer, sign in parts:
        v = [R @ np.array(p) for p in pts]
        if layer == 0:
            base_depth = float(np.mean([p[2] for p in v]))
        # layers of one wing lie in one plane: the pattern is drawn over
        # the upper side, the plain underside hides it from below
        painter.poly(v, colour, under, layer=layer, flip=sign > 0, light=np.array([-0.2, 0.6, 0.9]),
                     depth=base_depth)
    # body: a dark segmented body with a head
    for u, r in ((0.12, 0.045), (0.04, 0.05), (-0.06, 0.045), (-0.16, 0.038), (-0.25, 0.03)):
        painter.disc(R @ np.array([u, 0.0, 0.0]), r, rgb('2a2420'), bias=0.01)
    return painter.render()


def butterfly_strip(species):
    frames = [butterfly_frame(species, k) for k in range(16)]
    col = np.concatenate([f[0] for f in frames], axis=0)
    alpha = np.concatenate([f[1] for f in frames], axis=0)
    return col, alpha
