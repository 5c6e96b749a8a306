"""The looping surf sound: synthesised surf written as a Microsoft ADPCM
WAVE file (format tag 2, stereo, 11,000 samples per second, 512-byte
blocks of 500 sample frames).

The signal is periodic by construction: every noise band is made in the
frequency domain over exactly the loop length, and every envelope is
evaluated modulo the loop length, so the last sample leads into the first
without a seam or click.
"""
import struct

import numpy as np

RATE = 11000
CHANNELS = 2
BLOCK_ALIGN = 512
SAMPLES_PER_BLOCK = (BLOCK_ALIGN - 7 * CHANNELS) * 8 // (4 * CHANNELS) + 2  # 500
BLOCKS = 388
FRAMES = BLOCKS * SAMPLES_PER_BLOCK  # 194,000 frames, 17.64 s

COEF = [(256, 0), (512, -256), (0, 0), (192, 64), (240, 0), (460, -208), (392, -232)]
ADAPT = [230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230]


def periodic_noise(n, lo, hi, rng, tilt=0.0):
    """Noise of length n that repeats exactly, band-limited to lo..hi Hz with
    a spectral tilt (dB per octave, negative = darker)."""
    freqs = np.fft.rfftfreq(n, 1.0 / RATE)
    spectrum = rng.normal(size=freqs.size) + 1j * rng.normal(size=freqs.size)
    f = np.maximum(freqs, 1.0)
    shape = (f / 1000.0) ** (tilt / 6.02)
    # soft band edges
    shape *= 1.0 / (1.0 + (lo / f) ** 4)
    shape *= 1.0 / (1.0 + (f / hi) ** 4)
    shape[0] = 0.0
    sig = np.fft.irfft(spectrum * shape, n)
    return sig / np.sqrt(np.mean(sig ** 2))


def wave_envelopes(n, events):
    """Envelopes of breaking waves, evaluated modulo n.
    events: (start seconds, strength, rise s, decay s)."""
    t = np.arange(n) / RATE
    loop = n / RATE
    crash = np.zeros(n)
    rumble = np.zeros(n)
    wash = np.zeros(n)
    for start, strength, rise, decay in events:
        d = np.mod(t - start, loop)  # seconds since the wave began, wrapped
        # the swell rising before the break (ends in the crash)
        before = np.mod(start - t, loop)
        rumble += strength * 0.55 * np.exp(-before / 1.1) * (before < 3.5)
        # the crash: quick attack, long fall
        att = np.clip(d / rise, 0, 1) ** 2
        crash += strength * att * np.exp(-np.maximum(d - rise, 0) / decay) * (d < loop * 0.9)
        # foam running back down the sand: a later, softer hiss
        w = np.clip((d - 0.6) / 1.2, 0, 1)
        wash += strength * 0.7 * w * np.exp(-np.maximum(d - 1.8, 0) / 1.6) * (d < loop * 0.9)
    return rumble, crash, wash


def smooth_periodic(x, seconds):
    """Circular moving-average smoothing (keeps the loop seamless)."""
    k = max(int(seconds * RATE), 1)
    spectrum = np.fft.rfft(x)
    kern = np.zeros(x.size)
    kern[:k] = 1.0 / k
    kern = np.roll(kern, -k // 2)
    return np.fft.irfft(spectrum * np.fft.rfft(kern), x.size)


def synthesize(seed=7):
    n = FRAMES
    rng = np.random.default_rng(seed)
    loop = n / RATE
    # five waves of uneven spacing and strength in the 17.6 s loop
    events_l = [(0.9, 1.0, 0.35, 1.6), (4.3, 0.75, 0.30, 1.3), (7.4, 1.1, 0.40, 1.9),
                (11.3, 0.7, 0.30, 1.2), (14.2, 0.95, 0.35, 1.7)]
    out = []
    for ch in range(CHANNELS):
        # waves reach the two ears a little apart and a little unequal
        shift = 0.12 if ch else 0.0
        gain = [1.0, 0.9, 0.96, 1.0, 0.88] if ch == 0 else [0.92, 1.0, 1.0, 0.9, 0.97]
        ev = [((s + shift) % loop, a * g, r, d) for (s, a, r, d), g in zip(events_l, gain)]
        rumble, crash, wash = wave_envelopes(n, ev)
        crash = smooth_periodic(crash, 0.02)
        wash = smooth_periodic(wash, 0.05)
        low = periodic_noise(n, 40, 400, rng, tilt=-3)
        mid = periodic_noise(n, 250, 2500, rng, tilt=-2)
        high = periodic_noise(n, 1500, 5200, rng, tilt=-1)
        bed = periodic_noise(n, 60, 3000, rng, tilt=-4)
        # slow breathing of the background sea
        t = np.arange(n) / RATE
        breath = 0.75 + 0.25 * np.sin(2 * np.pi * t / loop * 3 + ch) * np.sin(2 * np.pi * t / loop * 2)
        # fine fizz of the foam: amplitude flutter made periodic too
        flutter = 1.0 + 0.35 * periodic_noise(n, 2, 20, rng)
        sig = (0.22 * bed * breath
               + low * (0.35 * rumble + 0.55 * crash)
               + mid * (0.45 * crash + 0.25 * wash * flutter)
               + high * (0.22 * crash + 0.32 * wash * flutter))
        out.append(sig)
    stereo = np.stack(out, axis=1)
    # mix a little of each side into the other for a natural width
    stereo = stereo @ np.array([[0.8, 0.2], [0.2, 0.8]])
    stereo *= 0.55 * 32767 / np.max(np.abs(stereo))
    return np.round(stereo).astype(np.int32)


# ------------------------------------------------------------ MS ADPCM

def _encode_channel(samples, pred, delta0):
    """Encode one block channel with a given predictor; returns (nibbles,
    squared error, start delta). samples[0] is iSamp2, samples[1] iSamp1."""
    c1, c2 = COEF[pred]
    s2, s1 = samples[0], samples[1]
    delta = delta0
    nibbles = []
    err = 0
    for s in samples[2:]:
        p = (s1 * c1 + s2 * c2) >> 8
        e = s - p
        # round to nearest step
        if e >= 0:
            q = (e + delta // 2) // delta
        else:
            q = -((-e + delta // 2) // delta)
        q = max(-8, min(7, q))
        v = p + q * delta
        # the decoder clamps: never let the clamp swallow the step
        while v > 32767 and q > -8:
            q -= 1
            v = p + q * delta
        while v < -32768 and q < 7:
            q += 1
            v = p + q * delta
        v = max(-32768, min(32767, v))
        err += (s - v) * (s - v)
        nib = q & 0xF
        nibbles.append(nib)
        delta = max(16, (ADAPT[nib] * delta) >> 8)
        s2, s1 = s1, v
    return nibbles, err


def encode_adpcm(pcm):
    """pcm: (frames, 2) int array, frames a multiple of SAMPLES_PER_BLOCK."""
    blocks = []
    for b in range(pcm.shape[0] // SAMPLES_PER_BLOCK):
        chunk = pcm[b * SAMPLES_PER_BLOCK:(b + 1) * SAMPLES_PER_BLOCK]
        best = []
        for ch in range(CHANNELS):
            s = [int(v) for v in chunk[:, ch]]
            d = [abs(s[i + 1] - s[i]) for i in range(min(16, len(s) - 1))]
            delta0 = max(16, int(sum(d) / len(d) / 2))
            cand = None
            for pred in range(7):
                for dscale in (0.5, 1.0, 2.0, 4.0):
                    d0 = max(16, min(32767, int(delta0 * dscale)))
                    nibs, err = _encode_channel(s, pred, d0)
                    if cand is None or err < cand[1]:
                        cand = (nibs, err, pred, d0)
            best.append((cand[2], cand[3], s[1], s[0], cand[0]))
        hdr = struct.pack('<BB', best[0][0], best[1][0])
        hdr += struct.pack('<hh', best[0][1], best[1][1])
        hdr += struct.pack('<hh', best[0][2], best[1][2])
        hdr += struct.pack('<hh', best[0][3], best[1][3])
        body = bytes(((l << 4) | r) for l, r in zip(best[0][4], best[1][4]))
        blk = hdr + body
        assert len(blk) == BLOCK_ALIGN, len(blk)
        blocks.append(blk)
    return b''.join(blocks)


def wave_bytes(pcm):
    data = encode_adpcm(pcm)
    avg_bytes = RATE * BLOCK_ALIGN // SAMPLES_PER_BLOCK
    fmt = struct.pack('<HHIIHHHHH', 2, CHANNELS, RATE, avg_bytes, BLOCK_ALIGN, 4, 32,
                      SAMPLES_PER_BLOCK, len(COEF))
    fmt += b''.join(struct.pack('<hh', a, b) for a, b in COEF)
    fact = struct.pack('<I', pcm.shape[0])
    body = (b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt
            + b'fact' + struct.pack('<I', 4) + fact
            + b'data' + struct.pack('<I', len(data)) + data)
    return b'RIFF' + struct.pack('<I', len(body)) + body


def make(path):
    pcm = synthesize()
    blob = wave_bytes(pcm)
    with open(path, 'wb') as f:
        f.write(blob)
    return len(blob)


if __name__ == '__main__':
    import sys
    print(make(sys.argv[1] if len(sys.argv) > 1 else 'SOUNDNAME.wav'))
