#!/usr/bin/env python3
"""Pixel probes for the preview's end-to-end test, on screenshots converted
to binary PPM (ImageMagick: convert shot.png shot.ppm).

  paper IMAGE             the paper's left, top, right and bottom edges (its
                          outline and shadow) on the middle row and down
                          the left edge
  rules IMAGE X Y0 Y1     rows of column X between Y0 and Y1 that are dark
  spacing IMAGE X Y0 Y1   the median distance between those dark rows
  sharp IMAGE X Y0 Y1     checks that every dark run in column X is at most
                          2 pixels and has no grey smear beside it
  contrast IMAGE X Y W H  the contrast ratio (WCAG 2) of the text in that
                          area with its background: the commonest colour
                          there is the background, the text the pixel
                          that stands out from it most
"""
import sys


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            while data[pos:pos + 1] != b"\n":
                pos += 1
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    if fields[0] != b"P6" or int(fields[3]) != 255:
        sys.exit("not an 8-bit binary PPM: " + path)
    w, h = int(fields[1]), int(fields[2])
    return w, h, data[pos + 1:]


class Image:
    def __init__(self, path):
        self.w, self.h, self.px = read_ppm(path)

    def rgb(self, x, y):
        i = 3 * (y * self.w + x)
        return self.px[i], self.px[i + 1], self.px[i + 2]

    def gray(self, x, y):
        i = 3 * (y * self.w + x)
        r, g, b = self.px[i], self.px[i + 1], self.px[i + 2]
        return (11 * r + 16 * g + 5 * b) // 32


def dark_runs(img, x, y0, y1, limit=110):
    runs, start = [], None
    for y in range(y0, y1):
        if img.gray(x, y) < limit:
            if start is None:
                start = y
        elif start is not None:
            runs.append((start, y))
            start = None
    if start is not None:
        runs.append((start, y1))
    return runs


def luminance(rgb):
    def channel(v):
        v /= 255
        return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4
    r, g, b = rgb
    return 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b)


def contrast(img, x, y, w, h):
    counts = {}
    for yy in range(y, y + h):
        for xx in range(x, x + w):
            c = img.rgb(xx, yy)
            counts[c] = counts.get(c, 0) + 1
    background = luminance(max(counts, key=counts.get))
    best = 1.0
    for c in counts:
        l = luminance(c)
        best = max(best, (max(l, background) + 0.05) / (min(l, background) + 0.05))
    return best


def paper(img):
    # The paper's black outline and shadow are the outermost black pixels on
    # the view's middle row and, just inside the left edge, down the column.
    def black(points):
        return [p for p, g in points if g < 40]
    row = black((x, img.gray(x, img.h // 2)) for x in range(img.w))
    if not row:
        sys.exit("no paper in the view")
    col = black((y, img.gray(row[0] + 4, y)) for y in range(img.h))
    return row[0], col[0], row[-1], col[-1]


def main():
    cmd, path = sys.argv[1], sys.argv[2]
    img = Image(path)
    if cmd == "paper":
        print(*paper(img))
    elif cmd == "rules":
        x, y0, y1 = map(int, sys.argv[3:6])
        print(*[a for a, b in dark_runs(img, x, y0, y1)])
    elif cmd == "spacing":
        x, y0, y1 = map(int, sys.argv[3:6])
        starts = [a for a, b in dark_runs(img, x, y0, y1)]
        gaps = sorted(b - a for a, b in zip(starts, starts[1:]))
        print(gaps[len(gaps) // 2] if gaps else 0)
    elif cmd == "sharp":
        x, y0, y1 = map(int, sys.argv[3:6])
        runs = dark_runs(img, x, y0, y1)
        if not runs:
            sys.exit("no rule in column %d" % x)
        for a, b in runs:
            if b - a > 2:
                sys.exit("a rule %d pixels wide at row %d" % (b - a, a))
            for y in (a - 1, b):
                if 0 <= y < img.h and img.gray(x, y) < 200:
                    sys.exit("grey smear (%d) beside the rule at row %d" % (img.gray(x, y), y))
        print(len(runs), "sharp rules")
    elif cmd == "contrast":
        x, y, w, h = map(int, sys.argv[3:7])
        print("%.2f" % contrast(img, x, y, w, h))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
