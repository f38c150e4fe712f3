#!/usr/bin/env python3
"""Draws examples/demo.png, the picture of the demo test: a grid with a red square
(the answer area of the image-point task) and a blue circle."""
import struct
import zlib
from pathlib import Path

W, H = 240, 160


def pixel(x, y):
    if 150 <= x < 200 and 50 <= y < 100:
        return (220, 40, 40)
    if (x - 70) ** 2 + (y - 80) ** 2 <= 30 ** 2:
        return (40, 90, 220)
    if x % 20 == 0 or y % 20 == 0:
        return (200, 200, 200)
    return (250, 250, 240)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


rows = b"".join(b"\0" + bytes(c for x in range(W) for c in pixel(x, y)) for y in range(H))
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0))
       + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
Path(__file__).with_name("demo.png").write_bytes(png)
