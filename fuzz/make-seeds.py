#!/usr/bin/env python3
"""Writes the small seed files of fuzz/corpus/vmdk/ (run once; the output is
committed). Compact hand-built sparse extents and descriptors; the qemu-img made
seeds are added by make-seeds.sh beside this file."""
import os
import struct
import sys

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus", "vmdk")
os.makedirs(out, exist_ok=True)
MARK = b"\nVANTOR-EXTENT\n"


def descriptor(create_type, extents, pad_to=None):
    lines = ["# Disk DescriptorFile", "version=1", "CID=fffffffe", "parentCID=ffffffff",
             f'createType="{create_type}"', "", "# Extent description"]
    lines += extents
    lines += ["", "# The Disk Data Base", "#DDB", "", 'ddb.virtualHWVersion = "4"',
              'ddb.geometry.cylinders = "2"', 'ddb.geometry.heads = "16"', 'ddb.geometry.sectors = "63"']
    text = ("\n".join(lines) + "\n").encode()
    if pad_to:
        text += b"\0" * (pad_to - len(text))
    return text


def sparse(capacity, grain, gtes, create_type="monolithicSparse", allocated=(0, 2), crlf=False, embed=True):
    """A sparse extent: header, descriptor (1 sector), rgd, rgt, gd, gt, grains."""
    tables = -(-capacity // (grain * gtes))
    gd_sectors = -(-tables * 4 // 512)
    gt_sectors = -(-gtes * 4 // 512)
    desc_off, desc_size = (1, 2) if embed else (0, 0)
    rgd = 1 + desc_size
    rgt = rgd + gd_sectors
    gd = rgt + tables * gt_sectors
    gt = gd + gd_sectors
    over = gt + tables * gt_sectors
    body = bytearray(over * 512)
    struct.pack_into("<4sIIQQQQIQQQ", body, 0, b"KDMV", 1, 3, capacity, grain, desc_off, desc_size, gtes,
                     rgd, gd, over)
    if embed:
        text = descriptor(create_type, [f'RW {capacity} SPARSE "self.vmdk"'])
        if crlf:
            text = text.replace(b"\n", b"\r\n")
        body[512:512 + min(len(text), desc_size * 512)] = text[:desc_size * 512]
    next_grain = over
    for g in allocated:
        t, i = divmod(g, gtes)
        if t >= tables:
            continue
        for table_base in (rgt, gt):
            struct.pack_into("<I", body, (table_base + t * gt_sectors) * 512 + i * 4, next_grain)
        next_grain += grain
    for t in range(tables):
        struct.pack_into("<I", body, rgd * 512 + t * 4, rgt + t * gt_sectors)
        struct.pack_into("<I", body, gd * 512 + t * 4, gt + t * gt_sectors)
    body += bytes((i * 7) & 0xFF for i in range((next_grain - over) * 512))
    return bytes(body)


def write(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)


write("mono-sparse-small", sparse(64, 8, 4, allocated=(0, 2, 3)))
write("mono-sparse-crlf", sparse(48, 8, 2, allocated=(1, 4), crlf=True))
write("mono-sparse-nodescriptor", sparse(32, 8, 4, embed=False))
write("split-sparse", descriptor("twoGbMaxExtentSparse", ['RW 64 SPARSE "e.vmdk"', 'RW 64 SPARSE "e.vmdk"'])
      + MARK[1:] + sparse(64, 8, 4, embed=False, allocated=(1, 5)))
write("split-flat", descriptor("twoGbMaxExtentFlat", ['RW 16 FLAT "e.vmdk" 0', 'RW 16 FLAT "e.vmdk" 0'])
      + MARK[1:] + bytes(range(256)) * 32)
write("mono-flat", descriptor("monolithicFlat", ['RW 16 FLAT "e.vmdk" 0'], pad_to=512)
      + MARK[1:] + bytes(range(256)) * 32)
