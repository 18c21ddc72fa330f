#!/usr/bin/env python3
"""Rewrites the MIME boundaries of a message file in place into fixed, clearly distinct ones.

    distinct_boundaries.py FILE

msgconvert makes its boundaries from the clock, so nested parts get boundaries that differ in a
single digit near the start ("...0850.x" and "...0851.y"); ripmime then sometimes mixes up
the parts of such a message and names their contents wrongly. Fixed boundaries make the
reference extraction the same on every run.
"""
import re
import sys


def main():
    path = sys.argv[1]
    with open(path, "rb") as f:
        data = f.read()
    found = []
    for m in re.finditer(rb'boundary="?([^";\r\n]+)"?', data, re.I):
        if m.group(1) not in found:
            found.append(m.group(1))
    # Longest first, so that no boundary is replaced inside a longer one.
    for k, boundary in enumerate(sorted(found, key=len, reverse=True)):
        data = data.replace(boundary, b"=_varo_boundary_%d_%s_=" % (k, b"x" * k))
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
