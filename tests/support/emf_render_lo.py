#!/usr/bin/python3
"""Renders an enhanced metafile with LibreOffice, an EMF reader we did not write.

    emf_render_lo.py [--png WxH] IN.emf OUTBASE [IN.emf OUTBASE ...]

Opens each IN.emf in a headless LibreOffice Draw through UNO, makes the page
the size of the picture (its frame) with the picture at its origin, and
writes OUTBASE.pdf (1:1, text kept as text) and, with --png, OUTBASE.png of
exactly W x H pixels. One LibreOffice renders all the files given (it takes
a second to start, then a tenth of one a file). Each run has a LibreOffice
profile of its own, so runs never meet. Exit status 0 when every file was written; LibreOffice itself says
"done" even for a blank page, so callers still look for ink.
Needs Debian's python3 with python3-uno and libreoffice-draw-nogui.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.connection import NoConnectException


def props(**values):
    out = []
    for name, value in values.items():
        p = PropertyValue()
        p.Name, p.Value = name, value
        out.append(p)
    return tuple(out)


def connect(pipe, soffice, seconds=60):
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    until = time.monotonic() + seconds
    while True:
        try:
            return resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
        except NoConnectException:
            if soffice.poll() is not None or time.monotonic() > until:
                raise SystemExit("LibreOffice did not start (exit status %s)" % soffice.poll())
            time.sleep(0.2)


def render(ctx, emf, outbase, png):
    smgr = ctx.ServiceManager
    desktop = smgr.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
    url = uno.systemPathToFileUrl(os.path.abspath(emf))
    # The picture's own size (its frame); Draw fits it onto a default page.
    provider = smgr.createInstanceWithContext("com.sun.star.graphic.GraphicProvider", ctx)
    size = provider.queryGraphicDescriptor(props(URL=url)).Size100thMM
    doc = desktop.loadComponentFromURL(url, "_blank", 0, props(Hidden=True, ReadOnly=True))
    if doc is None:
        raise SystemExit("LibreOffice cannot open %s" % emf)
    try:
        page = doc.DrawPages.getByIndex(0)
        if page.Count != 1:
            raise SystemExit("LibreOffice made %d shapes of %s, not one picture" % (page.Count, emf))
        picture = page.getByIndex(0)
        for border in ("BorderLeft", "BorderRight", "BorderTop", "BorderBottom"):
            page.setPropertyValue(border, 0)
        page.Width, page.Height = size.Width, size.Height
        picture.Size = size
        position = picture.Position
        position.X = position.Y = 0
        picture.Position = position
        doc.storeToURL(uno.systemPathToFileUrl(os.path.abspath(outbase + ".pdf")),
                       props(FilterName="draw_pdf_Export"))
        if png:
            width, height = png
            data = uno.Any("[]com.sun.star.beans.PropertyValue", props(PixelWidth=width, PixelHeight=height))
            filter_props = props(FilterName="draw_png_Export")
            filter_props += props(FilterData=data)
            uno.invoke(doc, "storeToURL", (uno.systemPathToFileUrl(os.path.abspath(outbase + ".png")), filter_props))
    finally:
        doc.close(True)
    for ext in (".pdf",) + ((".png",) if png else ()):
        if not os.path.isfile(outbase + ext) or os.path.getsize(outbase + ext) == 0:
            raise SystemExit("LibreOffice wrote no %s" % (outbase + ext))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--png", help="also write OUTBASE.png of W x H pixels")
    parser.add_argument("files", nargs="+", metavar="IN.emf OUTBASE")
    args = parser.parse_args()
    if len(args.files) % 2:
        parser.error("every IN.emf needs its OUTBASE")
    pairs = list(zip(args.files[0::2], args.files[1::2]))
    png = None
    if args.png:
        try:
            png = tuple(int(v) for v in args.png.lower().split("x"))
            assert len(png) == 2 and min(png) > 0
        except (ValueError, AssertionError):
            parser.error("--png takes WxH, for example 1123x794")
    for emf, _ in pairs:
        if not os.path.isfile(emf):
            parser.error("no file %s" % emf)

    profile = tempfile.mkdtemp(prefix="emf-render-lo-")
    pipe = "emf_render_lo_%d" % os.getpid()
    soffice = subprocess.Popen(
        [shutil.which("soffice") or "soffice", "--headless", "--invisible", "--nologo", "--norestore",
         "--nodefault", "--nolockcheck", "-env:UserInstallation=" + uno.systemPathToFileUrl(profile),
         "--accept=pipe,name=%s;urp;" % pipe],
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        ctx = connect(pipe, soffice)
        for emf, outbase in pairs:
            render(ctx, emf, outbase, png)
        try:
            ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx).terminate()
        except Exception:  # the bridge goes down with LibreOffice
            pass
        soffice.wait(timeout=30)
    finally:
        if soffice.poll() is None:
            soffice.kill()
            soffice.wait()
        shutil.rmtree(profile, ignore_errors=True)
    for _, outbase in pairs:
        print("done: %s.pdf%s" % (outbase, " and %s.png" % outbase if png else ""))


if __name__ == "__main__":
    sys.exit(main())
