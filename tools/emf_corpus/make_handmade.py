#!/usr/bin/env python3
"""Writes, record by record from Microsoft's [MS-EMF], the EMF files for the
records that none of the corpus's producers writes (round rectangles, chords,
pies, region fills, clip regions, bitmaps with a source, pattern brushes,
gradients, small text, raster operations ...). Every page is 60 x 40 mm on a
reference device of 10 pixels per millimetre, so logical MM_TEXT units are
600 x 400. Usage: make_handmade.py OUTDIR"""
import os, struct, sys

out = sys.argv[1]
os.makedirs(out, exist_ok=True)

def rec(t, payload=b""):
    return struct.pack("<II", t, 8 + len(payload)) + payload

def i32(*v): return struct.pack(f"<{len(v)}i", *v)
def u32(*v): return struct.pack(f"<{len(v)}I", *v)
def f32(*v): return struct.pack(f"<{len(v)}f", *v)
def rgb(r, g, b): return r | (g << 8) | (b << 16)

class Emf:
    def __init__(self):
        self.recs = []
        self.handles = 1
    def add(self, t, payload=b""):
        self.recs.append(rec(t, payload))
    def obj(self):
        self.handles += 1
        return self.handles - 1
    def bytes(self, records_delta=0):
        body = b"".join(self.recs) + rec(14, u32(0, 16, 20))
        n = len(self.recs) + 2
        hdr = struct.pack("<II", 1, 108) + i32(0, 0, 599, 399) + i32(0, 0, 5999, 3999)
        hdr += u32(0x464D4520, 0x10000, 108 + len(body), n + records_delta)
        hdr += struct.pack("<HH", max(self.handles, 1), 0) + u32(0, 0, 0) + i32(1600, 1200, 160, 120) + u32(0, 0, 0) + i32(160000, 120000)
        return hdr + body

def save(name, e, records_delta=0):
    with open(os.path.join(out, name + ".emf"), "wb") as f:
        f.write(e.bytes(records_delta))

# Object helpers.
def pen(e, style=0, width=1, color=0):
    h = e.obj(); e.add(38, u32(h, style) + i32(width, 0) + u32(color)); return h
def brush(e, style=0, color=0, hatch=0):
    h = e.obj(); e.add(39, u32(h, style, color, hatch)); return h
def select(e, h): e.add(37, u32(h))
def delete(e, h): e.add(40, u32(h))
def rect(e, l, t, r, b): e.add(43, i32(l, t, r, b))
def dib(w, h, bpp, pixel, palette=None):
    """BITMAPINFOHEADER (+ palette) and bottom-up bits."""
    stride = (w * bpp + 31) // 32 * 4
    colors = len(palette) if palette else 0
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, 0, stride * h, 0, 0, colors, 0)
    for c in palette or []:
        info += bytes((c[2], c[1], c[0], 0))
    bits = bytearray(stride * h)
    for y in range(h):
        row = (h - 1 - y) * stride
        for x in range(w):
            v = pixel(x, y)
            if bpp == 32: bits[row + 4*x:row + 4*x + 4] = bytes((v[2], v[1], v[0], v[3] if len(v) > 3 else 255))
            elif bpp == 24: bits[row + 3*x:row + 3*x + 3] = bytes((v[2], v[1], v[0]))
            elif bpp == 8: bits[row + x] = v
            elif bpp == 1:
                if v: bits[row + x // 8] |= 0x80 >> (x % 8)
    return info, bytes(bits)
def rgndata(rects):
    l = min(r[0] for r in rects); t = min(r[1] for r in rects)
    rr = max(r[2] for r in rects); b = max(r[3] for r in rects)
    return u32(32, 1, len(rects), 16 * len(rects)) + i32(l, t, rr, b) + b"".join(i32(*r) for r in rects)
def bounds(): return i32(0, 0, 599, 399)

files = 0
def done(name, e, delta=0):
    global files
    save(name, e, delta); files += 1

# Round rectangles, chords, pies and arcs in both arc directions.
for v in range(4):
    e = Emf()
    p = pen(e, 0, 4 + v, rgb(0, 0, 0)); b = brush(e, 0, rgb(60 * v, 160, 220 - 40 * v))
    select(e, p); select(e, b)
    e.add(57, u32(1 if v % 2 == 0 else 2))  # AD_COUNTERCLOCKWISE / AD_CLOCKWISE
    e.add(44, i32(20, 20, 280, 180) + i32(40 + v * 20, 30 + v * 10))
    e.add(46, i32(320, 20, 580, 180) + i32(580, 100, 320, 40 + v * 30))
    e.add(47, i32(20, 210, 280, 380) + i32(280, 300, 150 + v * 30, 210))
    e.add(45, i32(320, 210, 580, 380) + i32(580, 300, 320, 300 - v * 30))
    done(f"roundrect-chord-pie{v}", e)

# 32-bit poly records and poly-polylines in both widths.
for v in range(3):
    e = Emf()
    select(e, pen(e, 0, 3, rgb(120, 0, 0))); select(e, brush(e, 0, rgb(250, 200, 60)))
    pts = [(30, 30), (250, 60), (200, 180), (60, 150)]
    e.add(3, bounds() + u32(len(pts)) + b"".join(i32(*q) for q in pts))
    bz = [(300, 380), (350, 100), (500, 100), (580, 380)]
    e.add(2, bounds() + u32(len(bz)) + b"".join(i32(*q) for q in bz))
    pl = [(300, 30), (400, 180), (500, 30), (580, 180)]
    e.add(4, bounds() + u32(len(pl)) + b"".join(i32(*q) for q in pl))
    lines = [[(30, 220), (250, 220)], [(30, 260), (250, 300), (30, 340)]]
    allp = [q for l in lines for q in l]
    if v == 1:
        e.add(90, bounds() + u32(len(lines), len(allp)) + u32(*[len(l) for l in lines]) + b"".join(struct.pack("<hh", *q) for q in allp))
    else:
        e.add(7, bounds() + u32(len(lines), len(allp)) + u32(*[len(l) for l in lines]) + b"".join(i32(*q) for q in allp))
    rings = [[(320, 200), (580, 200), (580, 390), (320, 390)], [(380, 240), (520, 240), (520, 350), (380, 350)]]
    allr = [q for r in rings for q in r]
    e.add(19, u32(1 if v != 2 else 2))
    if v == 2:
        e.add(91, bounds() + u32(2, len(allr)) + u32(4, 4) + b"".join(struct.pack("<hh", *q) for q in allr))
    else:
        e.add(8, bounds() + u32(2, len(allr)) + u32(4, 4) + b"".join(i32(*q) for q in allr))
    e.add(6, bounds() + u32(2) + i32(100, 390, 200, 390))  # POLYLINETO from the current position
    done(f"poly32-{v}", e)

# Clip regions: region data, excluded rectangles, offsets, paths as clips.
for v in range(5):
    e = Emf()
    select(e, brush(e, 0, rgb(0, 90, 170)))
    e.add(33)  # SAVEDC
    if v == 0:
        rg = rgndata([(50, 50, 250, 200), (300, 150, 550, 350)])
        e.add(75, u32(len(rg), 5) + rg)
    elif v == 1:
        e.add(29, i32(200, 100, 400, 300))  # EXCLUDECLIPRECT
    elif v == 2:
        e.add(30, i32(50, 50, 300, 250)); e.add(26, i32(200, 100))  # INTERSECT then OFFSET
    elif v == 3:
        e.add(59); e.add(42, i32(100, 50, 500, 350)); e.add(60); e.add(67, u32(5))  # ellipse as clip path
    else:
        rg = rgndata([(0, 0, 600, 200)])
        e.add(75, u32(len(rg), 5) + rg)
        rg2 = rgndata([(100, 0, 300, 400)])
        e.add(75, u32(len(rg2), 3) + rg2)  # RGN_XOR
    e.add(43, i32(0, 0, 600, 400))  # RECTANGLE over everything, clipped
    e.add(34, i32(-1))
    select(e, brush(e, 0, rgb(200, 0, 0)))
    rect(e, 10, 10, 40, 40)
    done(f"clip-region{v}", e)

# Region fills, frames and paints.
for v in range(3):
    e = Emf()
    b = brush(e, 0, rgb(0, 150, 60))
    rg = rgndata([(40, 40, 200, 160), (260, 60, 560, 200), (100, 240, 500, 360)])
    if v == 0: e.add(71, bounds() + u32(len(rg), b) + rg)
    if v == 1: e.add(72, bounds() + u32(len(rg), b) + i32(6, 6) + rg)
    if v == 2: select(e, b); e.add(74, bounds() + u32(len(rg)) + rg)
    done(f"region-fill{v}", e)

# Bitmaps: BITBLT and STRETCHBLT with a source, SETDIBITSTODEVICE, ALPHABLEND.
grad = lambda x, y: ((x * 8) % 256, (y * 8) % 256, 128)
for v in range(6):
    e = Emf()
    w, h = 32, 24
    if v == 2:
        info, bits = dib(w, h, 8, lambda x, y: (x + y) % 4, [(255, 0, 0), (0, 160, 0), (0, 0, 255), (250, 220, 0)])
    else:
        info, bits = dib(w, h, 32 if v >= 4 else 24, (lambda x, y: (255, 0, 0, 255 if x < 16 else 128)) if v == 5 else grad)
    fixed = bounds()
    if v in (0, 1, 2):  # BITBLT / STRETCHBLT with SRCCOPY
        head = fixed + i32(50, 50, 500 if v else w, 300 if v else h) + u32(0xCC0020) + i32(0, 0)
        head += f32(1, 0, 0, 1, 0, 0) + u32(0xFFFFFF, 0)
        off = 8 + len(head) + 16 + (8 if v else 0)
        if v == 0:
            e.add(76, head + u32(off, len(info), off + len(info), len(bits)) + info + bits)
        else:
            e.add(77, head + u32(off, len(info), off + len(info), len(bits)) + i32(w, h) + info + bits)
    elif v == 3:  # SETDIBITSTODEVICE
        head = fixed + i32(100, 100, 0, 0, w, h)
        off = 8 + len(head) + 16 + 12
        e.add(80, head + u32(off, len(info), off + len(info), len(bits), 0, 0, h) + info + bits)
    else:  # ALPHABLEND: constant alpha, or per-pixel alpha
        rect_rec = brush(e, 0, rgb(0, 0, 0)); select(e, rect_rec); rect(e, 280, 0, 320, 400)
        blend = 0x00FF0000 | ((1 << 24) if v == 5 else 0) if v == 5 else 0x00800000
        head = fixed + i32(40, 40, 520, 320) + u32(blend) + i32(0, 0) + f32(1, 0, 0, 1, 0, 0) + u32(0, 0)
        off = 8 + len(head) + 16 + 8
        e.add(114, head + u32(off, len(info), off + len(info), len(bits)) + i32(w, h) + info + bits)
    done(f"bitmap{v}", e)

# Pattern brushes from a DIB and from a monochrome bitmap; palettes.
for v in range(3):
    e = Emf()
    h = e.obj()
    if v == 2:
        info, bits = dib(8, 8, 1, lambda x, y: (x + y) % 4 < 2, [(0, 0, 0), (255, 255, 255)])
        off = 8 + 16 + 8
        e.add(93, u32(h, 0, off, len(info), off + len(info), len(bits)) + info + bits)
    else:
        info, bits = dib(8, 8, 24, lambda x, y: (200, 40, 40) if (x // 4 + y // 4) % 2 else (40, 40, 200))
        off = 8 + 24
        e.add(94, u32(h, 0, off, len(info), off + len(info), len(bits)) + info + bits)
    pal = e.obj()
    e.add(49, u32(pal) + struct.pack("<HH", 0x300, 2) + bytes((255, 0, 0, 0, 0, 0, 255, 0)))
    e.add(48, u32(pal))
    select(e, h)
    if v == 1: select(e, pen(e, 5))  # PS_NULL
    e.add(44, i32(40, 40, 560, 360, 80, 80))
    done(f"pattern-brush{v}", e)

# Gradient fills: rectangles both ways, triangles.
for v in range(3):
    e = Emf()
    verts = [(40, 40, 0xff00, 0, 0, 0), (560, 360, 0, 0, 0xff00, 0), (300, 40, 0, 0xff00, 0, 0), (40, 360, 0xff00, 0xff00, 0, 0)]
    vb = b"".join(struct.pack("<iiHHHH", *q) for q in verts)
    if v < 2:
        e.add(118, bounds() + u32(2, 1, v) + vb[:32] + u32(0, 1))
    else:
        e.add(118, bounds() + u32(4, 2, 2) + vb + u32(0, 1, 2) + u32(0, 1, 3))
    done(f"gradient{v}", e)

# Text: EXTTEXTOUTA and SMALLTEXTOUT, with and without a clip rectangle.
def font(e, height, esc=0, face="Liberation Sans"):
    h = e.obj()
    name = face.encode("utf-16-le").ljust(64, b"\0")
    lf = i32(-height, 0, esc, esc, 400) + bytes((0, 0, 0, 0, 0, 0, 0, 0)) + name
    e.add(82, u32(h) + lf + b"\0" * (332 - 8 - 4 - len(lf)))
    return h
for v in range(4):
    e = Emf()
    select(e, font(e, 40 + v * 5, v * 300))
    e.add(18, u32(1)); e.add(24, u32(rgb(0, 0, 120)))
    s = b"Hive record"
    sp = s.ljust((len(s) + 3) // 4 * 4, b"\0")
    if v % 2 == 0:  # EXTTEXTOUTA with advances
        dx = i32(*[22 + v] * len(s))
        off = 76
        e.add(83, bounds() + u32(1) + f32(1, 1) + i32(60, 120) + u32(len(s), off, 0) + i32(0, 0, -1, -1) + u32(off + len(sp)) + sp + dx)
    else:  # SMALLTEXTOUT, 8-bit characters, no rectangle
        e.add(108, i32(60, 120) + u32(len(s), 0x100 | 0x200, 1) + f32(1, 1) + sp)
    if v >= 2:  # SMALLTEXTOUT with its clip rectangle
        e.add(108, i32(60, 300) + u32(len(s), 0x200 | 4, 1) + f32(1, 1) + i32(60, 250, 300, 330) + sp)
    done(f"text-a-small{v}", e)

# Raster operations, pixels, paths aborted and clipped, a record count one short.
for v in range(4):
    e = Emf()
    select(e, brush(e, 0, rgb(0, 0, 0))); rect(e, 0, 0, 300, 400)
    e.add(20, u32([7, 6, 9, 13][v]))  # R2_XORPEN, R2_NOT, R2_MASKPEN, R2_COPYPEN
    select(e, brush(e, 0, rgb(255, 255, 255))); select(e, pen(e, 0, 8, rgb(255, 255, 255)))
    rect(e, 100, 100, 500, 300)
    e.add(20, u32(13))
    for i in range(40): e.add(15, i32(20 + i * 14, 380) + u32(rgb(200, 0, 0)))
    e.add(59); e.add(43, i32(10, 10, 590, 390)); e.add(68)  # ABORTPATH drops it
    done(f"rop2-pixels{v}", e, -1 if v == 3 else 0)

# Mapping modes set by hand: isotropic aspect fitting, scaled extents, world
# transforms multiplied on both sides, restored with SAVEDC/RESTOREDC.
for v in range(4):
    e = Emf()
    e.add(17, u32(7 if v % 2 == 0 else 8))
    e.add(9, i32(1000, 1000)); e.add(11, i32(600, 400))
    if v >= 2: e.add(32, i32(2, 1, 2, 1)); e.add(31, i32(1, 1, 1, 1))  # SCALEWINDOWEXTEX, SCALEVIEWPORTEXTEX
    e.add(10, i32(-100, -100)); e.add(12, i32(0, 0))
    e.add(33)
    e.add(36, f32(0.8, 0.3, -0.3, 0.8, 150, 0) + u32(2 if v < 2 else 3))
    select(e, brush(e, 0, rgb(40, 160, 40))); select(e, pen(e, 0, 10, 0))
    rect(e, 100, 100, 500, 500)
    e.add(34, i32(-1))
    e.add(42, i32(0, 0, 200, 200))
    done(f"mapping{v}", e)

print(files, "files")
