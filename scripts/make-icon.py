#!/usr/bin/env python3
"""Packs the program's PNG icons into resources/icons/refquill.ico, the icon of the Windows
programs and installer: one PNG-compressed image per size Windows shows (Vista and later read
them at every size). Usage: scripts/make-icon.py   (after changing resources/icons/hicolor)"""
import pathlib
import struct

root = pathlib.Path(__file__).resolve().parent.parent / "resources" / "icons"
sizes = [16, 24, 32, 48, 64, 128, 256]
images = []
for size in sizes:
    data = (root / "hicolor" / f"refquill-{size}.png").read_bytes()
    width, height = struct.unpack(">II", data[16:24])
    if data[:8] != b"\x89PNG\r\n\x1a\n" or (width, height) != (size, size):
        raise SystemExit(f"make-icon: refquill-{size}.png is no {size}x{size} PNG")
    images.append((size, data))

out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
offset = 6 + 16 * len(images)
for size, data in images:
    side = 0 if size == 256 else size  # 0 means 256 in an icon directory
    out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
for _, data in images:
    out += data
(root / "refquill.ico").write_bytes(bytes(out))
