"""The sea, the surf and the beach as one function of screen position and
loop time, shared by the backdrop (still distant sea) and the two surf
strips (animated far and near water).

Coordinates are those of the 1024 x 768 layout (x right, y down). Loop time
t runs 0..1 over the 30 frames; everything animated is a function of
frac(phase - t) or of periodic functions of t, so frame 29 leads into
frame 0 exactly like any two neighbouring frames.
"""
import numpy as np

from artlib import fbm, rgb, mix, smoothstep, gradient, value_noise, sample_lattice

HORIZON = 415.0      # the sea's horizon in the 1024 x 768 layout
FAR_TOP = 492.0      # where the far surf band starts (it overlaps the backdrop)
SHORE = 672.0        # mean water line on the beach
RUNUP = 26.0         # how far the swash runs up past the mean line

# wave phase: crests are 1 unit apart, spacing grows with nearness
K_WAVES = 5.2


def wave_phase(y):
    d = np.maximum(y - HORIZON, 1.0)
    return K_WAVES * np.log(d + 6.0)


def shore_line(x):
    """Mean water line of the beach: a gentle curve, nearer at the left."""
    return SHORE + 10.0 * np.sin(x / 1024.0 * 2.6 + 0.4) - 0.012 * (x - 512)


class Sea:
    def __init__(self, seed=11):
        self.seed = seed
        rng = np.random.default_rng(seed)
        # lattices for the foam lace, the crest break-up and the glitter
        self.lace = rng.uniform(-1, 1, size=(64, 256))
        self.lace2 = rng.uniform(-1, 1, size=(64, 256))
        self.crest = rng.uniform(-1, 1, size=(32, 128))
        self.glint = rng.uniform(0, 1, size=(600, 400))
        self.glint_phase = rng.uniform(0, 1, size=(600, 400))
        self.sand = rng.uniform(-1, 1, size=(256, 512))
        self.ripple = rng.uniform(-1, 1, size=(128, 256))

    # --------------------------------------------------------- pieces
    def base_colour(self, y):
        d = y - HORIZON
        stops = [(0.0, rgb('3f7fae')), (12.0, rgb('1f6a9c')), (60.0, rgb('1b6f9a')),
                 (120.0, rgb('1d8aa6')), (175.0, rgb('29a6b0')), (225.0, rgb('4cc0b8')),
                 (260.0, rgb('7fd3c3'))]
        return gradient(stops, d)

    def _lace(self, X, V, lattice):
        n = sample_lattice(lattice, X, V, lattice.shape[1], lattice.shape[0])
        n2 = sample_lattice(lattice, X * 2.1 + 7.3, V * 2.1 + 3.1, lattice.shape[1], lattice.shape[0])
        v = 0.65 * n + 0.35 * n2
        # ridged: bright network along the zero lines of the noise
        return 1.0 - np.clip(np.abs(v) * 2.2, 0, 1)

    def moving_texture(self, X, u, t, lattice, per_unit=3.0):
        """Foam texture carried along with the waves, cross-faded so that it
        repeats after one loop: sample at (u - t) and (u - t + 1)."""
        a = self._lace(X, (u - t) * per_unit, lattice)
        b = self._lace(X, (u - t + 1.0) * per_unit, lattice)
        w = t
        m = (1 - w) * a + w * b
        # restore contrast lost by mixing two independent textures
        mean = 0.35
        return np.clip(mean + (m - mean) / np.sqrt((1 - w) ** 2 + w ** 2), 0, 1)

    # --------------------------------------------------------- render
    def render(self, xs, ys, t, animated=True):
        """Colour of the sea and beach at screen positions (arrays of equal
        shape) at loop time t. animated=False gives the still distant sea of
        the backdrop (the far strip fades into it at its top)."""
        x = np.asarray(xs, dtype=np.float64)
        y = np.asarray(ys, dtype=np.float64)
        d = np.maximum(y - HORIZON, 0.5)
        u = wave_phase(y)
        col = self.base_colour(y)

        # perspective-scaled horizontal coordinate
        persp = (d + 6.0) / 60.0
        X = (x - 512.0) / (persp * 60.0)

        # the animation strength: 0 at the top of the far strip, full below
        anim = smoothstep(FAR_TOP, FAR_TOP + 16, y) if animated else np.zeros_like(y)

        # ---- swells: bright backs and darker troughs
        crest_mod = sample_lattice(self.crest, X * 0.6 + 40, u * 0.5, 128, 32)
        swell_amp = smoothstep(HORIZON + 2, HORIZON + 140, y) * (0.55 + 0.45 * crest_mod)
        # crests are not ruler-straight: they lag and lead a little along x
        bend = 0.28 * crest_mod + 0.12 * np.sin(x / 260.0 + 1.0) + 0.08 * np.sin(x / 97.0)
        q = np.mod(t - u + bend, 1.0)   # 0 at a crest, growing behind it
        # the far crests come and go in segments
        seg = sample_lattice(self.crest, X * 1.4 + 80, u * 0.8 + 11, 128, 32)
        swell_amp = swell_amp * (0.55 + 0.45 * np.clip(seg * 1.5 + 0.3, 0, 1))
        # asymmetric profile: a steep lit face ahead of the crest, a long back
        prof = np.where(q < 0.18, q / 0.18, 1.0 - (q - 0.18) / 0.82)
        prof = prof ** 1.6
        light = (prof - 0.45)
        swell = light * swell_amp * anim
        col = col + swell[..., None] * np.array([0.10, 0.13, 0.12])
        # faint static sheen for the backdrop (no moving crests there)
        still = (1 - anim) * smoothstep(HORIZON, HORIZON + 70, y)
        sheen = sample_lattice(self.crest, X * 0.9, y * 0.35, 128, 32)
        col = col + (still * sheen * 0.05)[..., None]

        # ---- glitter of the midday sun: small points that twinkle
        gx = np.floor((x + 3) / 4.0).astype(int) % 400
        gy = np.floor(y / 2.0).astype(int) % 600
        g = self.glint[gy, gx]
        ph = self.glint_phase[gy, gx]
        tw = 0.5 + 0.5 * np.cos(2 * np.pi * (t * 2 - ph)) if animated else 0.6
        gl = (g > 0.992) * tw * smoothstep(HORIZON, HORIZON + 30, y) * (1 - smoothstep(560, 620, y))
        col = col + (gl * 0.25)[..., None]

        # ---- the dark headland at the right mirrored in the water below it,
        # broken up by the passing swells
        refl = smoothstep(515, 545, x) * np.exp(-np.maximum(y - 572.0, 0) / 11.0) * (y > 556)
        refl = refl * (0.75 + 0.25 * np.cos(2 * np.pi * q)) if animated else refl
        col = col * (1 - 0.45 * refl[..., None]) + refl[..., None] * np.array([0.02, 0.03, 0.01])

        # ---- breaking waves and whitewater in the near band
        shore = shore_line(x)
        u_shore = wave_phase(shore)
        # breaking zone: crests start to whiten around y 585 and are foam by 620
        brk = smoothstep(582, 612, y) * anim
        lace = self.moving_texture(X * 11.0, u, t, self.lace, per_unit=3.5)
        lace_b = self.moving_texture(X * 22.0 + 50, u, t, self.lace2, per_unit=6.0)
        # crest foam: a band on the crest, with a trail of lace behind it
        cw = 0.06 + 0.06 * smoothstep(590, 650, y)
        crest_band = np.exp(-((q - 0.04) / cw) ** 2) + np.exp(-((q - 1.04) / cw) ** 2)
        trail = np.exp(-q / 0.30) * (q > 0.0)
        # the wave face just ahead of the crest: deeper, greener, shadowed
        face = smoothstep(0.78, 0.985, q) * (1 - smoothstep(0.985, 1.0, q)) * smoothstep(560, 600, y) * anim
        col = col * (1 - 0.22 * face[..., None]) + face[..., None] * np.array([0.0, 0.06, 0.04])
        foam = brk * (crest_band * (0.75 + 0.35 * lace_b) + trail * (0.25 + lace) * 0.8)
        foam = foam * (0.5 + 0.5 * crest_mod + 0.5 * smoothstep(600, 640, y))
        # lingering foam lace on the far water, faint
        far_lace = anim * smoothstep(FAR_TOP + 10, 575, y) * (1 - brk) * lace * 0.15 * np.exp(-q / 0.5)
        foam = np.clip(foam + far_lace, 0, 1)

        # ---- the swash: a sheet of water running up and back on the sand
        # run-up follows the arrival of the nearest bore at the beach
        ph = np.mod(t - u_shore + 0.05, 1.0)
        # fast advance (0..0.35), slow retreat (0.35..1)
        run = np.where(ph < 0.35, np.sin(ph / 0.35 * np.pi / 2), np.cos((ph - 0.35) / 0.65 * np.pi / 2) ** 1.5)
        edge_wobble = 3.0 * sample_lattice(self.crest, x / 30.0 + 90, np.full_like(x, 3.3), 128, 32)
        water_edge = shore - 8.0 + RUNUP * run + edge_wobble
        wet_top = shore - 8.0
        wet_bottom = shore + RUNUP + 6.0

        # sand: warm pale coral sand with fine grain and wind ripples
        grain = sample_lattice(self.sand, x / 1.7, y / 1.7, 512, 256)
        ripples = np.sin((y + 6 * sample_lattice(self.ripple, x / 40, y / 40, 256, 128)) / 5.5 * np.pi)
        blotch = sample_lattice(self.ripple, x / 90 + 30, y / 30 + 30, 256, 128)
        dry = rgb('ead7b0') + (grain * 0.035 + ripples * 0.010 + blotch * 0.03)[..., None]
        wet = rgb('bfa47a') + (grain * 0.03)[..., None]
        # wet sand dries slowly away from the reach of the swash
        wetness = 1 - smoothstep(wet_bottom - 10, wet_bottom + 6, y)
        sand = mix(dry, wet, wetness * 0.85)
        # shine of the wet sand reflecting the sky
        sand = sand + (wetness * (1 - smoothstep(shore - 4, shore + 22, y)) * 0.05)[..., None]

        # the high-water line: a thin drift of dry seaweed and bits of shell
        y_w = wet_bottom + 10 + 4 * sample_lattice(self.ripple, x / 70 + 5, np.full_like(x, 7.7), 256, 128)
        bits = sample_lattice(self.sand, x / 6.0 + 100, y / 3.0 + 50, 512, 256)
        wrack = np.exp(-((y - y_w) / 1.6) ** 2) * smoothstep(0.05, 0.35, bits)
        sand = mix(sand, rgb('8a7556'), wrack * 0.7)
        # scattered small shells on the dry sand, each with a little shadow
        sx = np.floor(x / 7.0).astype(int) % 400
        sy = np.floor(y / 4.0).astype(int) % 600
        shell = (self.glint[sy, sx] > 0.993) & (y > wet_bottom + 4)
        fx = np.mod(x, 7.0)
        fy = np.mod(y, 4.0)
        dot = shell & (fx > 2) & (fx < 5) & (fy > 1) & (fy < 3)
        shade = shell & (fx > 2.5) & (fx < 5.5) & (fy >= 3)
        sand = np.where(dot[..., None], rgb('f6efe4') * (0.9 + 0.1 * self.glint_phase[sy, sx])[..., None], sand)
        sand = np.where(shade[..., None], sand * 0.85, sand)

        # shallow water over sand: thin sheet tinted turquoise
        depth = np.clip((shore + 10 - y) / 60.0, 0, 1)   # 0 at the shore, 1 offshore
        shallow = mix(sand * np.array([0.78, 0.95, 0.98]) + np.array([0.02, 0.08, 0.08]), col, smoothstep(0, 1, depth))
        water_mask = (y < water_edge).astype(np.float64)
        # soften the water edge over a pixel or two
        water_mask = smoothstep(water_edge + 1.5, water_edge - 1.5, y)
        beach_zone = smoothstep(SHORE - 70, SHORE - 20, y)   # where the sand shows through
        col = mix(col, shallow, beach_zone)
        # swash sheet: thin, bright, with the foam lace of the bore
        sheet_foam = beach_zone * water_mask * (0.25 + 0.55 * lace) * smoothstep(wet_top - 30, water_edge, y) * anim
        edge_line = np.exp(-((y - water_edge + 2.0) / 2.2) ** 2) * (0.6 + 0.4 * lace_b) * anim
        col = mix(sand, col, water_mask) if True else col
        foam = np.clip(np.maximum(foam * water_mask, sheet_foam) + edge_line, 0, 1)

        # foam colour: white with a cool shadow in its thinner parts
        foam_col = mix(rgb('cfe6ea'), rgb('fbfdfc'), np.clip(foam * 1.4, 0, 1))
        col = mix(col, foam_col, np.clip(foam, 0, 1) ** 0.9)
        return np.clip(col, 0, 1)
