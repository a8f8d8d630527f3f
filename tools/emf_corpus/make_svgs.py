#!/usr/bin/env python3
"""Writes the SVG drawings whose EMF export by Inkscape (and import by
LibreOffice Draw) goes into the EMF corpus. Usage: make_svgs.py OUTDIR"""
import base64, os, sys, zlib, struct

out = sys.argv[1]
os.makedirs(out, exist_ok=True)

def png(w, h, pixel):
    raw = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(w)) for y in range(h))
    def chunk(t, d):
        c = struct.pack(">I", len(d)) + t + d
        return c + struct.pack(">I", zlib.crc32(t + d) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))

def svg(name, body, w=60, h=40):
    with open(os.path.join(out, name + ".svg"), "w") as f:
        f.write(f'<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" '
                f'width="{w}mm" height="{h}mm" viewBox="0 0 {w*10} {h*10}">\n{body}\n</svg>\n')

colors = ["#c00000", "#0060c0", "#208020", "#805000", "#600080", "#000000"]
# Plain shapes, filled and outlined, at several widths.
for i in range(8):
    c = colors[i % 6]
    sw = [1, 4, 10, 20, 2, 8, 15, 30][i]
    svg(f"shapes{i}", f'''<rect x="{20+i*5}" y="30" width="200" height="120" fill="{c}" stroke="#000" stroke-width="{sw}"/>
<circle cx="{400-i*10}" cy="120" r="{60+i*5}" fill="none" stroke="{c}" stroke-width="{sw}"/>
<ellipse cx="300" cy="300" rx="{150-i*10}" ry="50" fill="{colors[(i+2)%6]}"/>
<line x1="10" y1="{380-i*20}" x2="590" y2="{200+i*10}" stroke="#000" stroke-width="{sw}"/>''')
# Curves and polygons with both fill rules.
for i in range(8):
    rule = "evenodd" if i % 2 else "nonzero"
    svg(f"curves{i}", f'''<path d="M 50 350 C {100+i*20} 50, {300-i*10} 50, 350 350 S 550 {100+i*30}, 580 300" fill="none" stroke="{colors[i%6]}" stroke-width="{3+i*2}"/>
<path d="M 300 40 L 380 240 L 180 110 L 420 110 L 220 240 Z" fill="{colors[(i+1)%6]}" fill-rule="{rule}"/>
<polyline points="20,20 80,60 140,20 200,60 260,20" fill="none" stroke="#000" stroke-width="{1+i}"/>
<path d="M 450 200 Q 500 {50+i*10} 580 200 T 580 380" fill="{colors[(i+3)%6]}" stroke="#000"/>''')
# Dashes, caps and joins.
caps = ["butt", "round", "square"]
joins = ["miter", "round", "bevel"]
dashes = ["none", "20,10", "5,5", "30,10,5,10", "2,8", "40,20"]
for i in range(9):
    svg(f"strokes{i}", f'''<polyline points="40,350 150,60 260,350 370,60 480,350" fill="none" stroke="{colors[i%6]}" stroke-width="{12+i*2}"
 stroke-linecap="{caps[i%3]}" stroke-linejoin="{joins[(i//3)%3]}" stroke-dasharray="{dashes[i%6]}"/>
<line x1="30" y1="30" x2="570" y2="30" stroke="#000" stroke-width="6" stroke-dasharray="{dashes[(i+1)%6]}"/>''')
# Text in several fonts, sizes and angles.
fonts = ["Liberation Sans", "Liberation Serif", "DejaVu Sans", "Liberation Mono"]
for i in range(8):
    svg(f"text{i}", f'''<text x="30" y="100" font-family="{fonts[i%4]}" font-size="{40+i*6}" fill="{colors[i%6]}">Hive {i} brood</text>
<text x="30" y="200" font-family="{fonts[(i+1)%4]}" font-size="36" font-weight="bold">Queen seen</text>
<text x="300" y="380" font-family="{fonts[(i+2)%4]}" font-size="30" transform="rotate({-15*i} 300 380)">Frames {i*3}</text>
<rect x="20" y="230" width="560" height="40" fill="#eee" stroke="#000"/>''')
# Groups with transforms (scale, rotate, skew).
for i in range(7):
    t = ["rotate(20 300 200)", "scale(1.5 0.7)", "skewX(20)", "rotate(-35 300 200) scale(0.8)",
         "translate(100 50) rotate(90 200 150)", "matrix(0.9 0.3 -0.2 0.8 60 10)", "scale(-1 1) translate(-600 0)"][i]
    svg(f"transform{i}", f'''<g transform="{t}"><rect x="150" y="100" width="250" height="150" fill="{colors[i%6]}" stroke="#000" stroke-width="6"/>
<circle cx="275" cy="175" r="50" fill="#fff"/><text x="160" y="90" font-family="Liberation Sans" font-size="40">Apiary</text></g>''')
# Gradients (Inkscape writes them as many fills or as gradient records).
for i in range(5):
    kind = "linear" if i % 2 == 0 else "radial"
    grad = (f'<linearGradient id="g" x1="0" y1="0" x2="{1 if i<3 else 0}" y2="{0 if i<3 else 1}">'
            if kind == "linear" else '<radialGradient id="g">')
    svg(f"gradient{i}", f'''<defs>{grad}<stop offset="0" stop-color="{colors[i%6]}"/><stop offset="1" stop-color="#ffff80"/></{kind}Gradient></defs>
<rect x="40" y="40" width="520" height="320" fill="url(#g)" stroke="#000" stroke-width="4"/>''')
# Embedded pictures.
for i in range(6):
    w, h = 16 + i * 8, 12 + i * 4
    data = png(w, h, lambda x, y: ((x * 255) // w, (y * 255) // h, (128 + i * 20) % 256))
    svg(f"image{i}", f'''<image x="{50+i*10}" y="40" width="{300+i*20}" height="250" preserveAspectRatio="none"
 xlink:href="data:image/png;base64,{base64.b64encode(data).decode()}"/>
<rect x="30" y="320" width="300" height="50" fill="#204080"/>''')
# Clipping.
for i in range(5):
    svg(f"clip{i}", f'''<defs><clipPath id="c"><circle cx="300" cy="200" r="{120+i*20}"/></clipPath></defs>
<g clip-path="url(#c)"><rect x="0" y="0" width="600" height="400" fill="{colors[i%6]}"/>
<line x1="0" y1="0" x2="600" y2="400" stroke="#fff" stroke-width="30"/></g>
<rect x="10" y="10" width="80" height="80" fill="#000"/>''')
# Patterns and hatches made of shapes.
for i in range(4):
    svg(f"pattern{i}", f'''<defs><pattern id="p" width="{20+i*10}" height="{20+i*10}" patternUnits="userSpaceOnUse">
<rect width="10" height="10" fill="{colors[i%6]}"/><line x1="0" y1="0" x2="{20+i*10}" y2="{20+i*10}" stroke="#000" stroke-width="2"/></pattern></defs>
<rect x="50" y="50" width="500" height="300" fill="url(#p)" stroke="#000" stroke-width="3"/>''')
# A record sheet in miniature: many thin rules and small text.
for i in range(3):
    rules = "".join(f'<line x1="20" y1="{60+r*10}" x2="{580-i*40}" y2="{60+r*10}" stroke="#000" stroke-width="1"/>' for r in range(30))
    cols = "".join(f'<line x1="{20+c*28}" y1="40" x2="{20+c*28}" y2="360" stroke="#000" stroke-width="1"/>' for c in range(21))
    svg(f"sheet{i}", rules + cols + '<text x="20" y="30" font-family="Liberation Sans" font-size="20">Apiary : Hill top</text>')
