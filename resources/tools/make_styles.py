#!/usr/bin/env python3
"""Writes the runtime's style resources from resources/themes/themes.csv.

usage: make_styles.py THEMES_CSV OUT_DIR

OUT_DIR receives one NAME.vclstyle per row (the resource's bytes), vclstyles.rc (the resource
statements that compile them into the runtime) and vclstyle_data.inc (the same bytes as C++
arrays, for the packaging tool's preview and the tests). A resource is the signature
"VCL_STYLE 2.0" and a zlib stream: the style's name and version, each a 32-bit little-endian
count of UTF-16 code units and the units, then a 32-bit count of settings, each a key written
the same way and a 32-bit little-endian value.
"""
import csv
import os
import struct
import sys
import zlib

SIGNATURE = b"VCL_STYLE 2.0"
COLOURS = {"Window", "Text", "Caption", "CaptionText", "Border", "Button", "ButtonText", "ButtonBorder",
           "Edit", "EditText", "Accent"}


def utf16(text):
    units = text.encode("utf-16-le")
    return struct.pack("<I", len(units) // 2) + units


def resource_name(name):
    # The six Windows10 styles are named after "WINDOWS", as the executable's resources have it.
    compact = name.replace(" ", "").upper()
    return "WINDOWS" + compact[len("WINDOWS10"):] if compact.startswith("WINDOWS10") else compact


def style_bytes(row):
    content = utf16(row["Name"]) + utf16(row["Version"])
    settings = [(key, value) for key, value in row.items() if key not in ("Name", "Version")]
    content += struct.pack("<I", len(settings))
    for key, value in settings:
        number = int(value, 16) if key in COLOURS else int(value)
        content += utf16(key) + struct.pack("<I", number)
    return SIGNATURE + zlib.compress(content, 9)


def main():
    table, out_dir = sys.argv[1], sys.argv[2]
    os.makedirs(out_dir, exist_ok=True)
    with open(table, newline="", encoding="utf-8") as source:
        rows = list(csv.DictReader(line for line in source if not line.startswith("#")))
    rc_lines = ["// Written by resources/tools/make_styles.py: the runtime's styles."]
    inc_lines = ["// Written by resources/tools/make_styles.py: the runtime's style resources."]
    entries = []
    for index, row in enumerate(rows):
        name = resource_name(row["Name"])
        data = style_bytes(row)
        path = os.path.join(out_dir, name + ".vclstyle")
        with open(path, "wb") as target:
            target.write(data)
        rc_lines.append('%s VCLSTYLE "%s"' % (name, path.replace("\\", "/")))
        inc_lines.append("static const unsigned char kStyleBytes%d[] = {%s};" %
                         (index, ",".join(str(b) for b in data)))
        entries.append('    {"%s", kStyleBytes%d, sizeof kStyleBytes%d},' % (name, index, index))
    inc_lines.append("static const TEmbeddedStyle kEmbeddedStyleTable[] = {")
    inc_lines.extend(entries)
    inc_lines.append("};")
    for file_name, lines in (("vclstyles.rc", rc_lines), ("vclstyle_data.inc", inc_lines)):
        with open(os.path.join(out_dir, file_name), "w", encoding="utf-8", newline="\n") as target:
            target.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
