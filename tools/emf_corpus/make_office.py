#!/usr/bin/env python3
"""Writes the spreadsheets, text documents and drawings that LibreOffice
converts into the EMF corpus. Usage: make_office.py OUTDIR"""
import os, sys

out = sys.argv[1]
os.makedirs(out, exist_ok=True)

# Spreadsheets: the record sheet's kind of table, different sizes.
for i in range(8):
    rows = ["Hive,Queen,Eggs,Larvae,Sealed,Stores,Temper,Note"]
    for r in range(3 + i * 2):
        rows.append(f"{r+1},{'yes' if r % 2 else 'no'},{r*3 % 7},{r*5 % 9},{(r*2+i) % 10},{r % 4},calm,frame {r}")
    with open(os.path.join(out, f"sheet{i}.csv"), "w") as f:
        f.write("\n".join(rows) + "\n")

# Text documents as HTML: headings, paragraphs, lists, a table, rules.
fonts = ["Liberation Sans", "Liberation Serif", "DejaVu Sans", "Liberation Mono"]
for i in range(8):
    items = "".join(f"<li>Frame {k}: brood on {k*2} sides</li>" for k in range(2 + i))
    table = "".join(f"<tr><td>{k}</td><td>{k*k}</td><td>ok</td></tr>" for k in range(2 + i % 4))
    html = f"""<html><body style="font-family:'{fonts[i%4]}'">
<h1 style="color:#{(i*40)%256:02x}3060">Inspection {i}</h1>
<p>The colony was <b>calm</b> and the queen was <i>seen</i> on frame {i}.</p>
<ul>{items}</ul><hr/>
<table border="1">{table}</table>
<p style="font-size:{8+i*2}pt">Next visit in {i+7} days.</p></body></html>"""
    with open(os.path.join(out, f"doc{i}.html"), "w") as f:
        f.write(html)

# Flat ODF drawings with LibreOffice's own hatches, gradients and shapes.
hatch_styles = ["single", "double", "triple"]
for i in range(9):
    fill = ["hatch", "gradient", "solid"][i % 3]
    fodg = f"""<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.graphics">
<office:styles>
 <draw:hatch draw:name="h" draw:style="{hatch_styles[i%3]}" draw:color="#{(i*50)%256:02x}0080" draw:distance="0.{1+i%5}cm" draw:rotation="{i*150}"/>
 <draw:gradient draw:name="g" draw:style="{['linear','axial','radial','ellipsoid','square','rectangular'][i%6]}" draw:start-color="#ff0000" draw:end-color="#0000ff" draw:angle="{i*300}" draw:border="0%"/>
</office:styles>
<office:automatic-styles>
 <style:page-layout style:name="pm"><style:page-layout-properties fo:margin-top="0cm" fo:margin-bottom="0cm" fo:margin-left="0cm" fo:margin-right="0cm" fo:page-width="6cm" fo:page-height="4cm"/></style:page-layout>
 <style:style style:name="s" style:family="graphic"><style:graphic-properties draw:fill="{fill}" draw:fill-hatch-name="h" draw:fill-gradient-name="g" draw:fill-color="#40a040" draw:stroke="solid" svg:stroke-width="0.{i%4}cm" svg:stroke-color="#000000"/></style:style>
 <style:style style:name="d" style:family="graphic"><style:graphic-properties draw:fill="none" draw:stroke="dash" draw:stroke-dash="x" svg:stroke-width="0.05cm" svg:stroke-color="#800000"/></style:style>
</office:automatic-styles>
<office:master-styles><style:master-page style:name="Default" style:page-layout-name="pm"/></office:master-styles>
<office:body><office:drawing><draw:page draw:name="p" draw:master-page-name="Default">
 <draw:rect draw:style-name="s" svg:x="0.3cm" svg:y="0.3cm" svg:width="2.5cm" svg:height="1.6cm" draw:corner-radius="0.{i}cm"/>
 <draw:ellipse draw:style-name="s" svg:x="3.2cm" svg:y="0.3cm" svg:width="2.4cm" svg:height="1.8cm" draw:kind="{['full','arc','cut','section'][i%4]}" draw:start-angle="{i*20}" draw:end-angle="{200+i*10}"/>
 <draw:polygon draw:style-name="s" svg:x="0.3cm" svg:y="2.2cm" svg:width="2.5cm" svg:height="1.5cm" svg:viewBox="0 0 2500 1500" draw:points="0,1500 1250,0 2500,1500 1250,{700+i*50}"/>
 <draw:path draw:style-name="d" svg:x="3cm" svg:y="2.2cm" svg:width="2.8cm" svg:height="1.6cm" svg:viewBox="0 0 2800 1600" svg:d="M0 1600 C {i*200} 0 2000 0 2800 1600"/>
 <draw:frame svg:x="0.5cm" svg:y="1.0cm" svg:width="5cm" svg:height="0.8cm"><draw:text-box><text:p>Hive {i}</text:p></draw:text-box></draw:frame>
</draw:page></office:drawing></office:body></office:document>"""
    with open(os.path.join(out, f"drawing{i}.fodg"), "w") as f:
        f.write(fodg)
