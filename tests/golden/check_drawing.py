#!/usr/bin/env python3
"""Checks a screenshot of a drawing against the reference pixels.

Usage: check_drawing.py SCREENSHOT.ppm REFERENCE.txt

SCREENSHOT is a binary PPM (P6) of the 1030 x 630 window; REFERENCE lists
"x y colour" lines, as default_pass.py --pixels writes them. Every pixel of
the screenshot that is not the light grey background must be one that the
reference sets there, in a colour it gives it there; and more than 1000 must
be coloured, so that an empty window does not pass.
"""
import sys


def read_ppm(path):
    data = open(path, "rb").read()
    # Header: magic, width, height, maxval, each after blanks or comments,
    # then exactly one blank before the pixels.
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    return int(fields[1]), int(fields[2]), data[at + 1:]


def main():
    width, height, pixels = read_ppm(sys.argv[1])
    if (width, height) != (1030, 630):
        print("window size", width, height)
        return 1
    allowed = {}
    for line in open(sys.argv[2]):
        x, y, c = map(int, line.split())
        allowed.setdefault((x, y), set()).add(c)
    coloured = 0
    wrong = []
    for y in range(height):
        row = 3 * y * width
        for x in range(width):
            i = row + 3 * x
            c = (pixels[i] << 16) | (pixels[i + 1] << 8) | pixels[i + 2]
            if c == 0xD0D0D0:
                continue
            coloured += 1
            if c not in allowed.get((x, y), ()):
                wrong.append((x, y, hex(c)))
    print("coloured pixels:", coloured, "not in the reference:", len(wrong), wrong[:10])
    return 0 if coloured > 1000 and not wrong else 1


if __name__ == "__main__":
    sys.exit(main())
