#!/usr/bin/env python3
# Builds golden_small.pdb by hand from the Palm and JFile layouts, independently of the C++
# writer: two fields "Author" (string, width 80) and "Type" (popup, width 40, items "Book" and
# "Journal"), one record ("Smith", "Book"), database "Golden", dated 2001-09-09 01:46:40.
import struct

name = b"Golden"
date = 1000000000 + 2082844800  # wall-clock seconds since 1904
fields = [(b"Author", 1, 80), (b"Type", 64, 40)]

app = b"".join(n.ljust(21, b"\0") for n, _, _ in fields) + b"\0" * 21 * 48
app += b"".join(struct.pack(">H", t) for _, t, _ in fields) + struct.pack(">H", 1) * 48
app += struct.pack(">HH", 2, 576)
app += b"".join(struct.pack(">h", w) for _, _, w in fields) + struct.pack(">h", 80) * 48
app += struct.pack(">h", 110)            # data width (conversion-info line 3)
app += b"\0" * (10 + 32 + 2)             # sort, find, filter, JFile 4 flags
app += struct.pack(">h", 0)              # first column (line 4)
app += b"\0" * 400                       # extra values
assert len(app) == 1702
app += b"popupb\0Book\0Journal\0\0"

record = struct.pack(">HH", 6, 5) + b"Smith\0Book\0"
n = 1
app_offset = 78 + 8 * n + 2
header = name.ljust(32, b"\0")
header += struct.pack(">HHIIII", 0x0008, 0x0801, date, date, 0, 0)
header += struct.pack(">II", app_offset, 0) + b"JfD5" + b"JFi5"
header += struct.pack(">IIH", n + 1, 0, n)
entries = struct.pack(">IB", app_offset + len(app), 0) + (1).to_bytes(3, "big")
out = header + entries + b"\0\0" + app + record
open("golden_small.pdb", "wb").write(out)
