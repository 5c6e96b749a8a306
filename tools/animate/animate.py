#!/usr/bin/python3
"""Turns a sequence of frames from `sandloop --render FILE%04d.png --frames K`
into one animated picture for review: an animated PNG (full colour) or a
GIF (256 colours), chosen by the output's extension.

    tools/animate/animate.py OUT.png FRAME0000.png FRAME0001.png ...
        [--crop X,Y,W,H] [--scale N] [--delay MS]

--crop keeps one region of every frame (the sky, the beach), --scale
enlarges it N times with square pixels (nothing is smoothed, so what is
seen is what the screen shows), --delay is the time per frame (50 ms, the
saver's normal tick). Needs only Pillow (Debian's python3-pil).
"""
import argparse
import sys

from PIL import Image, ImageChops


def parse_crop(text):
    try:
        x, y, w, h = (int(v) for v in text.split(","))
    except ValueError:
        raise argparse.ArgumentTypeError("expected X,Y,W,H, got '%s'" % text)
    if x < 0 or y < 0 or w <= 0 or h <= 0:
        raise argparse.ArgumentTypeError("a crop needs X, Y >= 0 and W, H > 0: '%s'" % text)
    return x, y, w, h


def main(argv):
    ap = argparse.ArgumentParser(description="frames to an animated PNG or GIF")
    ap.add_argument("out", help="the animation to write (.png or .gif)")
    ap.add_argument("frames", nargs="+", help="the frames, in order")
    ap.add_argument("--crop", type=parse_crop, help="X,Y,W,H of the region to keep")
    ap.add_argument("--scale", type=int, default=1, help="enlarge N times (square pixels)")
    ap.add_argument("--delay", type=int, default=50, help="milliseconds per frame")
    a = ap.parse_args(argv)
    if a.scale < 1 or a.delay < 1:
        ap.error("--scale and --delay must be positive")
    kind = a.out.lower().rsplit(".", 1)[-1]
    if kind not in ("png", "gif"):
        ap.error("the output must end in .png or .gif: '%s'" % a.out)

    images = []
    size = None
    for name in a.frames:
        try:
            im = Image.open(name).convert("RGB")
        except (OSError, ValueError) as e:
            sys.exit("animate: cannot read '%s': %s" % (name, e))
        if size is None:
            size = im.size
        elif im.size != size:
            sys.exit("animate: '%s' is %dx%d, the first frame %dx%d" % (name, *im.size, *size))
        if a.crop:
            x, y, w, h = a.crop
            if x + w > im.width or y + h > im.height:
                sys.exit("animate: the crop %s does not fit the %dx%d frames" % (a.crop, *im.size))
            im = im.crop((x, y, x + w, y + h))
        if a.scale > 1:
            im = im.resize((im.width * a.scale, im.height * a.scale), Image.NEAREST)
        images.append(im)

    first, rest = images[0], images[1:]
    try:
        if kind == "gif":
            # One palette for the whole animation, so colours do not flicker
            # from frame to frame, taken from a few frames side by side. The
            # octree keeps the few pixels of a small creature's own colour,
            # which a median cut would merge into the surrounding water.
            picks = images[:: max(1, len(images) // 4)][:4]
            mosaic = Image.new("RGB", (first.width * len(picks), first.height))
            for i, im in enumerate(picks):
                mosaic.paste(im, (i * first.width, 0))
            palette = mosaic.quantize(colors=256, method=Image.FASTOCTREE)
            frames = [im.quantize(palette=palette, dither=Image.NONE) for im in images]
            frames[0].save(a.out, save_all=True, append_images=frames[1:], duration=a.delay, loop=0,
                           optimize=False, disposal=1)
        else:
            # Each frame after the first holds only the pixels that changed,
            # the rest transparent and drawn over the previous picture: the
            # sky and the sand stay still, so the file stays small.
            deltas = []
            for before, after in zip(images, rest):
                r, g, b = ImageChops.difference(before, after).point(lambda v: 255 if v else 0).split()
                changed = ImageChops.lighter(ImageChops.lighter(r, g), b)
                delta = Image.new("RGBA", after.size, (0, 0, 0, 0))
                delta.paste(after, mask=changed)
                deltas.append(delta)
            n = len(images)
            first.convert("RGBA").save(a.out, save_all=True, append_images=deltas, duration=[a.delay] * n, loop=0,
                                       disposal=[0] * n, blend=[0] + [1] * (n - 1))
    except OSError as e:
        sys.exit("animate: cannot write '%s': %s" % (a.out, e))
    print("%s: %d frames of %dx%d" % (a.out, len(images), first.width, first.height))


if __name__ == "__main__":
    main(sys.argv[1:])
