#!/usr/bin/env python3
"""Writes the fuzzers' seed corpus (tests/fuzz/corpus/<fuzzer>/): small MilkShape 3D files of both
versions, and small BMP files of every kind the game decodes. Needs ImageMagick's convert.
Run it again only to change the seeds; the files are checked in."""
import os
import shutil
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def ms3d(version, groups, materials, trailer=b""):
    vertices = [(0, 0, 0), (8, 0, 0), (8, 4, -2), (0, 4, 3)]
    out = b"MS3D000000" + struct.pack("<i", version)
    out += struct.pack("<H", len(vertices))
    for i, (x, y, z) in enumerate(vertices):
        out += struct.pack("<B3fbB", 0, x, y, z, -1 if i % 2 else 0, 1)
    triangles = [(0, 1, 2), (0, 2, 3)]
    out += struct.pack("<H", len(triangles))
    for a, b, c in triangles:
        out += struct.pack("<H3H", 0, a, b, c) + struct.pack("<9f", *([0, 1, 0] * 3))
        out += struct.pack("<3f", 0, 1, 0.5) + struct.pack("<3f", 0.25, 0.75, 1) + struct.pack("<BB", 1, 0)
    out += struct.pack("<H", len(groups))
    for tris, material in groups:
        out += struct.pack("<B32sH", 0, b"group", len(tris)) + struct.pack("<%dH" % len(tris), *tris)
        out += struct.pack("<b", material)
    out += struct.pack("<H", len(materials))
    for texture in materials:
        out += struct.pack("<32s", b"mat") + struct.pack("<17f", *([0.5] * 16 + [20])) + struct.pack("<fb", 1, 0)
        out += struct.pack("<128s128s", texture, b"")
    return out + trailer


def bmp24(width, height, top_down=False):
    row = (width * 3 + 3) // 4 * 4
    pixels = b""
    for y in range(height):
        line = b"".join(struct.pack("<BBB", (x * 40) & 255, (y * 50) & 255, (x * y * 9) & 255) for x in range(width))
        pixels += line + b"\0" * (row - len(line))
    return bmp_headers(width, -height if top_down else height, 24, 0, [], len(pixels)) + pixels


def bmp_headers(width, height, bpp, compression, palette, pixel_bytes):
    offset = 14 + 40 + 4 * len(palette)
    out = b"BM" + struct.pack("<IHHI", offset + pixel_bytes, 0, 0, offset)
    out += struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, pixel_bytes, 2835, 2835, len(palette), 0)
    return out + b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)


def bmp_rle4(width, height):
    palette = [(i * 16, 255 - i * 16, i * 8) for i in range(16)]
    pixels = b""
    for y in range(height):
        pixels += struct.pack("<BB", width // 2, (y % 16) * 17)             # a run
        pixels += struct.pack("<BB", 0, 3) + bytes([0x12, 0x30])          # three literal pixels
        pixels += b"\0\0" if y + 1 < height else b"\0\1"
    return bmp_headers(width, height, 4, 2, palette, len(pixels)) + pixels


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    corpus = os.path.join(HERE, "corpus")
    models = os.path.join(corpus, "fuzz_ms3d")
    shutil.rmtree(models, ignore_errors=True)
    write(models, "v4-two-materials.ms3d", ms3d(4, [([0], 0), ([1, 0], -1)], [b"data/model/a.bmp", b""]))
    write(models, "v3-no-materials.ms3d", ms3d(3, [([0, 1], -1)], []))
    write(models, "v4-trailer.ms3d", ms3d(4, [([1], 0)], [b"t.bmp"], trailer=struct.pack("<fffi", 24, 0, 0, 0)))
    write(models, "empty.ms3d", b"MS3D000000" + struct.pack("<i", 4) + b"\0" * 8)

    images = os.path.join(corpus, "fuzz_bmp")
    shutil.rmtree(images, ignore_errors=True)
    write(images, "24-bottom-up.bmp", bmp24(5, 3))
    write(images, "24-top-down.bmp", bmp24(5, 3, top_down=True))
    write(images, "rle4.bmp", bmp_rle4(9, 4))
    with tempfile.TemporaryDirectory() as tmp:
        source = os.path.join(tmp, "source.bmp")
        with open(source, "wb") as f:
            f.write(bmp24(7, 5))
        variants = {
            "1-bit.bmp": (["-type", "bilevel"], "BMP3"),
            "4-bit.bmp": (["-colors", "16", "-type", "palette", "-compress", "None"], "BMP3"),
            "8-bit.bmp": (["-colors", "30", "-type", "palette", "-compress", "None"], "BMP3"),
            "rle8.bmp": (["-colors", "30", "-type", "palette", "-compress", "RLE"], "BMP3"),
            "16-bit-565.bmp": (["-define", "bmp:subtype=RGB565"], "BMP"),
            "32-bit-alpha.bmp": (["-alpha", "set"], "BMP"),
            "os2-24.bmp": (["-type", "truecolor"], "BMP2"),
        }
        for name, (options, fmt) in variants.items():
            subprocess.run(["convert", source, *options, fmt + ":" + os.path.join(images, name)], check=True)

    readers = os.path.join(corpus, "fuzz_imageload")
    shutil.rmtree(readers, ignore_errors=True)
    write(readers, "24-bottom-up.bmp", bmp24(5, 3))
    write(readers, "24-wide.bmp", bmp24(8, 2))
    shutil.copy(os.path.join(images, "8-bit.bmp"), os.path.join(readers, "8-bit.bmp"))


if __name__ == "__main__":
    main()
