#!/usr/bin/python3
"""Makes the Windows program icon from our own composition of the beach:
a square of the left palm over the sea, in the sizes Windows shows.

    /usr/bin/python3 tools/art/make_icon.py [--out FILE]

Reads assets/review/composite_1024x768.png (tools/art/review.py) and writes
assets/win32/sandloop.ico.
"""
import argparse
import os

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, '..', '..'))
SOURCE = os.path.join(ROOT, 'assets', 'review', 'composite_1024x768.png')
# The palm's crown, the clouds, the island on the horizon and the sea.
CROP = (0, 100, 420, 520)
SIZES = [(16, 16), (24, 24), (32, 32), (48, 48), (64, 64), (256, 256)]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--out', default=os.path.join(ROOT, 'assets', 'win32', 'sandloop.ico'))
    args = parser.parse_args()
    square = Image.open(SOURCE).convert('RGBA').crop(CROP)
    square = square.resize((256, 256), Image.LANCZOS)
    square.save(args.out, format='ICO', sizes=SIZES)
    print(args.out)


if __name__ == '__main__':
    main()
