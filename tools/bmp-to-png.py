#!/usr/bin/env python3
"""Turns the 24-bit bottom-up BMP files that screens.exe writes into PNG files (standard library only)."""
import struct
import sys
import zlib


def convert(src, dst):
    data = open(src, "rb").read()
    if data[:2] != b"BM":
        raise ValueError(f"{src}: not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    if bits != 24 or width <= 0 or height == 0:
        raise ValueError(f"{src}: only 24-bit pictures are read")
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        src_row = (abs(height) - 1 - y) if height > 0 else y
        row = data[offset + src_row * stride: offset + src_row * stride + width * 3]
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = row[2::3], row[1::3], row[0::3]
        rows.append(b"\x00" + bytes(rgb))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, abs(height), 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")
    open(dst, "wb").write(png)


if __name__ == "__main__":
    for path in sys.argv[1:]:
        convert(path, path[:-4] + ".png")
