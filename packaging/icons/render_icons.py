#!/usr/bin/env python3
"""Draws the hicolor PNG sizes of korvale's icon from korvale.svg with ImageMagick.

ImageMagick's own vector language (MVG) is used, so no SVG renderer is needed: the script reads the
few SVG elements the icon uses and writes the same shapes as MVG, scaled to each size. The PNGs are
committed; run this again after changing the SVG:  python3 packaging/icons/render_icons.py
"""
import os
import subprocess
import sys
import xml.etree.ElementTree as ET

SIZES = (16, 24, 32, 48, 64, 128, 256)
HERE = os.path.dirname(os.path.abspath(__file__))
NS = "{http://www.w3.org/2000/svg}"


def paint(el):
    out = []
    for attr, mvg in (("fill", "fill"), ("stroke", "stroke"), ("stroke-width", "stroke-width"),
                      ("stroke-linecap", "stroke-linecap"), ("stroke-linejoin", "stroke-linejoin")):
        value = el.get(attr)
        if value is not None:
            out.append("%s '%s'" % (mvg, value) if mvg in ("fill", "stroke") else "%s %s" % (mvg, value))
    if el.get("fill") is None:
        out.append("fill black")
    if el.get("stroke") is None:
        out.append("stroke none")
    return out


def shape(el):
    tag = el.tag[len(NS):]
    g = lambda name: float(el.get(name, "0"))
    if tag == "rect":
        x, y, w, h = g("x"), g("y"), g("width"), g("height")
        rx = g("rx")
        ry = float(el.get("ry", rx))
        return "roundrectangle %g,%g %g,%g %g,%g" % (x, y, x + w, y + h, rx, ry)
    if tag == "circle":
        return "circle %g,%g %g,%g" % (g("cx"), g("cy"), g("cx") + g("r"), g("cy"))
    if tag == "line":
        return "line %g,%g %g,%g" % (g("x1"), g("y1"), g("x2"), g("y2"))
    if tag == "polyline":
        return "polyline " + " ".join(el.get("points").split())
    if tag == "path":
        return "path '%s'" % el.get("d")
    raise SystemExit("render_icons.py: unsupported element <%s>" % tag)


def mvg(root, size):
    box = [float(v) for v in root.get("viewBox").split()]
    scale = size / box[2]
    lines = ["viewbox 0 0 %d %d" % (size, size), "affine %g 0 0 %g 0 0" % (scale, scale)]
    for el in root:
        if el.tag.startswith(NS):
            lines += ["push graphic-context"] + paint(el) + [shape(el), "pop graphic-context"]
    return "\n".join(lines) + "\n"


def main():
    root = ET.parse(os.path.join(HERE, "korvale.svg")).getroot()
    for size in SIZES:
        folder = os.path.join(HERE, "hicolor", "%dx%d" % (size, size), "apps")
        os.makedirs(folder, exist_ok=True)
        target = os.path.join(folder, "korvale.png")
        # -strip and fixed PNG chunks keep the files byte-identical from run to run.
        subprocess.run(["convert", "-background", "none", "mvg:-", "-strip",
                        "-define", "png:exclude-chunks=date,time", "PNG32:" + target],
                       input=mvg(root, size).encode(), check=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
