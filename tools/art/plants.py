"""Palms, bushes and rock shading: painting routines shared by the backdrop,
the second plane and the front sprites."""
import math

import cairo
import numpy as np

import artlib
from artlib import fbm, rgb, smoothstep, cairo_to_rgba, downsample_rgba, grad


def new_canvas(w, h, scale):
    """A cairo canvas for a w x h design picture, `scale` times supersampled
    (and artlib.SCALE times larger again for a high-resolution master);
    drawing is in design coordinates."""
    ss = _supersample(scale)
    surf = cairo.ImageSurface(cairo.FORMAT_ARGB32, artlib.scaled(w) * ss, artlib.scaled(h) * ss)
    ctx = cairo.Context(surf)
    ctx.scale(ss * artlib.SCALE, ss * artlib.SCALE)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_line_join(cairo.LINE_JOIN_ROUND)
    return surf, ctx


def _supersample(scale):
    """A master is already finer than the screen: twice is enough there."""
    return scale if artlib.SCALE == 1 else min(scale, 2)


def finish_canvas(surf, scale):
    col, a = cairo_to_rgba(surf)
    scale = _supersample(scale)
    if scale > 1:
        col, a = downsample_rgba(col, a, scale)
    return col, a


def _c(ctx, colour, alpha=1.0):
    ctx.set_source_rgba(float(colour[0]), float(colour[1]), float(colour[2]), alpha)


def jitter(colour, rng, amount):
    return np.clip(colour + rng.uniform(-amount, amount, 3) * np.array([0.8, 1.0, 0.6]), 0, 1)


def draw_frond(ctx, bx, by, angle, length, droop, rng, shade=1.0, leaflet=0.30,
               width=2.2, palette=None, curl=0.0, dense=1.0, hang=0.55):
    """One palm frond: a rib bending under its weight with leaflets hanging
    from both sides. angle in radians (0 = right, pi/2 = down)."""
    if palette is None:
        palette = (rgb('2f6b22'), rgb('5f9a2c'), rgb('a9c653'))
    dark, mid, light = [np.clip(p * shade, 0, 1) for p in palette]
    dx, dy = math.cos(angle), math.sin(angle)

    def point(s):
        return (bx + dx * length * s + curl * length * s * s * -dy * 0.3,
                by + dy * length * s + droop * length * s * s)

    def tangent(s):
        tx = dx * length - curl * length * 2 * s * dy * 0.3
        ty = dy * length + 2 * droop * length * s
        n = math.hypot(tx, ty) or 1.0
        return tx / n, ty / n

    n = int(34 * dense * max(length / 120.0, 0.5))

    def rib():
        # tapering rib, drawn between the two rows of leaflets
        rib_col = np.clip(rgb('8f9a46') * shade, 0, 1)
        steps = 24
        for k in range(steps):
            s0, s1 = k / steps * 0.9, (k + 1) / steps * 0.9
            ctx.move_to(*point(s0))
            ctx.line_to(*point(s1))
            _c(ctx, rib_col)
            ctx.set_line_width(max(width * 0.75 * (1 - s0) + 0.3, 0.5))
            ctx.stroke()

    for side in (-1, 1):
        if side == 1:
            rib()
        for i in range(n):
            s = 0.06 + 0.92 * i / max(n - 1, 1)
            px, py = point(s)
            tx, ty = tangent(s)
            # leaflets leave the rib forwards and sideways, then hang down
            spread = math.radians(55 + rng.uniform(-8, 8))
            ca, sa = math.cos(spread * side), math.sin(spread * side)
            lx = tx * ca - ty * sa
            ly = tx * sa + ty * ca
            ll = leaflet * length * (math.sin(math.pi * min(s * 1.1 + 0.05, 1.0)) ** 0.5) * (1.0 - 0.45 * s) * rng.uniform(0.85, 1.1)
            if ll < 2:
                continue
            hg = hang + 0.3 * hang * rng.uniform()
            ex = px + lx * ll
            ey = py + ly * ll + hg * ll * 0.8
            cx = px + lx * ll * 0.55
            cy = py + ly * ll * 0.55 + hg * ll * 0.15
            # tapered leaflet as a thin filled shape
            nx, ny = -ly, lx
            w = width * (1.0 - 0.4 * s)
            t = rng.uniform(0, 1)
            # the far row of leaflets is in the shade of the near one
            if side == -1:
                colour = dark * (1 - t) + mid * t
            else:
                colour = mid * (1 - t) + light * t
            colour = jitter(colour, rng, 0.05)
            ctx.move_to(px + nx * w * 0.5, py + ny * w * 0.5)
            ctx.curve_to(cx + nx * w, cy + ny * w, cx + nx * w * 0.6, cy + ny * w * 0.6, ex, ey)
            ctx.curve_to(cx - nx * w * 0.2, cy - ny * w * 0.2, cx - nx * w * 0.5, cy - ny * w * 0.5,
                         px - nx * w * 0.5, py - ny * w * 0.5)
            ctx.close_path()
            _c(ctx, colour)
            ctx.fill()
            # darker midline of the leaflet for a little relief
            ctx.move_to(px, py)
            ctx.curve_to(cx, cy, cx, cy, ex, ey)
            _c(ctx, colour * 0.72)
            ctx.set_line_width(max(w * 0.22, 0.5))
            ctx.stroke()


def draw_trunk(ctx, pts, w0, w1, rng, base=None, ring_step=11.0):
    """A curved palm trunk along a cubic Bezier pts (4 points), width w0 at
    the foot to w1 at the crown, shaded as a cylinder lit from the left, with
    leaf-scar rings."""
    if base is None:
        base = rgb('8b7560')
    (x0, y0), (x1, y1), (x2, y2), (x3, y3) = pts

    def bez(t):
        mt = 1 - t
        return (mt ** 3 * x0 + 3 * mt * mt * t * x1 + 3 * mt * t * t * x2 + t ** 3 * x3,
                mt ** 3 * y0 + 3 * mt * mt * t * y1 + 3 * mt * t * t * y2 + t ** 3 * y3)

    steps = 240
    samples = [bez(i / steps) for i in range(steps + 1)]
    # arc length for the rings
    lengths = [0.0]
    for a, b in zip(samples[:-1], samples[1:]):
        lengths.append(lengths[-1] + math.hypot(b[0] - a[0], b[1] - a[1]))
    # cylinder shading as bands across the width, dark to light
    bands = []
    for i in range(12):
        k = i / 11.0
        bands.append((1.0 - 0.84 * k, 0.55 + 0.70 * k ** 0.8, -0.36 * k))
    for frac, bright, off in bands:
        for i in range(steps):
            t = i / steps
            (ax, ay), (bx, by) = samples[i], samples[i + 1]
            w = (w0 * (1 - t) + w1 * t)
            tx, ty = bx - ax, by - ay
            n = math.hypot(tx, ty) or 1.0
            nx, ny = -ty / n, tx / n
            # light comes from the upper left: shift highlights that way
            sx = -abs(nx) * off * w if nx != 0 else 0
            ctx.move_to(ax + sx, ay + ny * off * w * 0.3)
            ctx.line_to(bx + sx, by + ny * off * w * 0.3)
            _c(ctx, np.clip(base * bright, 0, 1))
            ctx.set_line_width(w * frac)
            ctx.stroke()
    # rings: darker arcs every ring_step along the trunk
    s = rng.uniform(0, ring_step)
    while s < lengths[-1]:
        i = min(range(len(lengths)), key=lambda k: abs(lengths[k] - s))
        t = i / steps
        ax, ay = samples[max(i - 1, 0)]
        bx, by = samples[min(i + 1, steps)]
        cx, cy = samples[i]
        tx, ty = bx - ax, by - ay
        n = math.hypot(tx, ty) or 1.0
        tx, ty = tx / n, ty / n
        nx, ny = -ty, tx
        w = (w0 * (1 - t) + w1 * t) * 0.5
        bow = w * 0.25
        ctx.move_to(cx + nx * w * 0.98, cy + ny * w * 0.98)
        ctx.curve_to(cx + nx * w * 0.4 - tx * bow, cy + ny * w * 0.4 - ty * bow,
                     cx - nx * w * 0.4 - tx * bow, cy - ny * w * 0.4 - ty * bow,
                     cx - nx * w * 0.98, cy - ny * w * 0.98)
        _c(ctx, np.clip(base * 0.45, 0, 1), 0.85)
        ctx.set_line_width(max(w * 0.16, 0.8))
        ctx.stroke()
        # a pale lip under each ring
        ctx.move_to(cx + nx * w * 0.9 + tx * 1.4, cy + ny * w * 0.9 + ty * 1.4)
        ctx.curve_to(cx + nx * w * 0.4 - tx * bow + tx * 1.4, cy + ny * w * 0.4 - ty * bow + ty * 1.4,
                     cx - nx * w * 0.4 - tx * bow + tx * 1.4, cy - ny * w * 0.4 - ty * bow + ty * 1.4,
                     cx - nx * w * 0.9 + tx * 1.4, cy - ny * w * 0.9 + ty * 1.4)
        _c(ctx, np.clip(base * 1.25, 0, 1), 0.5)
        ctx.set_line_width(max(w * 0.09, 0.6))
        ctx.stroke()
        s += ring_step * rng.uniform(0.85, 1.15) * (0.75 + 0.5 * (1 - t))
    return samples[-1]


def draw_crown(ctx, cx, cy, size, rng, shade=1.0, fronds=None, palette=None, coconuts=True,
               leaflet=0.30, width=2.2, dense=1.0, hang=0.55, droop_scale=1.0):
    """A palm crown: fronds all around, back ones darker, coconuts in the
    middle. fronds: list of (angle degrees, length factor, droop)."""
    if fronds is None:
        fronds = [(-160, 1.0, 0.9), (-125, 0.9, 0.6), (-95, 0.75, 0.35), (-60, 0.9, 0.6),
                  (-25, 1.0, 0.9), (10, 0.95, 1.1), (165, 0.95, 1.1), (40, 0.7, 1.3),
                  (140, 0.7, 1.3), (80, 0.45, 1.0), (110, 0.5, 1.0)]
    # back fronds first (those pointing up), front (down-hanging) last
    order = sorted(fronds, key=lambda f: math.sin(math.radians(f[0])))
    for ang, lf, droop in order:
        a = math.radians(ang + rng.uniform(-6, 6))
        back = math.sin(a) < -0.3
        draw_frond(ctx, cx, cy, a, size * lf, droop * droop_scale, rng, shade=shade * (0.78 if back else 1.0),
                   leaflet=leaflet, width=width, palette=palette, dense=dense, hang=hang)
        if coconuts and ang == order[len(order) // 2][0]:
            _coconuts(ctx, cx, cy, size, rng, shade)
    if coconuts:
        _coconuts(ctx, cx, cy + size * 0.02, size, rng, shade * 0.95, few=True)


def _coconuts(ctx, cx, cy, size, rng, shade, few=False):
    r = size * 0.055
    n = 3 if few else 5
    for i in range(n):
        ox = rng.uniform(-1.6, 1.6) * r
        oy = rng.uniform(0.2, 1.8) * r
        base = rgb('6d6a2a') if rng.uniform() < 0.6 else rgb('7a5a30')
        g = cairo.RadialGradient(cx + ox - r * 0.35, cy + oy - r * 0.35, r * 0.1, cx + ox, cy + oy, r)
        c1 = np.clip(base * 1.5 * shade, 0, 1)
        c2 = np.clip(base * 0.6 * shade, 0, 1)
        g.add_color_stop_rgb(0, *c1)
        g.add_color_stop_rgb(1, *c2)
        ctx.set_source(g)
        ctx.arc(cx + ox, cy + oy, r, 0, 2 * math.pi)
        ctx.fill()


def foliage(w, h, blobs, seed, palette=None, light=(-0.6, -0.8)):
    """Masses of leaves: a list of blobs (cx, cy, radius), painted back to
    front (smaller y first), each shaded as a rounded clump lit from the
    upper left and broken into leafy texture. Returns (colour, alpha)."""
    if palette is None:
        palette = (rgb('1c3d16'), rgb('3a6e24'), rgb('7fae3c'))
    palettes = palette if isinstance(palette, list) else [palette]
    S = artlib.SCALE
    col = np.zeros((artlib.scaled(h), artlib.scaled(w), 3))
    alpha = np.zeros(col.shape[:2])
    tex = fbm(w, h, 6.0, seed, octaves=3)
    tex2 = fbm(w, h, 2.5, seed + 5, octaves=2)
    lx, ly = light
    gy, gx = artlib.grid(h, w)
    for blob in sorted(blobs, key=lambda b: b[1]):
        bx, by, r = blob[:3]
        dark, mid, light_c = palettes[blob[3] if len(blob) > 3 else 0]
        x0, x1 = int(round(int(max(bx - r - 2, 0)) * S)), int(round(int(min(bx + r + 3, w)) * S))
        y0, y1 = int(round(int(max(by - r - 2, 0)) * S)), int(round(int(min(by + r + 3, h)) * S))
        if x0 >= x1 or y0 >= y1:
            continue
        yy, xx = gy[y0:y1, x0:x1], gx[y0:y1, x0:x1]
        nx = (xx - bx) / r
        ny = (yy - by) / r
        t = tex[y0:y1, x0:x1]
        t2 = tex2[y0:y1, x0:x1]
        rr = np.sqrt(nx * nx + ny * ny) + 0.28 * t + 0.12 * t2
        inside = rr < 1.0
        nz = np.sqrt(np.clip(1 - np.minimum(rr, 1) ** 2, 0, 1))
        lam = np.clip(-(nx * lx + ny * ly) * 0.8 + nz * 0.5, 0, 1)
        lam = np.clip(lam + 0.35 * t2, 0, 1)
        c = np.where((lam < 0.5)[..., None],
                     dark + (mid - dark) * (lam / 0.5)[..., None],
                     mid + (light_c - mid) * ((lam - 0.5) / 0.5)[..., None])
        sub_a = alpha[y0:y1, x0:x1]
        sub_c = col[y0:y1, x0:x1]
        sub_c[inside] = c[inside]
        sub_a[inside] = 1.0
    return col, alpha


def rock_shade(hgt, light=(-0.55, -0.65, 0.52), base=None, strata=None):
    """Colour of a rock surface from a height field: lambert lighting plus a
    touch of ambient, strata tint optional."""
    if base is None:
        base = rgb('8a7d6c')
    gy, gx = grad(hgt)
    nx, ny, nz = -gx, -gy, np.ones_like(hgt)
    n = np.sqrt(nx * nx + ny * ny + nz * nz)
    lx, ly, lz = light
    lam = np.clip((nx * lx + ny * ly + nz * lz) / n, 0, 1)
    shade = 0.35 + 0.85 * lam
    col = base[None, None, :] * shade[..., None]
    if strata is not None:
        col = col * (1 + 0.12 * strata[..., None])
    return np.clip(col, 0, 1)
