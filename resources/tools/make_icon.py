#!/usr/bin/env python3
"""Draws the runtime's default application icon (resources/vellum.ico): a violet rounded
square with a white "V", at 16, 32 and 48 pixels, 32 bits per pixel."""
import struct
import sys


def inside_rounded_square(x, y, size, radius):
    cx = min(max(x, radius), size - radius)
    cy = min(max(y, radius), size - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def distance_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return ((px - ax - t * dx) ** 2 + (py - ay - t * dy) ** 2) ** 0.5


def pixel(x, y, size):
    fx, fy = x + 0.5, y + 0.5
    if not inside_rounded_square(fx, fy, size, size * 0.2):
        return (0, 0, 0, 0)
    stroke = size * 0.09
    left = distance_to_segment(fx, fy, size * 0.25, size * 0.25, size * 0.5, size * 0.78)
    right = distance_to_segment(fx, fy, size * 0.75, size * 0.25, size * 0.5, size * 0.78)
    if min(left, right) <= stroke:
        return (255, 255, 255, 255)
    return (0xB0, 0x3A, 0x6B, 255)  # blue, green, red, alpha


def dib(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        rows.append(b"".join(struct.pack("BBBB", *pixel(x, y, size)) for x in range(size)))
    mask_row = b"\0" * (((size + 31) // 32) * 4)
    return header + b"".join(rows) + mask_row * size


def main(path):
    sizes = [16, 32, 48]
    images = [dib(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "vellum.ico")
