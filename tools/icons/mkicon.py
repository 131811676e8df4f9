#!/usr/bin/env python3
"""Draws the page libraries' icons: 16 x 16 pixels, 16 colours, from the
character pictures below. Run from the repository root; it rewrites
clock/quillan.ico and the three icons in modes/.

Each character names a colour of the standard 16-colour palette; '.' is
transparent."""
import struct

PALETTE = [  # (red, green, blue)
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# k black, m maroon, g green, o olive, n navy, p purple, t teal, s silver,
# d dark grey, r red, l lime, y yellow, b blue, f fuchsia, a aqua, w white
NAMES = "kmgonptsdrlybfaw"

# A graphics chip with a clock dial whose red needle points to the top.
QUILLAN = """
..s.s.s.s.s.s...
.dddddddddddddk.
sdsssssssssssdk.
.dsswwwwwwwssdks
sdswwwwrwwwwsdk.
.dswwwwrwwwwsdks
sdswwwwrwwwwsdk.
.dswwwwkwwwwsdks
sdswwwwwwwwwsdk.
.dswwwwwwwwwsdks
sdsswwwwwwwssdk.
.dsssssssssssdks
sdddddddddddddk.
.kkkkkkkkkkkkkk.
..s.s.s.s.s.s...
................
"""

# A monitor showing a grid of display modes.
SERRAFIN = """
................
.dddddddddddddd.
.dkkkkkkkkkkkkd.
.dkbbbbbbbbbbkd.
.dkbwwbwwbwwbkd.
.dkbbbbbbbbbbkd.
.dkbwwbwwbwwbkd.
.dkbbbbbbbbbbkd.
.dkbwwbwwbaabkd.
.dkbbbbbbbbbbkd.
.dkkkkkkkkkkkkd.
.dddddddddddddd.
......dssd......
....dddddddd....
....ssssssss....
................
"""

# Mode switched on: a small monitor with a green light and a tick.
MODE_ON = """
................
..............g.
.............gg.
.ddddddddddddg..
.dkkkkkkkkkkgg..
.dkaaaaaaaagkd..
.dkaaaaaaaggkd..
.dkagaaaaggakd..
.dkaggaaggaakd..
.dkaagggggaakd..
.dkaaagggaaakd..
.dkkkkkkkkkkkd..
.dddddddddddld..
......dd........
....dddddd......
................
"""

# Mode switched off: the same monitor, dark, with a red cross.
MODE_OFF = """
................
................
................
.dddddddddddd...
.dkkkkkkkkkkd...
.dkrrkkkkrrkd...
.dkkrrkkrrkkd...
.dkkkrrrrkkkd...
.dkkkkrrkkkkd...
.dkkkrrrrkkkd...
.dkkrrkkrrkkd...
.dkkkkkkkkkkd...
.ddddddddddkd...
......dd........
....dddddd......
................
"""


def icon(picture):
    rows = [r for r in picture.strip("\n").split("\n")]
    assert len(rows) == 16 and all(len(r) == 16 for r in rows), "16 x 16 pictures only"
    header = struct.pack("<IiiHHIIiiII", 40, 16, 32, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colours = b""
    mask = b""
    for row in reversed(rows):  # bottom-up
        indices = [0 if c == "." else NAMES.index(c) for c in row]
        colours += bytes((indices[i] << 4) | indices[i + 1] for i in range(0, 16, 2))
        bits = 0
        for c in row:
            bits = bits << 1 | (c == ".")
        mask += struct.pack(">H", bits) + b"\0\0"
    image = header + palette + colours + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", 16, 16, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


for path, picture in [("clock/quillan.ico", QUILLAN), ("modes/serrafin.ico", SERRAFIN),
                      ("modes/modeon.ico", MODE_ON), ("modes/modeoff.ico", MODE_OFF)]:
    with open(path, "wb") as out:
        out.write(icon(picture))
