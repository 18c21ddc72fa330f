#!/usr/bin/env python3
"""Prints the version resource of a PE file (32- or 64-bit): the fixed product version and the
string values, one NAME=VALUE per line. Reads the .rsrc section without running the file."""
import re
import struct
import sys


def rsrc_section(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit("not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    table = pe + 24 + optional_size
    for i in range(sections):
        name, _, _, raw_size, raw_offset = struct.unpack_from("<8sIIII", data, table + 40 * i)
        if name.rstrip(b"\0") == b".rsrc":
            return data[raw_offset:raw_offset + raw_size]
    sys.exit("no resources")


def main():
    rsrc = rsrc_section(open(sys.argv[1], "rb").read())
    fixed = rsrc.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0:
        sys.exit("no version resource")
    ms, ls = struct.unpack_from("<II", rsrc, fixed + 16)
    print("PRODUCTVERSION=%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF))
    # String entries: key, NUL, padding to 32 bits, value, NUL (all UTF-16).
    entry = re.compile(rb"((?:[A-Za-z]\0){4,30})\0\0(?:\0\0)?((?:[^\0]\0){1,100})\0\0")
    text = rsrc[fixed:]
    for key in ("CompanyName", "ProductName", "ProductVersion", "FileVersion", "FileDescription"):
        for m in entry.finditer(text):
            if m.group(1).decode("utf-16-le") == key:
                print("%s=%s" % (key, m.group(2).decode("utf-16-le")))
                break


main()
