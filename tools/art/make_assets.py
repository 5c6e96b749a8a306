#!/usr/bin/python3
"""Paints every picture of the scene and makes the surf sound, writing them
to assets/embed/ (run from anywhere; takes a couple of minutes).

    /usr/bin/python3 tools/art/make_assets.py [--only NAME,...] [--out DIR]

Deterministic: fixed seeds everywhere, so a rerun gives the same pictures
(the same bytes with the same numpy, Pillow and cairo versions).
"""
import argparse
import os
import struct
import sys
import time
import zlib

import numpy as np
from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import artlib  # noqa: E402
from artlib import (quantize_keyed, quantize_rgb, bmp8_bytes, bmp8_rle_bytes, jpeg_bytes,
                    indexed_to_rgb, to8, smoothstep)  # noqa: E402
import creatures  # noqa: E402
import scenery  # noqa: E402
import sound  # noqa: E402
from water import Sea  # noqa: E402

ROOT = os.path.abspath(os.path.join(HERE, '..', '..'))
EMBED = os.path.join(ROOT, 'assets', 'embed')

# far surf: 518 x 56 frames shown at 663 x 71 from (0, 492); near surf:
# 800 x 160 frames shown at 1024 x 204 from (0, 563) (1024 x 768 layout)
FAR = dict(w=518, h=56, x0=0.0, y0=492.0, sx=663.0 / 518, sy=71.0 / 56)
NEAR = dict(w=800, h=160, x0=0.0, y0=563.0, sx=1024.0 / 800, sy=204.0 / 160)
FRAMES = 30
# Keyed pictures also get masters 1.40625 and 2.8125 (a 1080-line and a
# 2160-line screen's scale, so that the most common screens read theirs
# unscaled and decode the fewest pixels), 2 and 4 times their design size,
# the backdrop masters 1920 and 3840 pixels wide (the widths of common
# screens, so that there it needs no scaling across): the program scales
# down from the smallest one that is at least as large as the size it needs.
# The masters at a screen's own scale are read at their own size there,
# where the others are scaled down, which softens the hard-cut outlines
# (the stones'): they are painted at twice their scale and area-averaged
# down to it, so that their edges are as smooth as a scaled master's.
MASTERS = (('X1_4', 1080 / 768, 2), ('X2', 2, 1), ('X3', 2160 / 768, 2), ('X4', 4, 1))
BACKDROP_MASTERS = ((2, 1920 / 1024), (4, 3840 / 1024))
# The wide backdrop for screens wider than 4:3: 32:9 at the layout's height
# (2731 design columns, 1707 of them left of the layout), cut from its right
# for narrower ones; at 1.40625 (1920 x 1080 unscaled), 1.875 (5120 x 1440
# unscaled) and 2.8125 (3840 x 2160 unscaled) pixels per design pixel.
WIDE_LEFT = 1707
WIDE_MASTERS = (('X1_4', 1080 / 768), ('X2', 1.875), ('X3', 2.8125))


def log(*a):
    print(*a, flush=True)


def write(out, name, blob):
    path = os.path.join(out, name)
    with open(path, 'wb') as f:
        f.write(blob)
    log(f'  wrote {name} ({len(blob)} bytes)')


def keyed_bmp(out, name, col, alpha):
    idx, pal = quantize_keyed(col, alpha)
    write(out, name + '.bmp', bmp8_bytes(idx, pal))
    return idx, pal


def master_bytes(col, alpha):
    """A high-resolution master with alpha: "SLMR", width and height as
    little-endian 32-bit numbers, then one zlib stream of the rows, top row
    first. Each row is its first covered column and the number of columns
    from there to its last covered one (little-endian 16-bit numbers, 0 and
    0 for an empty row), then those pixels as premultiplied R, G, B, A bytes:
    a reader fills the rest of the row with transparent pixels, and neither
    decodes nor scales them."""
    h, w = col.shape[:2]
    px = to8(np.concatenate([col * alpha[..., None], alpha[..., None]], axis=-1))
    rows = []
    for y in range(h):
        covered = np.flatnonzero(px[y, :, 3])
        x0, n = (int(covered[0]), int(covered[-1] - covered[0] + 1)) if len(covered) else (0, 0)
        rows.append(struct.pack('<HH', x0, n) + np.ascontiguousarray(px[y, x0:x0 + n]).tobytes())
    return b'SLMR' + struct.pack('<II', w, h) + zlib.compress(b''.join(rows), 9)


def area_scaled(col, alpha, w, h):
    """The painting (straight colour and alpha, 0..1) area-averaged to
    w x h, averaged in premultiplied colour as the program scales."""
    pre = np.concatenate([col * alpha[..., None], alpha[..., None]], axis=-1)
    out = np.stack([np.asarray(Image.fromarray(pre[..., c].astype(np.float32), 'F').resize((w, h), Image.BOX))
                    for c in range(4)], axis=-1).astype(np.float64)
    a = np.clip(out[..., 3], 0.0, 1.0)
    straight = np.where(a[..., None] > 0, out[..., :3] / np.maximum(a[..., None], 1e-12), 0.0)
    return np.clip(straight, 0.0, 1.0), a


def paint_master(fn, scale):
    """Runs a painter again with every grid `scale` times finer."""
    artlib.SCALE = scale
    try:
        return fn()
    finally:
        artlib.SCALE = 1


def cover_mask(sprites, erode=6):
    """Where the second plane, stones and plant hide the surf in the 1024 x
    768 layout: where they are fully opaque, shrunk by `erode` pixels (every
    pixel within that distance must be covered too), so that neither small
    placement differences between resolutions nor the soft edges and small
    gaps of the smooth drawing on large screens ever uncover black."""
    m = np.zeros((768, 1024), dtype=bool)
    for name in ('SECONDPLANE', 'STOUNLEFT', 'PAPRIGHT'):
        if name not in sprites:
            continue
        X, Y, w, h = scenery.PLACE[name]
        opaque = sprites[name] >= 0.999
        sub = m[Y:Y + h, X:X + w]
        sub |= opaque[:sub.shape[0], :sub.shape[1]]
    cov = m.copy()
    for dy in range(-erode, erode + 1):
        for dx in range(-erode, erode + 1):
            cov &= np.roll(np.roll(m, dy, axis=0), dx, axis=1)
    return cov


def surf_strip(sea, band, cover, ss=2):
    w, h = band['w'], band['h']
    frames = []
    # sample positions (supersampled) in the layout
    oy, ox = np.mgrid[0:h * ss, 0:w * ss].astype(np.float64)
    lx = band['x0'] + (ox + 0.5) / ss * band['sx']
    ly = band['y0'] + (oy + 0.5) / ss * band['sy']
    # covered pixels (by pixel centre) are painted black
    cx = np.clip((band['x0'] + (np.arange(w) + 0.5) * band['sx']).astype(int), 0, 1023)
    cy = np.clip((band['y0'] + (np.arange(h) + 0.5) * band['sy']).astype(int), 0, 767)
    covered = cover[cy][:, cx]
    for f in range(FRAMES):
        t = f / FRAMES
        img = sea.render(lx, ly, t)
        img = img.reshape(h, ss, w, ss, 3).mean(axis=(1, 3))
        img[covered] = 0.0
        frames.append(img)
    return np.concatenate(frames, axis=0)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--out', default=EMBED)
    ap.add_argument('--only', default='')
    ap.add_argument('--tier', default='',
                    help='paint only the masters of this tier (X1_4, X2, X3, X4) of the pictures asked for')
    args = ap.parse_args()
    only = set(s.strip().upper() for s in args.only.split(',') if s.strip())
    out = args.out
    os.makedirs(out, exist_ok=True)

    def want(name):
        return not only or name in only

    def want_tier(tier):
        return not args.tier or tier == args.tier

    tier_only = bool(args.tier)

    t0 = time.time()
    sea = Sea()
    sprites = {}

    log('backdrop')
    if want('GROUND'):
        if not tier_only:
            write(out, 'GROUND.jpg', jpeg_bytes(scenery.paint_backdrop(sea), quality=92))
        for name, scale in BACKDROP_MASTERS:
            if not want_tier(f'X{name}'):
                continue
            write(out, f'GROUND_X{name}.jpg',
                  jpeg_bytes(paint_master(lambda: scenery.paint_backdrop(sea), scale), quality=90))
    if want('GROUND_WIDE'):
        for name, scale in WIDE_MASTERS:
            if not want_tier(name):
                continue
            write(out, f'GROUND_WIDE_{name}.jpg',
                  jpeg_bytes(paint_master(lambda: scenery.paint_backdrop(sea, WIDE_LEFT), scale), quality=88))

    painters = [
        ('SECONDPLANE', lambda: scenery.paint_second_plane(sea)),
        ('PALMLEFT', scenery.paint_palm_left),
        ('PALMMIDLE', scenery.paint_palm_middle),
        ('PALMRIGHT', scenery.paint_palm_right),
        ('STOUNLEFT', lambda: scenery.paint_stones(sea)),
        ('PAPRIGHT', scenery.paint_plant),
    ]
    for name, fn in painters:
        need_mask = (name in ('SECONDPLANE', 'STOUNLEFT', 'PAPRIGHT') and (want('HIGHTWATER') or want('LOWWATER'))
                     and not tier_only)
        if not want(name) and not need_mask:
            continue
        log(name.lower())
        col, alpha = fn()
        if want(name):
            if not tier_only:
                keyed_bmp(out, name, col, alpha)
            for tier, scale, ss in MASTERS:
                if want_tier(tier):
                    mcol, malpha = paint_master(fn, scale * ss)
                    if ss > 1:
                        h, w = alpha.shape
                        # Halves round up, as the program's layout rounds.
                        mcol, malpha = area_scaled(mcol, malpha, int(w * scale + 0.5), int(h * scale + 0.5))
                    write(out, f'{name}_{tier}.slm', master_bytes(mcol, malpha))
        sprites[name] = alpha

    if tier_only:
        log(f'done in {time.time() - t0:.0f} s')
        return

    if want('HIGHTWATER') or want('LOWWATER'):
        cover = cover_mask(sprites)
        if want('HIGHTWATER'):
            log('far surf')
            write(out, 'HIGHTWATER.jpg', jpeg_bytes(surf_strip(sea, FAR, cover), quality=90))
        if want('LOWWATER'):
            log('near surf')
            write(out, 'LOWWATER.jpg', jpeg_bytes(surf_strip(sea, NEAR, cover), quality=88))

    if want('EAGLES'):
        log('eagles')
        keyed_bmp(out, 'EAGLES', *creatures.eagle_strip())
    for k in (1, 2, 3):
        if want(f'BUTTERFLY{k}'):
            log(f'butterfly {k}')
            keyed_bmp(out, f'BUTTERFLY{k}', *creatures.butterfly_strip(k))

    if want('SOUNDNAME'):
        log('surf sound')
        size = sound.make(os.path.join(out, 'SOUNDNAME.wav'))
        log(f'  wrote SOUNDNAME.wav ({size} bytes)')

    # the miniatures are made from the pictures just written, composed the
    # way the program composes them
    if want('PREV_BITMAP') or want('DIALOGHEADER'):
        import review
        scene = review.compose(out, 1024, 768, creatures_at=review.DEFAULT_CREATURES)
        if want('PREV_BITMAP'):
            log('preview bitmap')
            small = review.shrink(scene, 154, 116)
            idx, pal = quantize_rgb(to8(small), colors=256, dither=False)
            write(out, 'PREV_BITMAP.bmp', bmp8_rle_bytes(idx, pal))
        if want('DIALOGHEADER'):
            log('dialog header')
            big = review.compose(out, 1920, 1080, creatures_at=review.HEADER_CREATURES)
            crop = big[180:180 + 700, 0:929]
            small = review.shrink(crop, 154, 116)
            idx, pal = quantize_rgb(to8(small), colors=256, dither=True)
            write(out, 'DIALOGHEADER.bmp', bmp8_bytes(idx, pal))
    log(f'done in {time.time() - t0:.0f} s')


if __name__ == '__main__':
    main()
