#!/usr/bin/env python3
"""Draws res/dravelo.ico: one 32x32 image with 32 bits per pixel (a blue globe with a white
magnifying glass), so the icon is ours and small."""
import math
import struct
import sys

SIZE = 32


def pixel(x, y):
    cx = cy = 13.5
    d = math.hypot(x - cx, y - cy)
    if 8.5 <= d <= 11.5:                      # the glass's rim
        return (255, 255, 255, 255)
    if d < 8.5:                               # the globe behind the glass
        meridian = abs(x - cx) < 1 or abs(y - cy) < 1 or abs(d - 5) < 0.7
        return (255, 255, 255, 255) if meridian else (200, 110, 30, 255)  # BGRA
    hx, hy = x - 22, y - 22                   # the handle
    if -1 <= hx <= 8 and -1 <= hy <= 8 and abs(hx - hy) <= 2.2:
        return (40, 40, 40, 255)
    return (0, 0, 0, 0)


def main(path):
    rows = []
    for y in range(SIZE - 1, -1, -1):         # bottom-up, as a DIB
        rows.append(b"".join(bytes(pixel(x, y)) for x in range(SIZE)))
    xor = b"".join(rows)
    and_mask = b"\x00" * (SIZE * SIZE // 8)   # alpha decides; the mask is all opaque
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(and_mask),
                         0, 0, 0, 0)
    image = header + xor + and_mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32,
                                                            len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + image)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res/dravelo.ico")
