#!/usr/bin/env python3
"""Draws Morvask's pictures: bitmaps 101 and 103 and icon 104.

Everything here is drawn from simple shapes, supersampled and matched to a
fixed 256-colour palette, and written as 8-bit Windows bitmaps (the icon as
an 8-bit image with its mask). The standard library is all it needs.

    python3 remover/art/draw.py [output folder]

The results are committed next to this script; run it again after changing
a drawing.
"""
import math
import os
import struct
import sys

SAMPLES = 4  # per axis, per pixel

# The dialog's face colour, so that the pictures sit on it without a seam.
BUTTON_FACE = (192, 192, 192)
OUTLINE = (24, 24, 24)
FACE = (255, 208, 32)
FACE_SHADE = (236, 168, 16)
SKIN = (248, 196, 148)
SKIN_SHADE = (214, 150, 104)
SLEEVE_DOWN = (176, 32, 32)
SLEEVE_UP = (32, 120, 48)
BIN = (150, 156, 168)
BIN_DARK = (96, 100, 112)
CROSS = (208, 24, 24)
WHITE = (255, 255, 255)


def palette():
    """16 classic colours, a 6x6x6 cube and greys: 256 entries."""
    colours = [
        (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
        (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
        (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
    ]
    steps = (0, 51, 102, 153, 204, 255)
    colours += [(r, g, b) for r in steps for g in steps for b in steps]
    grey = 8
    while len(colours) < 256:
        colours.append((grey, grey, grey))
        grey += 10
    return colours


PALETTE = palette()


def nearest(colour, cache={}):
    if colour not in cache:
        cache[colour] = min(
            range(len(PALETTE)),
            key=lambda i: sum((a - b) ** 2 for a, b in zip(PALETTE[i], colour)))
    return cache[colour]


# Shapes: functions of a point that say whether it lies inside.

def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        qx = max(x0 + r - x, 0, x - (x1 - r))
        qy = max(y0 + r - y, 0, y - (y1 - r))
        return x0 <= x <= x1 and y0 <= y <= y1 and qx * qx + qy * qy <= r * r
    return inside


def segment(ax, ay, bx, by, width):
    """A stroke with round ends."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = 0 if length2 == 0 else max(0, min(1, ((x - ax) * dx + (y - ay) * dy) / length2))
        px, py = ax + t * dx - x, ay + t * dy - y
        return px * px + py * py <= (width / 2) ** 2
    return inside


def arc(cx, cy, r, width, start, end):
    """A stroke along a circle, angles in degrees counter-clockwise from
    three o'clock, with round ends."""
    a0, a1 = math.radians(start), math.radians(end)
    ends = [(cx + r * math.cos(a), cy - r * math.sin(a)) for a in (a0, a1)]

    def inside(x, y):
        angle = math.atan2(cy - y, x - cx) % (2 * math.pi)
        lo, hi = a0 % (2 * math.pi), a1 % (2 * math.pi)
        within = lo <= angle <= hi if lo <= hi else angle >= lo or angle <= hi
        if within and abs(math.hypot(x - cx, y - cy) - r) <= width / 2:
            return True
        return any((x - ex) ** 2 + (y - ey) ** 2 <= (width / 2) ** 2 for ex, ey in ends)
    return inside


def outlined(shape_outer, shape_inner, outline, fill):
    return [(shape_outer, outline), (shape_inner, fill)]


def render(width, height, layers, background):
    """Supersamples the layers (painted in order) into palette indices and
    a coverage mask (which pixels any layer touched)."""
    pixels, mask = [], []
    for py in range(height):
        row, mask_row = [], []
        for px in range(width):
            total = [0, 0, 0]
            covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) / SAMPLES
                    y = py + (sy + 0.5) / SAMPLES
                    colour = None
                    for shape, paint in layers:
                        if shape(x, y):
                            colour = paint
                    if colour is None:
                        colour = background
                    else:
                        covered += 1
                    for i in range(3):
                        total[i] += colour[i]
            n = SAMPLES * SAMPLES
            row.append(nearest(tuple(round(c / n) for c in total)))
            mask_row.append(covered * 2 >= n)
        pixels.append(row)
        mask.append(mask_row)
    return pixels, mask


def face_layers(cx, cy, r, happy):
    layers = []
    layers += outlined(disc(cx, cy, r), disc(cx, cy, r - 1.2), OUTLINE, FACE)
    # A little shade on the lower right gives the face some roundness.
    layers.append((lambda x, y: disc(cx, cy, r - 1.2)(x, y) and
                   not disc(cx - r * 0.18, cy - r * 0.18, r - 1.2)(x, y), FACE_SHADE))
    eye_dx, eye_y = r * 0.36, cy - r * 0.22
    for side in (-1, 1):
        layers.append((ellipse(cx + side * eye_dx, eye_y, r * 0.11, r * 0.19), OUTLINE))
        layers.append((disc(cx + side * eye_dx - r * 0.03, eye_y - r * 0.08, r * 0.045), WHITE))
    if happy:
        layers.append((arc(cx, cy + r * 0.02, r * 0.58, 1.5, 200, 340), OUTLINE))
    else:
        # Brows drawn down towards the middle, and a frown.
        for side in (-1, 1):
            layers.append((segment(cx + side * eye_dx * 1.45, eye_y - r * 0.40,
                                   cx + side * eye_dx * 0.45, eye_y - r * 0.26, 1.3), OUTLINE))
        layers.append((arc(cx, cy + r * 0.78, r * 0.46, 1.5, 35, 145), OUTLINE))
    return layers


def thumb_layers(x0, y0, w, h, up, sleeve):
    """A fist seen from the side with the thumb straight up (or down), a
    cuff at the wrist. (x0, y0, w, h) is the box it fills."""
    def flip(y):
        return y if up else y0 + y0 + h - y

    def box(ax, ay, bx, by, r):
        ay, by = flip(ay), flip(by)
        return rounded_rect(ax, min(ay, by), bx, max(ay, by), r)

    fist_top = y0 + h * 0.42
    fist_bottom = y0 + h * 0.86
    layers = []
    # Thumb.
    tx0, tx1 = x0 + w * 0.04, x0 + w * 0.50
    layers += outlined(box(tx0, y0, tx1, fist_top + 2, w * 0.19),
                       box(tx0 + 1.1, y0 + 1.1, tx1 - 1.1, fist_top + 2, w * 0.15), OUTLINE, SKIN)
    # Fist with the curled fingers drawn as creases.
    fx0, fx1 = x0, x0 + w * 0.78
    layers += outlined(box(fx0, fist_top, fx1, fist_bottom, w * 0.16),
                       box(fx0 + 1.1, fist_top + 1.1, fx1 - 1.1, fist_bottom - 1.1, w * 0.12),
                       OUTLINE, SKIN)
    layers.append((box(fx0 + w * 0.5, fist_top + 1.1, fx1 - 1.1, fist_bottom - 1.1, w * 0.1),
                   SKIN_SHADE))
    for i in range(1, 4):
        yy = fist_top + (fist_bottom - fist_top) * i / 4
        layers.append((segment(fx0 + 0.8, flip(yy), fx0 + w * 0.34, flip(yy), 0.9), OUTLINE))
    # Cuff at the wrist.
    layers += outlined(box(fx1 - 1.5, fist_top - 1, x0 + w, fist_bottom + 1, 1.0),
                       box(fx1 - 0.4, fist_top + 0.1, x0 + w - 1.1, fist_bottom - 0.1, 0.5),
                       OUTLINE, sleeve)
    return layers


def destroy_picture():
    width, height = 58, 47
    layers = face_layers(20.5, 23.5, 18.5, happy=False)
    layers += thumb_layers(40, 7, 17, 34, up=False, sleeve=SLEEVE_DOWN)
    return width, height, layers


def leave_alone_picture():
    width, height = 48, 39
    layers = face_layers(16.5, 20, 15, happy=True)
    layers += thumb_layers(33, 4, 14, 31, up=True, sleeve=SLEEVE_UP)
    return width, height, layers


def icon_picture():
    """A waste bin with a red cross: the program that takes things away."""
    layers = []
    layers += outlined(rounded_rect(9, 14, 39, 45, 3), rounded_rect(10.3, 15.3, 37.7, 43.7, 2),
                       OUTLINE, BIN)
    for x in (16, 24, 32):
        layers.append((segment(x, 19, x, 40, 2.2), BIN_DARK))
    layers += outlined(rounded_rect(5, 8, 43, 14.5, 2), rounded_rect(6.3, 9.3, 41.7, 13.2, 1.5),
                       OUTLINE, BIN)
    layers += outlined(rounded_rect(18, 3, 30, 9, 2), rounded_rect(19.3, 4.3, 28.7, 9, 1.2),
                       OUTLINE, BIN)
    layers.append((segment(13, 18, 35, 40, 7.5), OUTLINE))
    layers.append((segment(35, 18, 13, 40, 7.5), OUTLINE))
    layers.append((segment(13, 18, 35, 40, 5), CROSS))
    layers.append((segment(35, 18, 13, 40, 5), CROSS))
    return 48, 48, layers


def dib_header(width, height):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, 0, 2835, 2835, 256, 0)


def palette_bytes():
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)


def pixel_rows(pixels):
    """Bottom-up rows of 8-bit indices, each padded to four bytes."""
    out = b''
    for row in reversed(pixels):
        data = bytes(row)
        out += data + b'\0' * (-len(data) % 4)
    return out


def write_bitmap(path, width, height, layers):
    pixels, _ = render(width, height, layers, BUTTON_FACE)
    info = dib_header(width, height) + palette_bytes() + pixel_rows(pixels)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info), 0, 0, 14 + 40 + 1024)
    with open(path, 'wb') as f:
        f.write(header + info)


def write_icon(path, width, height, layers):
    pixels, mask = render(width, height, layers, (0, 0, 0))
    # Outside the drawing the mask lets the desktop show through.
    pixels = [[p if m else 0 for p, m in zip(row, mrow)] for row, mrow in zip(pixels, mask)]
    and_rows = b''
    for mrow in reversed(mask):
        bits = 0
        data = bytearray()
        for i, m in enumerate(mrow):
            bits = (bits << 1) | (0 if m else 1)
            if i % 8 == 7:
                data.append(bits)
                bits = 0
        and_rows += bytes(data) + b'\0' * (-len(data) % 4)
    image = (struct.pack('<IiiHHIIiiII', 40, width, height * 2, 1, 8, 0, 0, 0, 0, 256, 0) +
             palette_bytes() + pixel_rows(pixels) + and_rows)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', width, height, 0, 0, 1, 8, len(image), 6 + 16)
    with open(path, 'wb') as f:
        f.write(directory + entry + image)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    write_bitmap(os.path.join(out, 'destroy.bmp'), *destroy_picture())
    write_bitmap(os.path.join(out, 'leave-alone.bmp'), *leave_alone_picture())
    write_icon(os.path.join(out, 'morvask.ico'), *icon_picture())


if __name__ == '__main__':
    main()
