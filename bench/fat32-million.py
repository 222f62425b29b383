#!/usr/bin/env python3
"""Fills a FAT32 volume that mkfs.fat has just made with FOLDERS folders of
FILES one-byte files each (a cluster each, left as the volume holds it), by writing the directories and the allocation table
directly: copying a million files through mtools would take an hour.

Every folder and file has a long name and a unique 8.3 short name; each folder
is one contiguous run of clusters.
usage: fat32-million.py IMAGE FOLDERS FILES"""
import struct
import sys

image, folders, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])

with open(image, "r+b") as disk:
    boot = disk.read(512)
    bps, spc, reserved, fats = struct.unpack_from("<HBHB", boot, 11)
    (per_fat,) = struct.unpack_from("<I", boot, 36)
    (root_cluster,) = struct.unpack_from("<I", boot, 44)
    assert bps == 512 and boot[82:87] == b"FAT32", "not a FAT32 volume of 512-byte sectors"
    cluster_bytes = spc * bps
    data_start = (reserved + fats * per_fat) * bps
    fat = bytearray(per_fat * bps)
    disk.seek(reserved * bps)
    fat[:] = disk.read(len(fat))
    next_free = root_cluster + 1

    def set_entry(cluster, value):
        struct.pack_into("<I", fat, cluster * 4, value)

    def allocate(size):
        """A contiguous chain for `size` bytes of directory; its first cluster."""
        global next_free
        count = max(1, -(-size // cluster_bytes))
        first = next_free
        for c in range(first, first + count - 1):
            set_entry(c, c + 1)
        set_entry(first + count - 1, 0x0FFFFFFF)
        next_free += count
        assert (next_free + 1) * 4 <= len(fat), "the volume is too small"
        return first, count

    def checksum(short):
        total = 0
        for byte in short:
            total = (((total & 1) << 7) + (total >> 1) + byte) & 0xFF
        return total

    def entries(long_name, short, attributes, cluster):
        units = list(long_name.encode("utf-16-le"))
        units = [units[i] | units[i + 1] << 8 for i in range(0, len(units), 2)]
        parts = -(-len(units) // 13)
        units += [0] if len(units) % 13 else []
        units += [0xFFFF] * (parts * 13 - len(units))
        out = bytearray()
        check = checksum(short)
        for order in range(parts, 0, -1):
            chunk = units[(order - 1) * 13:order * 13]
            out += struct.pack("<B5HBBB6HH2H", order | (0x40 if order == parts else 0), *chunk[:5], 0x0F, 0,
                               check, *chunk[5:11], 0, *chunk[11:13])
        out += struct.pack("<11sBBBHHHHHHHI", short, attributes, 0, 0, 0x6000, 0x5A21, 0x5A21, cluster >> 16,
                           0x6000, 0x5A21, cluster & 0xFFFF, 0 if attributes & 0x10 else 1)
        return bytes(out)

    def dot(name, cluster):
        return struct.pack("<11sBBBHHHHHHHI", name, 0x10, 0, 0, 0, 0x5A21, 0x5A21, cluster >> 16, 0, 0x5A21,
                           cluster & 0xFFFF, 0)

    def write_directory(cluster, count, data):
        disk.seek(data_start + (cluster - 2) * cluster_bytes)
        disk.write(data + bytes(count * cluster_bytes - len(data)))

    root = bytearray()
    for f in range(folders):
        body = bytearray()
        for n in range(files):
            cluster, _ = allocate(1)
            body += entries(f"file number {n:07d} of {f:07d}.txt", b"F%07dTXT" % n, 0x20, cluster)
        first, count = allocate(2 * 32 + len(body) + 32)  # with the dot entries and an end mark
        root += entries(f"folder {f:07d}", b"D%07d   " % f, 0x10, first)
        write_directory(first, count, dot(b".          ", first) + dot(b"..         ", 0) + bytes(body))
    root_first, root_count = root_cluster, max(1, -(-(len(root) + 32) // cluster_bytes))
    if root_count > 1:
        # The root grows past its first cluster: its chain continues at the end.
        tail, rest = allocate((root_count - 1) * cluster_bytes)
        set_entry(root_cluster, tail)
        write_directory(root_cluster, 1, bytes(root[:cluster_bytes]))
        write_directory(tail, rest, bytes(root[cluster_bytes:]))
    else:
        write_directory(root_cluster, 1, bytes(root))
    for copy in range(fats):
        disk.seek((reserved + copy * per_fat) * bps)
        disk.write(fat)
