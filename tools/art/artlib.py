"""Shared helpers of the painting tools: noise, colour work, sprite keying,
8-bit BMP (plain and RLE8) and JPEG writing.

Everything is deterministic: every random source takes an explicit seed.
Pictures are numpy float arrays (h, w, 3) with values 0..1; sprites carry an
extra alpha plane (h, w) with values 0..1.
"""
import io
import struct

import numpy as np
from PIL import Image

# Colour key of every keyed picture: pure magenta, far from the greens,
# browns, greys, blues and whites that the subjects are painted in, also
# after a 16-bit (RGB565) conversion.
KEY = (255, 0, 255)


# ---------------------------------------------------------------- grid

# Pixels per design pixel of the picture being painted. Painters work in
# design coordinates; at SCALE > 1 every grid, noise field and gradient is
# sampled SCALE times more finely (the high-resolution masters), so the
# same shapes and the same noise come out at a higher resolution.
SCALE = 1


def scaled(n):
    """Pixels of a picture n design pixels long at SCALE (which need not be
    a whole number)."""
    return int(round(n * SCALE))


def axis(n):
    """Sample positions along one axis of n design pixels: the pixel
    indices at SCALE 1, the centres of the finer pixels otherwise."""
    if SCALE == 1:
        return np.arange(n, dtype=np.float64)
    return (np.arange(scaled(n), dtype=np.float64) + 0.5) / SCALE - 0.5


def grid(h, w):
    """(yy, xx) sample coordinates of an h x w design picture."""
    return np.meshgrid(axis(h), axis(w), indexing='ij')


def grad(z):
    """np.gradient per design pixel."""
    gy, gx = np.gradient(z)
    return gy * SCALE, gx * SCALE


# ---------------------------------------------------------------- noise

def _smooth(t):
    return t * t * (3.0 - 2.0 * t)


def value_noise(w, h, cell_x, cell_y, seed, wrap_x=None, wrap_y=None):
    """Smooth value noise in -1..1 sampled on a w x h grid with lattice cells
    of cell_x x cell_y pixels. wrap_x / wrap_y make the noise periodic with
    that many lattice cells."""
    rng = np.random.default_rng(seed)
    nx = int(np.ceil(w / cell_x)) + 2
    ny = int(np.ceil(h / cell_y)) + 2
    if wrap_x:
        nx = max(nx, wrap_x)
    if wrap_y:
        ny = max(ny, wrap_y)
    lattice = rng.uniform(-1.0, 1.0, size=(ny, nx))
    fx = axis(w) / cell_x if w > 1 else np.zeros(1)
    fy = axis(h) / cell_y if h > 1 else np.zeros(1)
    return sample_lattice(lattice, fx, fy, wrap_x, wrap_y)


def sample_lattice(lattice, fx, fy, wrap_x=None, wrap_y=None):
    """Bilinear-smoothstep sample of a lattice at fractional coordinates
    (fx per column, fy per row, or full 2-D arrays of equal shape)."""
    ny, nx = lattice.shape
    fx = np.asarray(fx, dtype=np.float64)
    fy = np.asarray(fy, dtype=np.float64)
    if fx.ndim == 1 and fy.ndim == 1:
        fx, fy = np.meshgrid(fx, fy)
    x0 = np.floor(fx).astype(np.int64)
    y0 = np.floor(fy).astype(np.int64)
    tx = _smooth(fx - x0)
    ty = _smooth(fy - y0)
    mx = wrap_x if wrap_x else nx
    my = wrap_y if wrap_y else ny
    x0m = np.mod(x0, mx)
    x1m = np.mod(x0 + 1, mx)
    y0m = np.mod(y0, my)
    y1m = np.mod(y0 + 1, my)
    a = lattice[y0m, x0m]
    b = lattice[y0m, x1m]
    c = lattice[y1m, x0m]
    d = lattice[y1m, x1m]
    return (a * (1 - tx) + b * tx) * (1 - ty) + (c * (1 - tx) + d * tx) * ty


def fbm(w, h, cell, seed, octaves=5, aspect=1.0, gain=0.5):
    """Fractal sum of value noise, roughly -1..1. aspect > 1 stretches the
    features horizontally."""
    total = 0.0
    amp = 1.0
    norm = 0.0
    for o in range(octaves):
        c = max(cell / (2 ** o), 1.0)
        total += amp * value_noise(w, h, c * aspect, c, seed * 97 + o)
        norm += amp
        amp *= gain
    return total / norm


# ---------------------------------------------------------------- colour

def rgb(hexstr):
    hexstr = hexstr.lstrip('#')
    return np.array([int(hexstr[i:i + 2], 16) for i in (0, 2, 4)], dtype=np.float64) / 255.0


def mix(a, b, t):
    t = np.asarray(t)
    if t.ndim and t.shape[-1] not in (1, 3):
        t = t[..., None]
    return a * (1 - t) + b * t


def gradient(stops, t):
    """Colour ramp through (position, colour) stops evaluated at t (any shape)."""
    t = np.clip(np.asarray(t, dtype=np.float64), stops[0][0], stops[-1][0])
    out = np.zeros(t.shape + (3,))
    for (p0, c0), (p1, c1) in zip(stops[:-1], stops[1:]):
        m = (t >= p0) & (t <= p1)
        u = ((t - p0) / max(p1 - p0, 1e-9))[m][:, None]
        out[m] = c0 * (1 - u) + c1 * u
    return out


def smoothstep(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3 - 2 * t)


def to8(img):
    return np.clip(np.round(img * 255.0), 0, 255).astype(np.uint8)


# ---------------------------------------------------------------- cairo

def cairo_to_rgba(surface):
    """Premultiplied ARGB32 cairo surface -> (rgb 0..1 straight, alpha 0..1)."""
    surface.flush()
    w, h = surface.get_width(), surface.get_height()
    stride = surface.get_stride()
    buf = np.frombuffer(surface.get_data(), dtype=np.uint8).reshape(h, stride)[:, :w * 4]
    px = buf.reshape(h, w, 4).astype(np.float64) / 255.0
    b, g, r, a = px[..., 0], px[..., 1], px[..., 2], px[..., 3]
    safe = np.maximum(a, 1e-6)
    col = np.stack([r / safe, g / safe, b / safe], axis=-1)
    col = np.clip(col, 0, 1)
    return col, a


def downsample(arr, f):
    """Box-filter a (h*f, w*f, ...) array down by an integer factor."""
    h, w = arr.shape[0] // f, arr.shape[1] // f
    arr = arr[:h * f, :w * f]
    return arr.reshape(h, f, w, f, *arr.shape[2:]).mean(axis=(1, 3))


def downsample_rgba(col, alpha, f):
    """Downsample straight colour + alpha with alpha weighting (no dark or
    key-coloured fringes at the edges)."""
    pre = col * alpha[..., None]
    a = downsample(alpha, f)
    p = downsample(pre, f)
    c = p / np.maximum(a, 1e-6)[..., None]
    return np.clip(c, 0, 1), a


# ---------------------------------------------------------------- files

def quantize_keyed(col, alpha, threshold=0.5, colors=255, dither=True):
    """8-bit indexed picture of a sprite: index 0 is the colour key (every
    pixel whose alpha is below threshold), the opaque pixels use up to
    `colors` other entries. Opaque pixels keep their own straight colour, so
    no edge blends towards the key. Returns (indices uint8 h x w, palette
    list of 256 RGB tuples)."""
    h, w = alpha.shape
    opaque = alpha >= threshold
    img8 = to8(col)
    if opaque.any():
        fill = img8[opaque].mean(axis=0).astype(np.uint8)
    else:
        fill = np.array([128, 128, 128], np.uint8)
    work = img8.copy()
    work[~opaque] = fill
    idx, pal = quantize_rgb(work, colors=colors, dither=dither)
    out = (idx.astype(np.int32) + 1)
    out[~opaque] = 0
    palette = [KEY] + pal[:colors]
    while len(palette) < 256:
        palette.append((0, 0, 0))
    for c in palette[1:]:
        assert c != KEY
    return out.astype(np.uint8), palette


def quantize_rgb(img8, colors=256, dither=True):
    """Median-cut palette of an RGB picture, then mapping (optionally
    Floyd-Steinberg dithered) onto it. Returns (indices, palette)."""
    im = Image.fromarray(img8, 'RGB')
    palimg = im.quantize(colors=colors, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    q = im.quantize(palette=palimg, dither=Image.Dither.FLOYDSTEINBERG if dither else Image.Dither.NONE)
    raw = q.getpalette()[:colors * 3]
    raw += [0] * (colors * 3 - len(raw))
    pal = [tuple(raw[i:i + 3]) for i in range(0, colors * 3, 3)]
    return np.array(q, dtype=np.uint8), pal


def _bmp_headers(w, h, image_size, compression, palette):
    pal_bytes = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    offset = 14 + 40 + len(pal_bytes)
    file_size = offset + image_size
    fh = struct.pack('<2sIHHI', b'BM', file_size, 0, 0, offset)
    ih = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, compression, image_size,
                     2835, 2835, 256, 0)
    return fh + ih + pal_bytes


def bmp8_bytes(indices, palette):
    """Plain 8-bit palettised BMP (rows bottom-up, padded to 4 bytes)."""
    h, w = indices.shape
    stride = (w + 3) & ~3
    rows = bytearray()
    for y in range(h - 1, -1, -1):
        rows += indices[y].tobytes() + b'\0' * (stride - w)
    return _bmp_headers(w, h, len(rows), 0, palette) + bytes(rows)


def rle8_encode(indices):
    """RLE8 pixel data: encoded runs, absolute runs, end-of-line and
    end-of-bitmap markers, rows bottom-up."""
    h, w = indices.shape
    out = bytearray()
    for y in range(h - 1, -1, -1):
        row = indices[y].tolist()
        x = 0
        while x < w:
            run = 1
            while x + run < w and run < 255 and row[x + run] == row[x]:
                run += 1
            if run >= 3 or w - x < 3:
                # short tails are written as encoded runs too
                out += bytes([run, row[x]])
                x += run
                continue
            # absolute mode: gather pixels until a run of 3 starts
            start = x
            n = 0
            while x + n < w and n < 255:
                if x + n + 2 < w and row[x + n] == row[x + n + 1] == row[x + n + 2]:
                    break
                n += 1
            if n < 3:
                for i in range(n):
                    out += bytes([1, row[start + i]])
                x += n
                continue
            out += bytes([0, n]) + bytes(row[start:start + n])
            if n & 1:
                out += b'\0'
            x += n
        out += b'\x00\x00'
    out[-2:] = b'\x00\x01'
    return bytes(out)


def bmp8_rle_bytes(indices, palette):
    data = rle8_encode(indices)
    return _bmp_headers(indices.shape[1], indices.shape[0], len(data), 1, palette) + data


def jpeg_bytes(img, quality=90):
    im = Image.fromarray(to8(img), 'RGB')
    buf = io.BytesIO()
    im.save(buf, format='JPEG', quality=quality, subsampling=0, optimize=True)
    return buf.getvalue()


def indexed_to_rgb(indices, palette):
    pal = np.array(palette, dtype=np.uint8)
    return pal[indices]
