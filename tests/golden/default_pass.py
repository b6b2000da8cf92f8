#!/usr/bin/env python3
"""Independent reference for the first drawing after program start.

Recomputes, without any of the program's code, the ordered list of pixels
that the first pass draws with the three default pairs
    (0.5*x, 0.5*y), (0.5*x+0.5, 0.5*y), (0.5*x+0.25, 0.5*y+0.5)
and the range (0,0) - (1,1), and prints the FNV-1a 64 hash of that list
(x, y and colour of every pixel, each as a 32-bit little-endian integer).

The maps are affine, so Python's floats (IEEE doubles) give the very values
the program computes, as long as every operation happens in the same order:
0.5*x+0.25 is (0.5*x) + 0.25.

Usage: default_pass.py            print hash, pixel count and first pixels
       default_pass.py --pixels F also write "x y colour" lines to F
"""
import struct
import sys

START_STEPS = 1000
POINTS = 200000
COLOR_BLOCK = 10000
WIDTH, HEIGHT = 1030, 630
X1, Y1, X2, Y2 = 0.0, 0.0, 1.0, 1.0


class Lcg:
    def __init__(self):
        self.s = 0xFFFFFFFF

    def next(self):
        self.s = (self.s * 134775813 + 1) % 2**32
        return (self.s // 2) / 2.0**31


def pair(p, x, y):
    if p == 1:
        return 0.5 * x, 0.5 * y
    if p == 2:
        return 0.5 * x + 0.5, 0.5 * y
    return 0.5 * x + 0.25, 0.5 * y + 0.5


def pixels():
    n = 3.0
    x, y = 0.0, 0.0
    for _ in range(START_STEPS):
        x, y = pair(1, x, y)
    sx = 800.0 / (X2 - X1)
    sy = 500.0 / (Y2 - Y1)
    r, g, b = 255, 0, 0
    rnd = Lcg()
    out = []
    for k in range(1, POINTS + 1):
        if k % COLOR_BLOCK == 0:
            r, g, b = g, b, r
        u = rnd.next()
        p = int(min(u * n + 1.0, n))  # floor; the value is positive
        x, y = pair(p, x, y)
        fx = (x - X1) * sx + 115.0
        fy = 565.0 - (y - Y1) * sy
        # round() on floats goes to the even neighbour at halves
        px, py = round(fx), round(fy)
        if 0 <= px < WIDTH and 0 <= py < HEIGHT:
            out.append((px, py, (r << 16) | (g << 8) | b))
    return out


def fnv1a64(data):
    h = 0xCBF29CE484222325
    for byte in data:
        h ^= byte
        h = (h * 0x100000001B3) % 2**64
    return h


def main():
    pts = pixels()
    data = b"".join(struct.pack("<iii", x, y, c) for x, y, c in pts)
    print("hash 0x%016X" % fnv1a64(data))
    print("pixels %d" % len(pts))
    print("first", pts[:3])
    if len(sys.argv) == 3 and sys.argv[1] == "--pixels":
        with open(sys.argv[2], "w") as f:
            for x, y, c in pts:
                f.write("%d %d %d\n" % (x, y, c))


if __name__ == "__main__":
    main()
