#!/usr/bin/python3
"""Review images of the embedded pictures, composed the way the scene
composes them: every layer stretched by nearest neighbour to its size at the
chosen resolution, keyed pictures transparent where a pixel equals the
top-left pixel, layers in drawing order.

    /usr/bin/python3 tools/art/review.py [--assets DIR] [--out DIR]

Writes to out/review/ (by default): composite_1024x768.png,
composite_1920x1080.png, composite_800x600.png, eagles_sheet.png,
butterflies_sheet.png, surf_strip.png (frames 27, 28, 29, 0, 1, 2), and
prints the checks made on the way (16-bit colour key, surf joint).
"""
import argparse
import os
import sys

import numpy as np
from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, '..', '..'))

# design positions (800 x 600) of creatures placed in the review pictures:
# (strip, frame, x, y)
DEFAULT_CREATURES = [('EAGLES', 6, 250, 70), ('EAGLES', 23 + 24 + 48, 470, 140),
                     ('BUTTERFLY1', 5, 430, 505), ('BUTTERFLY2', 9, 300, 470)]
HEADER_CREATURES = [('EAGLES', 13, 265, 120), ('BUTTERFLY2', 6, 330, 345)]


def load(assets, name):
    for ext in ('.bmp', '.jpg'):
        p = os.path.join(assets, name + ext)
        if os.path.exists(p):
            im = Image.open(p)
            im.load()
            return np.array(im.convert('RGB'))
    raise FileNotFoundError(name)


def stretch(img, w, h):
    """Nearest-neighbour stretch: destination pixel (x, y) takes source
    pixel (x * sw / w, y * sh / h)."""
    sh, sw = img.shape[:2]
    ys = (np.arange(h) * sh) // h
    xs = (np.arange(w) * sw) // w
    return img[ys][:, xs]


def to565(img):
    r = img[..., 0].astype(np.uint16) >> 3
    g = img[..., 1].astype(np.uint16) >> 2
    b = img[..., 2].astype(np.uint16) >> 3
    return (r << 11) | (g << 5) | b


def from565(v):
    r = ((v >> 11) & 31).astype(np.uint16)
    g = ((v >> 5) & 63).astype(np.uint16)
    b = (v & 31).astype(np.uint16)
    return np.stack([(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)], -1).astype(np.uint8)


def blit(dst, src, x, y, keyed, depth16=False):
    """Draw src at (x, y) into dst, clipped; keyed: skip pixels equal to
    src's top-left pixel (compared after the 16-bit conversion when
    depth16)."""
    h, w = src.shape[:2]
    H, W = dst.shape[:2]
    x0, y0 = max(x, 0), max(y, 0)
    x1, y1 = min(x + w, W), min(y + h, H)
    if x0 >= x1 or y0 >= y1:
        return
    part = src[y0 - y:y1 - y, x0 - x:x1 - x]
    if depth16:
        part = from565(to565(part))
    if keyed:
        key = src[0, 0]
        if depth16:
            key = from565(to565(key[None, None]))[0, 0]
        m = np.any(part != key, axis=-1)
        dst[y0:y1, x0:x1][m] = part[m]
    else:
        dst[y0:y1, x0:x1] = part


def layout(W, H):
    """Sizes and places of the layers at W x H: name -> (x, y, w, h, keyed)."""
    k_low = 437 if W == 800 else 438 if W == 1152 else 439 if W == 1280 else 440
    k_high = 384 if W in (800, 1280) else 385
    k_st = 577 if W in (800, 1152) else 579
    k_pap_x = 637 if W in (800, 1152, 1280) else 636
    k_pap_y = 503 if W in (800, 1152) else 504
    sp_x = W * 504 // 1024 if W == 800 else W * 503 // 1024
    return [
        ('GROUND', 0, 0, W, H * 500 // 768, False),
        ('HIGHTWATER', 0, H * k_high // 600, W * 518 // 800, H * 56 // 600, False),
        ('LOWWATER', 0, H * k_low // 600, W, H * 160 // 600, False),
        ('CREATURES_SKY', 0, 0, 0, 0, True),
        ('SECONDPLANE', sp_x, H * 297 // 768, W * 520 // 1024, H * 283 // 768, True),
        ('PALMLEFT', 0, 0, W * 303 // 1024, H * 428 // 768, True),
        ('PALMMIDLE', W * 302 // 1024, 0, W * 384 // 1024, H * 158 // 768, True),
        ('PALMRIGHT', W * 685 // 1024, 0, W * 339 // 1024, H * 392 // 768, True),
        ('STOUNLEFT', 0, H * k_st // 768, W * 397 // 1024, H * 187 // 768, True),
        ('CREATURES_BEACH', 0, 0, 0, 0, True),
        ('PAPRIGHT', W * k_pap_x // 1024, H * k_pap_y // 768, W * 387 // 1024, H * 263 // 768, True),
    ]


FRAME_H = {'HIGHTWATER': 56, 'LOWWATER': 160, 'EAGLES': 23, 'BUTTERFLY1': 30,
           'BUTTERFLY2': 30, 'BUTTERFLY3': 30}


def frame(img, name, n):
    fh = FRAME_H[name]
    return img[n * fh:(n + 1) * fh]


def compose(assets, W, H, creatures_at=(), surf_frame=0, depth16=False):
    """The scene at W x H as a float picture 0..1."""
    dst = np.zeros((H, W, 3), dtype=np.uint8)
    cache = {}

    def get(name):
        if name not in cache:
            cache[name] = load(assets, name)
        return cache[name]

    for name, x, y, w, h, keyed in layout(W, H):
        if name.startswith('CREATURES'):
            sky = name == 'CREATURES_SKY'
            for strip, n, cx, cy in creatures_at:
                if (strip == 'EAGLES') != sky:
                    continue
                size = (24, 12) if strip == 'EAGLES' else (15, 15)
                src = stretch(frame(get(strip), strip, n), *size)
                # keyed by the strip's own top-left pixel
                key = get(strip)[0, 0]
                src = src.copy()
                src[0, 0] = key if np.all(src[0, 0] == key) else src[0, 0]
                blit_keyed_with(dst, src, cx * W // 800, cy * W // 800, key, depth16)
            continue
        img = get(name)
        if name in ('HIGHTWATER', 'LOWWATER'):
            img = frame(img, name, surf_frame)
        blit(dst, stretch(img, w, h), x, y, keyed, depth16)
    return dst.astype(np.float64) / 255.0


def blit_keyed_with(dst, src, x, y, key, depth16):
    h, w = src.shape[:2]
    H, W = dst.shape[:2]
    x0, y0 = max(x, 0), max(y, 0)
    x1, y1 = min(x + w, W), min(y + h, H)
    if x0 >= x1 or y0 >= y1:
        return
    part = src[y0 - y:y1 - y, x0 - x:x1 - x]
    if depth16:
        part = from565(to565(part))
        key = from565(to565(np.asarray(key)[None, None]))[0, 0]
    m = np.any(part != key, axis=-1)
    dst[y0:y1, x0:x1][m] = part[m]


def shrink(img, w, h):
    im = Image.fromarray(np.clip(np.round(img * 255), 0, 255).astype(np.uint8))
    return np.array(im.resize((w, h), Image.LANCZOS)).astype(np.float64) / 255.0


def save(arr, path, scale=1):
    a = np.clip(np.round(arr * 255), 0, 255).astype(np.uint8) if arr.dtype != np.uint8 else arr
    im = Image.fromarray(a)
    if scale != 1:
        im = im.resize((im.width * scale, im.height * scale), Image.NEAREST)
    im.save(path)
    print('  wrote', path)


def contact_sheet(img, fh, n, cols, bg, label_every=None, scale=3, pad=2):
    """Frames of a strip on a background colour (key made transparent)."""
    fw = img.shape[1]
    key = img[0, 0]
    rows = (n + cols - 1) // cols
    sheet = np.zeros((rows * (fh + pad) + pad, cols * (fw + pad) + pad, 3), np.uint8)
    sheet[:] = (np.array(bg) * 0.8).astype(np.uint8)
    for i in range(n):
        f = img[i * fh:(i + 1) * fh]
        cell = np.where(np.all(f == key, axis=-1)[..., None], np.array(bg, np.uint8), f)
        r, c = divmod(i, cols)
        sheet[pad + r * (fh + pad):pad + r * (fh + pad) + fh, pad + c * (fw + pad):pad + c * (fw + pad) + fw] = cell
    return sheet


def check_key_565(assets):
    """Every keyed picture: no subject pixel turns into the key in 16 bits."""
    ok = True
    for name in ('SECONDPLANE', 'PALMLEFT', 'PALMMIDLE', 'PALMRIGHT', 'STOUNLEFT', 'PAPRIGHT',
                 'EAGLES', 'BUTTERFLY1', 'BUTTERFLY2', 'BUTTERFLY3'):
        img = load(assets, name)
        key = img[0, 0]
        subject = img[np.any(img != key, axis=-1)]
        k16 = to565(key[None, None])[0, 0]
        clash = int(np.sum(to565(subject[None])[0] == k16))
        dist = np.sqrt(((subject.astype(float) - key.astype(float)) ** 2).sum(-1)).min()
        print(f'  {name:12s} key {tuple(int(v) for v in key)}  nearest subject colour at {dist:5.1f}'
              f'  16-bit clashes {clash}')
        ok &= clash == 0
    return ok


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--assets', default=os.path.join(ROOT, 'assets', 'embed'))
    ap.add_argument('--out', default=os.path.join(ROOT, 'out', 'review'))
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    a, o = args.assets, args.out

    print('composites')
    save(compose(a, 1024, 768, DEFAULT_CREATURES), os.path.join(o, 'composite_1024x768.png'))
    save(compose(a, 1920, 1080, DEFAULT_CREATURES, surf_frame=12), os.path.join(o, 'composite_1920x1080.png'))
    save(compose(a, 800, 600, DEFAULT_CREATURES, surf_frame=20, depth16=True),
         os.path.join(o, 'composite_800x600_16bit.png'))

    print('contact sheets')
    eagles = load(a, 'EAGLES')
    save(contact_sheet(eagles, 23, 144, 24, (118, 170, 215)), os.path.join(o, 'eagles_sheet.png'), 3)
    # the eagles as drawn: each frame at 24 x 12
    small = np.concatenate([stretch(frame(eagles, 'EAGLES', i), 24, 12) for i in range(144)], axis=0)
    save(contact_sheet(small, 12, 144, 24, (118, 170, 215)), os.path.join(o, 'eagles_sheet_24x12.png'), 4)
    sheets = []
    for k in (1, 2, 3):
        b = load(a, f'BUTTERFLY{k}')
        sheets.append(contact_sheet(b, 30, 16, 16, (226, 208, 168)))
    save(np.concatenate(sheets, axis=0), os.path.join(o, 'butterflies_sheet.png'), 3)
    sheets = []
    for k in (1, 2, 3):
        b = load(a, f'BUTTERFLY{k}')
        small = np.concatenate([stretch(frame(b, f'BUTTERFLY{k}', i), 15, 15) for i in range(16)], axis=0)
        sheets.append(contact_sheet(small, 15, 16, 16, (226, 208, 168)))
    save(np.concatenate(sheets, axis=0), os.path.join(o, 'butterflies_sheet_15x15.png'), 5)

    print('surf strip')
    far = load(a, 'HIGHTWATER')
    near = load(a, 'LOWWATER')
    cols = []
    for n in (27, 28, 29, 0, 1, 2):
        f = stretch(frame(far, 'HIGHTWATER', n), 663, 71)
        nn = stretch(frame(near, 'LOWWATER', n), 1024, 204)
        col = np.zeros((71 + 204, 1024, 3), np.uint8)
        col[:71, :663] = f
        col[71:] = nn
        cols.append(col)
        cols.append(np.full((4, 1024, 3), 255, np.uint8))
    save(np.concatenate(cols[:-1], axis=0), os.path.join(o, 'surf_strip.png'))
    # joint check: mean difference between neighbouring frames
    diffs = []
    for n in range(30):
        m = (n + 1) % 30
        d = np.abs(frame(near, 'LOWWATER', n).astype(float) - frame(near, 'LOWWATER', m).astype(float)).mean()
        diffs.append(d)
    print('  near surf frame-to-frame mean difference: 29->0 %.2f, others %.2f..%.2f'
          % (diffs[29], min(diffs[:29]), max(diffs[:29])))

    print('16-bit colour keys')
    ok = check_key_565(a)
    print('  all keys clear' if ok else '  KEY CLASH')


if __name__ == '__main__':
    sys.exit(main())
