"""The still pictures of the scene: backdrop, second plane, the three palms,
the stones and the front plant. Each painter returns (colour, alpha) at the
picture's own size; coordinates are those of the 1024 x 768 layout, offset
by the picture's place in it."""
import math

import numpy as np

import artlib
from artlib import fbm, rgb, mix, smoothstep, gradient, value_noise, grid, grad
from plants import new_canvas, finish_canvas, draw_crown, draw_frond, draw_trunk, foliage, rock_shade
from water import Sea, HORIZON

# places in the 1024 x 768 layout
PLACE = {
    'SECONDPLANE': (503, 297, 520, 283),
    'PALMLEFT': (0, 0, 303, 428),
    'PALMMIDLE': (302, 0, 384, 158),
    'PALMRIGHT': (685, 0, 339, 392),
    'STOUNLEFT': (0, 579, 397, 187),
    'PAPRIGHT': (636, 504, 387, 263),
}


# ------------------------------------------------------------ backdrop

def sky(w, h, left=0):
    """The sky of a backdrop `left` design columns wider at the left."""
    yy, xx = grid(h, w)
    xx = xx - left
    stops = [(0, rgb('2b68b8')), (120, rgb('3f82c8')), (260, rgb('76aedb')),
             (360, rgb('a9cde8')), (HORIZON, rgb('cfe3ee'))]
    col = gradient(stops, yy + 6 * np.sin(xx / 170.0))
    col = clouds(col, xx, yy, left)
    # high streaks
    streak = fbm(w, h, 40.0, 303, octaves=4, aspect=6.0)
    streak = smoothstep(0.25, 0.6, streak) * (1 - smoothstep(40, 200, yy)) * 0.35
    col = mix(col, rgb('eef4f8'), streak)
    return col


# Clouds of the backdrop's wide part, left of the 1024 x 768 layout: centre
# x, base y, width, height, like those of the layout itself below.
WIDE_CLOUDS = [
    (-120, 300, 210, 48), (-330, 385, 280, 58), (-560, 180, 160, 40), (-760, 350, 330, 80),
    (-980, 250, 180, 44), (-1190, 392, 250, 40), (-1380, 140, 130, 30), (-1560, 330, 260, 66),
    (-1690, 210, 120, 34), (-890, 90, 100, 24), (-420, 60, 90, 22),
]


def clouds(col, xx, yy, left=0):
    """Fair-weather cumulus: each cloud a heap of round billows on a flat
    base, lit from above and the left, the base in blue-grey shadow. The
    picture starts `left` design columns left of the layout's."""
    S = artlib.SCALE
    h, w = int(round(xx.shape[0] / S)), int(round(xx.shape[1] / S))
    rng = np.random.default_rng(310)
    n_soft = fbm(w, h, 10.0, 311, octaves=4)
    specs = [  # centre x, base y, width, height
        (150, 380, 300, 62), (470, 392, 170, 30), (700, 372, 260, 70), (960, 356, 240, 86),
        (330, 250, 170, 50), (800, 200, 200, 56), (560, 120, 120, 32), (70, 170, 120, 38),
        (1000, 95, 90, 26),
    ]
    if left > 0:
        specs += [c for c in WIDE_CLOUDS if c[0] + c[2] > -left]
    for cx, by, cw, ch in specs:
        cx = cx + left  # in the picture's own columns
        dens = np.zeros(xx.shape)
        light = np.zeros(xx.shape)
        wsum = np.full(xx.shape, 1e-6)
        nb = int(cw / 9) + 6
        for k in range(nb):
            u = rng.uniform(-1, 1)
            bx = cx + u * cw * 0.5
            top = ch * (1 - u * u) ** 0.7 * rng.uniform(0.6, 1.0)
            r = max(top * rng.uniform(0.35, 0.7), 7)
            bcy = by - top + r
            x0, x1 = int(max(bx - r - 4, 0)), int(min(bx + r + 5, w))
            y0, y1 = int(max(bcy - r - 4, 0)), int(min(by + 3, h))
            if x0 >= x1 or y0 >= y1:
                continue
            x0, x1, y0, y1 = (int(round(v * S)) for v in (x0, x1, y0, y1))
            sx = (xx[y0:y1, x0:x1] + left - bx) / r
            sy = (yy[y0:y1, x0:x1] - bcy) / r
            rr = np.sqrt(sx * sx + sy * sy) + 0.30 * n_soft[y0:y1, x0:x1]
            d = np.clip(1 - rr, 0, 1)
            nz = np.sqrt(np.clip(1 - np.minimum(rr, 1) ** 2, 0, 1))
            lit = np.clip(-sx * 0.35 - sy * 0.75 + nz * 0.45, 0, 1)
            wgt = d ** 3
            light[y0:y1, x0:x1] += lit * wgt
            wsum[y0:y1, x0:x1] += wgt
            dens[y0:y1, x0:x1] = np.maximum(dens[y0:y1, x0:x1], d)
        light = light / wsum
        # the flat base
        base = smoothstep(by + 2, by - 6, yy)
        dens = dens * base
        cover = smoothstep(0.03, 0.3, dens)
        under = smoothstep(by - ch * 0.45, by, yy)   # lower part in shadow
        shade = np.clip(0.25 + 0.85 * light - 0.45 * under + 0.12 * n_soft, 0, 1)
        ccol = gradient([(0, rgb('9fb2c9')), (0.45, rgb('d9e1ea')), (0.8, rgb('fbfbf9')), (1, rgb('ffffff'))], shade)
        haze = smoothstep(250, HORIZON, yy) * 0.3
        ccol = mix(ccol, rgb('d4e4ef'), haze)
        col = mix(col, ccol, cover * 0.97)
    return col


def ridge(xs, pts):
    """Piecewise-smooth ridge line through (x, y) points."""
    px = np.array([p[0] for p in pts], dtype=np.float64)
    py = np.array([p[1] for p in pts], dtype=np.float64)
    return np.interp(xs, px, py)


def paint_backdrop(sea, left=0):
    """The backdrop of the 1024 x 768 layout, or with `left` > 0 a wider one
    that goes on that many design columns to the left (more sky, sea and a
    second distant island) for wide screens, which are cut from its right."""
    w, h = 1024 + left, 500
    yy, xx = grid(h, w)
    xx = xx - left
    col = sky(w, h, left)
    # the sea below the horizon: the still far water
    sea_col = sea.render(xx + 0.5, yy + 0.5, 0.0, animated=False)
    col = np.where((yy >= HORIZON)[..., None], sea_col, col)
    # a soft haze line at the horizon
    col = mix(col, rgb('d8e8ee'), np.exp(-((yy - HORIZON) / 2.5) ** 2) * 0.45)

    # a distant island on the left horizon, blue with haze
    isl = ridge(xx[0], [(40, HORIZON), (90, 402), (150, 388), (200, 380), (240, 392),
                        (300, 398), (345, 409), (380, HORIZON)])
    isl = isl + 2.5 * value_noise(w, 1, 9, 1, 77)[0]
    m = (yy >= isl[None, :]) & (yy < HORIZON) & (xx > 40) & (xx < 380)
    isl_col = mix(rgb('6f93ad'), rgb('85a8bd'), smoothstep(380, HORIZON, yy))
    m_soft = smoothstep(isl[None, :] - 0.7, isl[None, :] + 0.7, yy) * m.any(axis=0)[None, :] * (yy < HORIZON) \
        * (xx > 40) * (xx < 380)
    col = mix(col, isl_col, m_soft)
    if left > 0:
        # a lower, fainter island farther out on the left
        far = ridge(xx[0], [(-1500, HORIZON), (-1440, 408), (-1370, 401), (-1290, 404), (-1210, 398),
                            (-1130, 406), (-1060, HORIZON)])
        far = far + 1.5 * value_noise(w, 1, 7, 1, 78)[0]
        far_col = mix(rgb('86a6bc'), rgb('9cb9ca'), smoothstep(398, HORIZON, yy))
        f_soft = smoothstep(far[None, :] - 0.7, far[None, :] + 0.7, yy) * (yy < HORIZON) \
            * (xx > -1500) * (xx < -1060)
        col = mix(col, far_col, f_soft)

    # the rocky headland at the right, behind the second plane
    n = fbm(w, h, 30.0, 401, octaves=5)
    top = ridge(xx[0], [(548, HORIZON + 6), (590, 392), (640, 350), (690, 318), (735, 282),
                        (790, 250), (840, 236), (880, 246), (930, 232), (975, 244), (1024, 238)])
    top = top + 9 * value_noise(w, 1, 22, 1, 402)[0] + 3 * value_noise(w, 1, 6, 1, 403)[0]
    rock = (yy >= top[None, :]) & (xx >= 548) & (yy < HORIZON + 5)
    # rock surface: strata and cracks, lit from the left
    hgt = 18 * n + 6 * fbm(w, h, 6.0, 404, octaves=3) + 4 * np.sin(yy / 7.0 + 3 * n)
    rock_col = rock_shade(hgt, base=rgb('9c8a76'), strata=np.sin(yy / 5.0 + n * 4))
    # vegetation on the upper slopes (a band below the ridge)
    veg_depth = 26 + 18 * fbm(w, h, 20.0, 405, octaves=3)
    veg = (yy - top[None, :]) < veg_depth
    vtex = fbm(w, h, 4.0, 406, octaves=3)
    veg_col = mix(rgb('2c5a2c'), rgb('5c8a3c'), np.clip(0.5 + vtex * 0.9, 0, 1))
    head_col = np.where(veg[..., None], veg_col, rock_col)
    # aerial haze: farther things take on the sky's colour
    head_col = mix(head_col, rgb('a8c4d6'), 0.30)
    rock_soft = smoothstep(top[None, :] - 0.7, top[None, :] + 0.7, yy) * (xx >= 548) * (yy < HORIZON + 5)
    col = mix(col, head_col, rock_soft)
    # a little surf line at the foot of the distant rocks
    foot = rock & (yy > HORIZON + 2) & (yy < HORIZON + 5)
    col = np.where(foot[..., None], mix(col, rgb('f0f6f6'), 0.6), col)

    # palm crowns on the headland's ridge, hazy dark green
    surf, ctx = new_canvas(w, h, 2)
    ctx.translate(left, 0)
    rng = np.random.default_rng(410)
    for x in (612, 668, 700, 760, 812, 862, 905, 956, 1000):
        ty = float(np.interp(x, xx[0], top))
        height = rng.uniform(28, 52)
        lean = rng.uniform(-10, 10)
        tx, tyy = x + lean, ty - height
        ctx.move_to(x, ty + 4)
        ctx.curve_to(x + lean * 0.2, ty - height * 0.4, tx - lean * 0.1, tyy + height * 0.3, tx, tyy)
        ctx.set_source_rgb(0.36, 0.38, 0.34)
        ctx.set_line_width(2.2)
        ctx.stroke()
        draw_crown(ctx, tx, tyy, rng.uniform(16, 22), rng, shade=0.75, coconuts=False,
                   leaflet=0.26, width=1.6, dense=0.6, hang=0.15, droop_scale=0.55,
                   palette=(rgb('2c4d2e'), rgb('3f6a3a'), rgb('6a8f55')))
    pc, pa = finish_canvas(surf, 2)
    pc = mix(pc, rgb('a8c4d6'), 0.22)
    col = mix(col, pc, pa)
    # a small sailing boat far out, near the horizon
    surf, ctx = new_canvas(w, h, 4)
    ctx.translate(left, 0)
    bx, by = 452.0, HORIZON + 4.0
    ctx.move_to(bx - 6, by - 1)
    ctx.line_to(bx + 7, by - 1)
    ctx.line_to(bx + 5, by + 1.2)
    ctx.line_to(bx - 4.5, by + 1.2)
    ctx.close_path()
    ctx.set_source_rgb(*rgb('3b4656'))
    ctx.fill()
    ctx.move_to(bx, by - 1.5)
    ctx.line_to(bx, by - 15)
    ctx.line_to(bx + 6.5, by - 2.2)
    ctx.close_path()
    ctx.set_source_rgb(*rgb('f7f5ee'))
    ctx.fill()
    ctx.move_to(bx - 0.6, by - 13)
    ctx.line_to(bx - 0.6, by - 2.2)
    ctx.line_to(bx - 5, by - 2.2)
    ctx.close_path()
    ctx.set_source_rgb(*rgb('dcdcd2'))
    ctx.fill()
    bc, ba = finish_canvas(surf, 4)
    col = mix(col, bc, ba)
    # its faint reflection
    refl = (yy > by + 1.2) & (yy < by + 6) & (np.abs(xx - bx - 1) < 2.5)
    col = np.where(refl[..., None], mix(col, rgb('d9e6ea'), 0.25), col)
    return np.clip(col, 0, 1)


# ------------------------------------------------------------ second plane

def paint_second_plane(sea):
    X0, Y0, w, h = PLACE['SECONDPLANE']
    yy, xx = grid(h, w)
    wx, wy = xx + X0, yy + Y0        # layout coordinates
    col = np.zeros(yy.shape + (3,))
    alpha = np.zeros(yy.shape)

    n = fbm(w, h, 26.0, 501, octaves=5)
    # the headland's outline against the sky and the far sea
    top = ridge(wx[0], [(505, 470), (520, 446), (548, 430), (585, 410), (630, 385), (690, 372),
                        (750, 350), (820, 338), (890, 322), (960, 315), (1030, 306)])
    top = top + 6 * value_noise(w, 1, 18, 1, 502)[0] + 2 * value_noise(w, 1, 5, 1, 503)[0]
    # its foot on the left: a rocky point running into the sea
    left = ridge(wy[:, 0], [(440, 560), (470, 520), (490, 512), (520, 509), (545, 516), (575, 530)])
    left = left + 3 * value_noise(1, h, 1, 7, 504)[:, 0]
    body = (wy >= top[None, :]) & (wx >= left[:, None])
    # bottom edge over the near surf: ragged rocks, the beach beyond
    bottom = 569 + 6 * value_noise(w, 1, 26, 1, 505)[0] + 1.5 * value_noise(w, 1, 7, 1, 506)[0]
    bottom = bottom + 6 * smoothstep(640, 760, wx[0])
    bottom = np.minimum(bottom, 579.5)
    body &= wy < bottom[None, :]

    # rock: dark volcanic stone, blocky, lit from the upper left
    big = fbm(w, h, 45.0, 510, octaves=3)
    hgt = 40 * big + 6 * n + 3 * fbm(w, h, 5.0, 507, octaves=2) + 14 * np.floor((big + 1) * 4) / 4
    rock_col = rock_shade(hgt, base=rgb('86786a'), strata=0.6 * np.sin(wy / 6.0 + big * 8))
    rock_col = mix(rock_col, rgb('4e463f'), smoothstep(480, 560, wy) * 0.35)
    # wet dark band at the waterline of the point, with a collar of foam
    wl = 512 + 2 * np.sin(wx / 9.0)
    wet = smoothstep(wl - 10, wl, wy)
    rock_col = mix(rock_col, rock_col * 0.55, wet * smoothstep(720, 660, wx))
    # crevices: dark cracks following the noise's zero lines
    crack = 1 - np.clip(np.abs(fbm(w, h, 22.0, 512, octaves=3)) * 14, 0, 1)
    rock_col = rock_col * (1 - 0.45 * crack[..., None])
    # green ledges on the cliff
    ledge = smoothstep(0.35, 0.55, fbm(w, h, 12.0, 513, octaves=3, aspect=2.5)) * smoothstep(560, 470, wy)
    rock_col = mix(rock_col, rgb('3d6a2a') * (0.8 + 0.3 * n[..., None]), ledge * 0.85)
    col[:] = rock_col

    # jungle over the top: clumps of leaves along and below the outline
    rng = np.random.default_rng(508)
    blobs = []
    for x in np.arange(500, 1030, 9.0):
        t = float(np.interp(x, wx[0], top))
        if x < 530:
            continue
        for k in range(5):
            depth = rng.uniform(0, 60 + 0.18 * (x - 500))
            r = rng.uniform(9, 18) * (0.8 + 0.004 * (x - 500) * 0.5)
            kind = 0 if rng.uniform() < 0.62 else (1 if rng.uniform() < 0.6 else 2)
            blobs.append((x - X0 + rng.uniform(-4, 4), t - Y0 + depth + r * 0.4, r, kind))
    fcol, fa = foliage(w, h, blobs, 509, palette=[(rgb('173818'), rgb('2f6427'), rgb('6e9f3a')),
                                                  (rgb('23401a'), rgb('4d7a2a'), rgb('9cbf4e')),
                                                  (rgb('143424'), rgb('2a5a3e'), rgb('5e8f62'))])
    # leaves only inside the headland or a little above its outline
    fa = fa * (wy >= (top[None, :] - 14)) * (wx >= left[:, None] + 6)
    col = mix(col, fcol, fa[..., None])
    alpha = np.maximum(body.astype(np.float64), fa)

    # palms on the headland, in front of the jungle
    surf, ctx = new_canvas(w, h, 2)
    for (x, height, lean, size) in [(610, 95, -12, 38), (668, 125, 8, 44), (745, 105, -6, 40),
                                    (850, 135, 14, 46), (935, 110, -10, 42), (995, 140, 6, 48)]:
        ty = float(np.interp(x, wx[0], top)) + 14 - Y0
        bx = x - X0
        tx, tyy = bx + lean, max(ty - height, 18)
        draw_trunk(ctx, [(bx, ty + 10), (bx + lean * 0.1, ty - height * 0.4),
                         (tx - lean * 0.2, tyy + height * 0.3), (tx, tyy)], 5.5, 3.5, rng,
                   base=rgb('7b6b5a'), ring_step=6)
        draw_crown(ctx, tx, tyy, size, rng, shade=0.92, leaflet=0.26, width=2.0, dense=0.8,
                   hang=0.2, droop_scale=0.6)
    pc, pa = finish_canvas(surf, 2)
    col = mix(col, pc, pa[..., None])
    alpha = np.maximum(alpha, pa)

    # the rocks' feet in the water: darker and wet, with a ring of foam
    dist_bottom = bottom[None, :] - wy
    wetfoot = smoothstep(14, 2, dist_bottom) * body
    col = mix(col, col * 0.6, wetfoot[..., None] * 0.8)
    fnoise = fbm(w, h, 3.0, 511, octaves=2)
    patches = smoothstep(0.0, 0.3, fbm(w, h, 9.0, 514, octaves=2))
    foam = np.exp(-((dist_bottom - 2.5) / 2.2) ** 2) * np.clip(0.3 + fnoise * 1.5, 0, 1) * patches * body
    # foam also along the point's left edge where the far sea meets it
    dist_left = wx - left[:, None]
    foam_l = np.exp(-((dist_left - 2) / 2.0) ** 2) * smoothstep(500, 515, wy) * np.clip(0.5 + fnoise * 1.5, 0, 1) * body
    col = mix(col, rgb('f2f7f6'), np.clip(foam + foam_l, 0, 1)[..., None] * 0.9)
    # keep the gap right of the far surf solid: rocks and bushes there
    gap = (wx >= 663) & (wy >= 492) & (wy < 566)
    alpha = np.where(gap, 1.0, alpha)
    col = np.where((gap & (alpha > 0) & (fa < 0.5) & ~body)[..., None], rock_col, col)
    return np.clip(col, 0, 1), np.clip(alpha, 0, 1)


# ------------------------------------------------------------ palms

FRONT_PALETTE = (rgb('23561d'), rgb('4f8f2a'), rgb('a7c94e'))


def paint_palm_left():
    X0, Y0, w, h = PLACE['PALMLEFT']
    surf, ctx = new_canvas(w, h, 2)
    rng = np.random.default_rng(601)
    top = draw_trunk(ctx, [(-40, 392), (40, 300), (95, 170), (132, 92)], 34, 21, rng,
                     base=rgb('927a62'), ring_step=12)
    fronds = [(-170, 0.85, 0.55), (-140, 0.75, 0.45), (-105, 0.55, 0.3), (-70, 0.65, 0.45),
              (-35, 0.9, 0.6), (-5, 1.0, 0.85), (25, 0.85, 1.1), (60, 0.6, 1.2),
              (115, 0.6, 1.1), (150, 0.85, 0.95), (180, 0.9, 0.7)]
    draw_crown(ctx, top[0], top[1], 150, rng, fronds=fronds, leaflet=0.30, width=5.0,
               palette=FRONT_PALETTE, hang=0.45)
    return finish_canvas(surf, 2)


def paint_palm_right():
    X0, Y0, w, h = PLACE['PALMRIGHT']
    surf, ctx = new_canvas(w, h, 2)
    rng = np.random.default_rng(602)
    top = draw_trunk(ctx, [(395, 350), (300, 262), (232, 170), (196, 92)], 36, 21, rng,
                     base=rgb('8f775f'), ring_step=12)
    fronds = [(-175, 0.95, 0.7), (-150, 0.85, 0.5), (-120, 0.6, 0.35), (-80, 0.55, 0.3),
              (-45, 0.75, 0.45), (-15, 0.95, 0.65), (15, 0.95, 0.95), (55, 0.6, 1.2),
              (120, 0.65, 1.1), (155, 0.9, 1.0), (200, 0.85, 0.8)]
    draw_crown(ctx, top[0], top[1], 148, rng, fronds=fronds, leaflet=0.30, width=5.0,
               palette=FRONT_PALETTE, hang=0.45)
    return finish_canvas(surf, 2)


def paint_palm_middle():
    X0, Y0, w, h = PLACE['PALMMIDLE']
    surf, ctx = new_canvas(w, h, 2)
    rng = np.random.default_rng(603)
    # a crown just above the top edge: only its hanging fronds show
    cx, cy = 200, -28
    fronds = [(10, 0.95, 0.9), (35, 0.85, 1.0), (62, 0.7, 0.9), (88, 0.55, 0.6),
              (115, 0.75, 0.9), (145, 0.9, 1.0), (170, 0.95, 0.85), (-5, 0.9, 0.6), (185, 0.9, 0.6)]
    draw_crown(ctx, cx, cy, 175, rng, fronds=fronds, leaflet=0.30, width=5.0,
               palette=FRONT_PALETTE, hang=0.5, coconuts=False)
    return finish_canvas(surf, 2)


def fade_edges(alpha, left=False, right=False, top=False, bottom=False, margin=6):
    """Pull the outline in near picture edges that are not screen edges, so
    no leaf ends in a straight cut."""
    h, w = int(round(alpha.shape[0] / artlib.SCALE)), int(round(alpha.shape[1] / artlib.SCALE))
    yy, xx = grid(h, w)
    m = np.ones_like(alpha)
    if left:
        m *= smoothstep(0, margin, xx)
    if right:
        m *= smoothstep(w - 1, w - 1 - margin, xx)
    if top:
        m *= smoothstep(0, margin, yy)
    if bottom:
        m *= smoothstep(h - 1, h - 1 - margin, yy)
    return alpha * m


# ------------------------------------------------------------ stones

def paint_stones(sea):
    X0, Y0, w, h = PLACE['STOUNLEFT']
    yy, xx = grid(h, w)
    col = np.zeros(yy.shape + (3,))
    alpha = np.zeros(yy.shape)
    grain = fbm(w, h, 2.0, 701, octaves=2)
    mottle = fbm(w, h, 14.0, 702, octaves=4)
    lichen = fbm(w, h, 9.0, 703, octaves=3)
    # boulders: centre x, base y, half width, height, tint
    boulders = [(70, 100, 95, 80, rgb('a49a8c')), (215, 122, 88, 62, rgb('ab9d8a')),
                (330, 150, 62, 44, rgb('a09383')), (20, 160, 70, 58, rgb('978d80')),
                (140, 172, 90, 54, rgb('ad a292'.replace(' ', ''))), (268, 182, 66, 38, rgb('9f9180')),
                (352, 180, 34, 24, rgb('a69887'))]
    boulders = sorted(boulders, key=lambda b: b[1])
    for k, (cx, by, hw, ht, tint) in enumerate(boulders):
        wob = fbm(w, h, 18.0, 710 + k, octaves=3)
        ex = (xx - cx) / hw
        ey = (yy - (by - ht)) / ht          # 0 at the top, 1 at the base
        # rounded top, flatter base sunk in the sand
        r2 = np.abs(ex) ** 2.4 + np.clip(1 - ey, 0, None) ** 2.2
        shape = 1 - r2 - 0.22 * wob
        inside = (shape > 0) & (ey <= 1.0 + 0.05 * wob)
        facets = fbm(w, h, 16.0, 720 + k, octaves=2)
        z = np.sqrt(np.clip(shape, 0, 1)) * ht * 0.9 + 7 * facets + 2.5 * mottle + 0.8 * grain
        gy, gx = grad(z)
        nx, ny, nz = -gx, -gy, np.ones_like(z)
        n = np.sqrt(nx * nx + ny * ny + nz * nz)
        lam = np.clip((nx * -0.55 + ny * -0.75 + nz * 0.4) / n, 0, 1)
        # warm sunlight, cool blue shadows from the sky
        shade = 0.30 + 0.95 * lam
        # occlusion towards the outline and the foot
        occ = np.clip(np.sqrt(np.clip(shape, 0, 1)) * 2.2, 0, 1)
        shade = shade * (0.65 + 0.35 * occ)
        c = tint[None, None, :] * shade[..., None]
        c = c + (1 - lam)[..., None] * np.array([-0.03, 0.0, 0.05]) + lam[..., None] * np.array([0.04, 0.02, -0.02])
        c = c * (1 + 0.10 * mottle[..., None] + 0.06 * grain[..., None])
        # speckles of darker and lighter mineral
        c = np.where((grain > 0.55)[..., None], c * 0.8, c)
        c = np.where((grain < -0.6)[..., None], np.clip(c * 1.15, 0, 1), c)
        # yellow-grey lichen on the lit tops
        li = smoothstep(0.25, 0.45, lichen) * smoothstep(0.4, 0.1, ey)
        c = mix(c, rgb('b9b07a') * shade[..., None], li * 0.45)
        # damp, darker base in the sand
        c = mix(c, c * 0.62, smoothstep(0.75, 1.0, ey))
        col = np.where(inside[..., None], c, col)
        alpha = np.where(inside, 1.0, alpha)
    # sand around the feet of the boulders, so they sit on the beach
    sand = sea.render(xx + X0 + 0.5, yy + Y0 + 0.5, 0.0, animated=False)
    apron = np.zeros(yy.shape)
    for (cx, by, hw, ht, tint) in boulders:
        d = ((xx - cx) / (hw * 1.15)) ** 2 + ((yy - by) / 9.0) ** 2
        apron = np.maximum(apron, (d < 1).astype(np.float64))
    # contact shadow under each boulder
    shadow = np.zeros(yy.shape)
    for (cx, by, hw, ht, tint) in boulders:
        d = ((xx - cx - 10) / (hw * 1.05)) ** 2 + ((yy - by - 2) / 7.0) ** 2
        shadow = np.maximum(shadow, np.clip(1 - d, 0, 1))
    sand = sand * (1 - 0.35 * shadow[..., None])
    ap = (apron > 0) & (alpha < 0.5)
    col = np.where(ap[..., None], sand, col)
    alpha = np.where(ap, 1.0, alpha)
    alpha = fade_edges(alpha, right=True, top=True, margin=3)
    return np.clip(col, 0, 1), alpha


# ------------------------------------------------------------ front plant

def _leaf(ctx, bx, by, angle, length, width, rng, base, light, droop=0.25, veins=True):
    """A broad tropical leaf (elephant-ear like) on a stalk, tip drooping."""
    import cairo
    dx, dy = math.cos(angle), math.sin(angle)
    px, py = -dy, dx
    tipx = bx + dx * length
    tipy = by + dy * length + droop * length
    midx = bx + dx * length * 0.45
    midy = by + dy * length * 0.45 + droop * length * 0.15
    ctx.move_to(bx, by)
    ctx.curve_to(bx + px * width * 0.9, by + py * width * 0.9,
                 midx + px * width * 1.1, midy + py * width * 1.1, tipx, tipy)
    ctx.curve_to(midx - px * width * 1.1, midy - py * width * 1.1,
                 bx - px * width * 0.9, by - py * width * 0.9, bx, by)
    ctx.close_path()
    g = cairo.LinearGradient(bx + px * width, by + py * width, bx - px * width, by - py * width)
    g.add_color_stop_rgb(0, *np.clip(light, 0, 1))
    g.add_color_stop_rgb(0.5, *np.clip((light + base) / 2, 0, 1))
    g.add_color_stop_rgb(0.52, *np.clip(base * 0.8, 0, 1))
    g.add_color_stop_rgb(1, *np.clip(base * 0.62, 0, 1))
    ctx.set_source(g)
    ctx.fill_preserve()
    ctx.set_source_rgba(*np.clip(base * 0.45, 0, 1), 0.8)
    ctx.set_line_width(1.0)
    ctx.stroke()
    if veins:
        ctx.move_to(bx, by)
        ctx.curve_to(midx, midy, midx, midy, tipx, tipy)
        ctx.set_source_rgba(*np.clip(light * 1.15, 0, 1), 0.9)
        ctx.set_line_width(1.6)
        ctx.stroke()
        for k in range(1, 7):
            s = k / 7.0
            qx = bx + (tipx - bx) * s
            qy = by + (tipy - by) * s + droop * length * 0.1 * math.sin(math.pi * s)
            for side in (-1, 1):
                vx = qx + (px * side * 0.85 + dx * 0.5) * width * (1 - s * 0.7)
                vy = qy + (py * side * 0.85 + dy * 0.5) * width * (1 - s * 0.7)
                ctx.move_to(qx, qy)
                ctx.line_to(vx, vy)
        ctx.set_source_rgba(*np.clip(base * 0.55, 0, 1), 0.5)
        ctx.set_line_width(0.8)
        ctx.stroke()


def _sword(ctx, bx, by, angle, length, width, droop, colour):
    """A long tapering strap leaf (pandanus / cordyline like)."""
    dx, dy = math.cos(angle), math.sin(angle)
    pts_l, pts_r = [], []
    for i in range(21):
        s = i / 20
        x = bx + dx * length * s
        y = by + dy * length * s + droop * length * s * s
        # tangent for the width direction
        tx = dx * length
        ty = dy * length + 2 * droop * length * s
        n = math.hypot(tx, ty) or 1
        nx, ny = -ty / n, tx / n
        w = width * (1 - s) ** 0.8 * (0.6 + 0.4 * math.sin(math.pi * min(s * 2, 1)))
        pts_l.append((x + nx * w / 2, y + ny * w / 2))
        pts_r.append((x - nx * w / 2, y - ny * w / 2))
    ctx.move_to(*pts_l[0])
    for p in pts_l[1:]:
        ctx.line_to(*p)
    for p in reversed(pts_r):
        ctx.line_to(*p)
    ctx.close_path()
    ctx.set_source_rgb(*np.clip(colour, 0, 1))
    ctx.fill()
    # a paler midrib
    ctx.move_to(bx, by)
    for i in range(1, 21):
        s = i / 20
        ctx.line_to(bx + dx * length * s, by + dy * length * s + droop * length * s * s)
    ctx.set_source_rgba(*np.clip(colour * 1.35, 0, 1), 0.7)
    ctx.set_line_width(max(width * 0.12, 0.8))
    ctx.stroke()


def _heliconia(ctx, fx, fy, angle, rng, n=7):
    """A hanging-lobster-claw flower spike: red bracts tipped yellow along a
    zigzag stem."""
    a = math.radians(angle)
    dx, dy = math.cos(a), math.sin(a)
    for j in range(n):
        s = j * 13.0
        px, py = fx + dx * s, fy + dy * s
        side = 1 if j % 2 else -1
        size = 23 * (1 - j / (n + 3))
        # a boat-shaped red bract, open side up, its rim yellow near the tip
        tipx, tipy = px + side * size, py - size * 0.55
        ctx.move_to(px, py - 4)
        ctx.curve_to(px + side * size * 0.45, py - size * 0.35, px + side * size * 0.8, py - size * 0.55, tipx, tipy)
        ctx.curve_to(px + side * size * 0.75, py - size * 0.05, px + side * size * 0.35, py + 5, px, py + 5)
        ctx.close_path()
        ctx.set_source_rgb(*rgb('d8351f'))
        ctx.fill_preserve()
        ctx.set_source_rgb(*rgb('9e2414'))
        ctx.set_line_width(0.8)
        ctx.stroke()
        ctx.move_to(px + side * size * 0.55, py - size * 0.42)
        ctx.curve_to(px + side * size * 0.8, py - size * 0.55, px + side * size * 0.9, py - size * 0.55, tipx, tipy)
        ctx.set_source_rgb(*rgb('f4cc3a'))
        ctx.set_line_width(2.0)
        ctx.stroke()


def paint_plant():
    X0, Y0, w, h = PLACE['PAPRIGHT']
    surf, ctx = new_canvas(w, h, 2)
    rng = np.random.default_rng(801)
    base_x, base_y = 235, 292
    # strap leaves at the back, fanning up and out
    for k in range(26):
        a = math.radians(-170 + k * 6.2 + rng.uniform(-4, 4))
        L = rng.uniform(220, 300) * (0.65 + 0.35 * abs(math.sin(a)))
        shade = rng.uniform(0.6, 0.95)
        _sword(ctx, base_x + rng.uniform(-60, 60), base_y + rng.uniform(-20, 10), a, L,
               rng.uniform(10, 16), rng.uniform(0.05, 0.25), rgb('3f7a2e') * shade)
    # broad leaves: back row darker, front row lighter and larger
    for row, (count, shade_lo, shade_hi, lmin, lmax) in enumerate([(12, 0.65, 0.8, 230, 290),
                                                                   (10, 0.85, 1.05, 190, 250)]):
        leaves = []
        for k in range(count):
            a = math.radians(-168 + k * (156 / (count - 1)) + rng.uniform(-7, 7))
            L = rng.uniform(lmin, lmax) * (0.8 + 0.25 * abs(math.sin(a)))
            leaves.append((a, L))
        leaves.sort(key=lambda v: -abs(math.cos(v[0])))
        for a, L in leaves:
            bx = base_x + rng.uniform(-45, 45)
            by = base_y + rng.uniform(-5, 20)
            stalk = L * 0.32
            sx = bx + math.cos(a) * stalk
            sy = by + math.sin(a) * stalk
            ctx.move_to(bx, by + 30)
            ctx.curve_to(bx, by, sx - math.cos(a) * 10, sy + 4, sx, sy)
            ctx.set_source_rgb(*(rgb('5b8a33') * (0.8 + 0.2 * row)))
            ctx.set_line_width(5)
            ctx.stroke()
            shade = rng.uniform(shade_lo, shade_hi)
            _leaf(ctx, sx, sy, a + rng.uniform(-0.15, 0.15), L * 0.72, L * 0.22, rng,
                  rgb('2d6a25') * shade, rgb('7db547') * shade, droop=rng.uniform(0.08, 0.3))
        if row == 0:
            # flower spikes between the rows
            for (fx, fy, fa) in [(120, 120, 70), (330, 105, 110), (215, 70, 88), (55, 175, 60)]:
                ctx.move_to(base_x, base_y)
                ctx.curve_to(base_x, fy + 60, fx, fy + 40, fx, fy)
                ctx.set_source_rgb(*rgb('5b7a2a'))
                ctx.set_line_width(3.5)
                ctx.stroke()
                _heliconia(ctx, fx, fy, fa, rng, n=6)
    # the dense heart of the clump at the picture's foot
    for k in range(30):
        a = math.radians(rng.uniform(-180, 0))
        _sword(ctx, base_x + rng.uniform(-140, 140), h + 8, a, rng.uniform(50, 90), rng.uniform(10, 16),
               rng.uniform(0.2, 0.6), rgb('2f6526') * rng.uniform(0.7, 1.0))
    col, a = finish_canvas(surf, 2)
    a = fade_edges(a, left=True, top=True, margin=4)
    return col, a
