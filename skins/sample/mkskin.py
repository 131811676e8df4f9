#!/usr/bin/env python3
"""Draws the sample skin's pictures for the clock page: background.bmp, a
brushed-metal tile that the page re-colours to the user's button face, and
logo.bmp, the picture in the page's logo panel. Run from anywhere; it
rewrites both files beside itself. Plain Python, no imaging library, and
the same pictures on every run."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write_bmp(path, width, height, pixel):
    """A 24-bit bottom-up BMP; pixel(x, y) gives (r, g, b) with y = 0 on top."""
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + data)


class Noise:
    """A small linear congruential generator: the same streaks every run."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return self.state / 0x7FFFFFFF


def background():
    size = 128
    noise = Noise(7)
    # Brushed metal: every row has its own shade, softened along the row,
    # with a faint diagonal weave; the tile repeats seamlessly. The page
    # re-colours it to a button face that is nearly white, which flattens
    # light greys: the streaks must run deep to show.
    streak = [noise.next() for _ in range(size)]
    grain = [[noise.next() for _ in range(size)] for _ in range(size)]

    def pixel(x, y):
        row = (streak[y] + streak[(y + 1) % size] + streak[(y - 1) % size]) / 3
        weave = math.sin(2 * math.pi * (x + y) / 32) * 0.5 + 0.5
        level = 235 - 200 * row ** 3 - 30 * weave - 20 * grain[y][x]
        v = max(0, min(255, int(level)))
        return v, v, v

    write_bmp(os.path.join(HERE, "background.bmp"), size, size, pixel)


# 5 x 7 capitals for the logo's word.
GLYPHS = {
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "C": [".####", "#....", "#....", "#....", "#....", "#....", ".####"],
    "H": ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "Y": ["#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
}


def logo():
    width, height = 222, 76
    word, scale, gap = "TACHYRA", 3, 3
    word_left, word_top = 84, 18
    dial_x, dial_y, dial_r = 38, 38, 28

    def letter_at(x, y):
        if y < word_top or y >= word_top + 7 * scale:
            return False
        column = x - word_left
        if column < 0:
            return False
        index, within = divmod(column, 5 * scale + gap)
        if index >= len(word) or within >= 5 * scale:
            return False
        return GLYPHS[word[index]][(y - word_top) // scale][within // scale] == "#"

    def dial(x, y):
        dx, dy = x - dial_x, y - dial_y
        d = math.hypot(dx, dy)
        if d > dial_r:
            return None
        if d > dial_r - 3:
            return (240, 192, 32)  # gold rim
        angle = math.atan2(dy, dx)
        # Ticks every 30 degrees along the rim.
        if d > dial_r - 9 and abs(((math.degrees(angle) + 360) % 30) - 15) > 12:
            return (240, 240, 240)
        # The needle points up and to the right: a tuned card.
        needle = math.radians(-60)
        along = dx * math.cos(needle) + dy * math.sin(needle)
        across = -dx * math.sin(needle) + dy * math.cos(needle)
        if 0 <= along < dial_r - 6 and abs(across) < 1.6:
            return (230, 40, 30)
        if d < 3:
            return (230, 40, 30)
        return (16, 28, 64)

    def pixel(x, y):
        on_dial = dial(x, y)
        if on_dial:
            return on_dial
        if letter_at(x, y):
            return (250, 236, 180)
        if letter_at(x - 2, y - 2):
            return (4, 8, 24)  # the word's shadow
        if word_top + 7 * scale + 6 <= y < word_top + 7 * scale + 8 and word_left <= x < 210:
            return (240, 192, 32)  # a gold rule under the word
        # Night-blue to steel-blue from left to right, lighter towards the top.
        t = x / (width - 1)
        lift = 1 - y / (height - 1) * 0.35
        return (int((10 + 50 * t) * lift), int((26 + 110 * t) * lift), int((80 + 140 * t) * lift))

    write_bmp(os.path.join(HERE, "logo.bmp"), width, height, pixel)


if __name__ == "__main__":
    background()
    logo()
