#!/usr/bin/env python3
"""The images of bench/hostile.sh, each shaped to make a naive reader spend
memory, time or disk without bound:

  nested IMAGE DEPTH   fills a FAT32 volume that mkfs.fat has just made (512-byte
                       sectors) with a chain of DEPTH folders "A", each inside the
                       one before, and the file "Z.TXT" in the deepest one.
  same IMAGE COUNT     fills such a volume with the folder "SAME" holding COUNT
                       entries all named "SAME.TXT", each a file of its own
                       cluster and its own content.
  bm FILE              writes 1 MiB whose every sector starts with a BMP header
                       that claims a file of 64 MiB.
  vmdk FILE [NAME]     writes a monolithic sparse VMDK of 2^40 sectors whose
                       every grain directory entry names the same grain table and
                       every grain table entry the same grain, of FAT32 boot
                       sectors: every sector of the disk reads as a boot sector.
                       Its descriptor names the extent NAME (FILE's own name by
                       default).

The FAT volumes are written directly (directories and allocation table), as
bench/fat32-million.py does; every folder is one contiguous run of clusters."""
import struct
import sys

SECTOR = 512


class Fat32:
    """A FAT32 volume just made by mkfs.fat, filled in memory: its table, and
    clusters handed out one after the other from the one after the root."""

    def __init__(self, disk):
        self.disk = disk
        boot = disk.read(SECTOR)
        bps, spc, self.reserved, self.fats = struct.unpack_from("<HBHB", boot, 11)
        (self.per_fat,) = struct.unpack_from("<I", boot, 36)
        (self.root,) = struct.unpack_from("<I", boot, 44)
        (total,) = struct.unpack_from("<I", boot, 32)
        (self.fsinfo,) = struct.unpack_from("<H", boot, 48)
        assert bps == SECTOR and boot[82:87] == b"FAT32", "not a FAT32 volume of 512-byte sectors"
        self.cluster_bytes = spc * bps
        self.data_start = (self.reserved + self.fats * self.per_fat) * bps
        self.clusters = (total - self.data_start // bps) // spc
        disk.seek(self.reserved * bps)
        self.fat = bytearray(disk.read(self.per_fat * bps))
        self.next_free = self.root + 1

    def allocate(self, size):
        """A contiguous chain for `size` bytes; its first cluster."""
        count = max(1, -(-size // self.cluster_bytes))
        first = self.next_free
        for c in range(first, first + count):
            struct.pack_into("<I", self.fat, c * 4, c + 1 if c < first + count - 1 else 0x0FFFFFFF)
        self.next_free += count
        assert (self.next_free + 1) * 4 <= len(self.fat), "the volume is too small"
        return first

    def write(self, cluster, data):
        self.disk.seek(self.data_start + (cluster - 2) * self.cluster_bytes)
        count = max(1, -(-len(data) // self.cluster_bytes))
        self.disk.write(data + bytes(count * self.cluster_bytes - len(data)))

    def close(self):
        for copy in range(self.fats):
            self.disk.seek((self.reserved + copy * self.per_fat) * SECTOR)
            self.disk.write(self.fat)
        # FSInfo: the free cluster count (byte 488) and the next free one (492).
        self.disk.seek(self.fsinfo * SECTOR + 488)
        self.disk.write(struct.pack("<II", self.clusters + 2 - self.next_free, self.next_free))


def entry(short, attributes, cluster, size):
    """A short-name directory entry, written 2025-01-01 12:00 (no long name:
    the names are upper-case 8.3 ones)."""
    time, date = 12 << 11, (45 << 9) | (1 << 5) | 1
    return struct.pack("<11sBBBHHHHHHHI", short, attributes, 0, 0, time, date, date, cluster >> 16, time, date,
                       cluster & 0xFFFF, size)


def dots(own, parent):
    """"." and ".." of a folder; ".." of a folder in the root names cluster 0."""
    return entry(b".          ", 0x10, own, 0) + entry(b"..         ", 0x10, parent, 0)


def nested(image, depth):
    with open(image, "r+b") as disk:
        volume = Fat32(disk)
        # Every folder holds ".", ".." and the next one (the deepest the file),
        # so each is one cluster; they are handed out top down.
        folders = [volume.allocate(4 * 32) for _ in range(depth)]
        content = b"the bottom of %d nested folders\n" % depth
        file_cluster = volume.allocate(len(content))
        volume.write(volume.root, entry(b"A          ", 0x10, folders[0], 0))
        for level, cluster in enumerate(folders):
            parent = folders[level - 1] if level > 0 else 0
            child = (entry(b"A          ", 0x10, folders[level + 1], 0) if level + 1 < depth
                     else entry(b"Z       TXT", 0x20, file_cluster, len(content)))
            volume.write(cluster, dots(cluster, parent) + child)
        volume.write(file_cluster, content)
        volume.close()


def same(image, count):
    with open(image, "r+b") as disk:
        volume = Fat32(disk)
        folder = volume.allocate((count + 3) * 32)  # the dots, the files and an end mark
        body = bytearray(dots(folder, 0))
        for n in range(count):
            content = b"copy %05d of SAME.TXT\n" % n
            cluster = volume.allocate(len(content))
            volume.write(cluster, content)
            body += entry(b"SAME    TXT", 0x20, cluster, len(content))
        volume.write(folder, bytes(body))
        volume.write(volume.root, entry(b"SAME       ", 0x10, folder, 0))
        volume.close()


def bm(path):
    # BITMAPFILEHEADER ("BM", file size, two reserved words, offset of the
    # pixels) and BITMAPINFOHEADER (its size 40, width, height, planes 1, 24 bits
    # per pixel, no compression, pixel bytes, 2835 pixels per metre, no palette).
    size = 0x04000000  # 64 MiB: within what a BMP may claim, far past the source
    header = b"BM" + struct.pack("<IHHI", size, 0, 0, 54)
    header += struct.pack("<IiiHHIIiiII", 40, 16384, 21845, 1, 24, 0, size - 54, 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        for n in range(2048):
            filler = bytes((n + i * 7) & 0xFF for i in range(SECTOR - len(header)))
            out.write(header + filler)


def boot_sector():
    """A FAT32 boot sector of a 4 GiB volume: 512-byte sectors, 8 per cluster, 32
    reserved, two tables of the size the FAT32 rule gives, root at cluster 2."""
    total, reserved, per_cluster, fats = 8 << 20, 32, 8, 2
    per_fat = -(-(total - reserved) // ((256 * per_cluster + fats) // 2))
    sector = bytearray(SECTOR)
    sector[0:11] = b"\xeb\x58\x90MSWIN4.1"
    struct.pack_into("<HBHBHHBHHHII", sector, 11, SECTOR, per_cluster, reserved, fats, 0, 0, 0xF8, 0, 63, 255, 0,
                     total)
    struct.pack_into("<IHHIHH", sector, 36, per_fat, 0, 0, 2, 1, 6)
    struct.pack_into("<BBBI11s8s", sector, 64, 0x80, 0, 0x29, 0x1234ABCD, b"NO NAME    ", b"FAT32   ")
    sector[510:512] = b"\x55\xaa"
    return bytes(sector)


def vmdk(path, name):
    # Sector 0 the header, 1-20 the descriptor, then the grain directory (one
    # 32-bit entry per 512 × 128 sectors: 2^24 of them, 64 MiB), the one grain
    # table (512 entries), and at the overhead (rounded up to a grain) the one
    # grain. No redundant directory: it would double the file.
    capacity, grain, per_table = 1 << 40, 128, 512
    descriptor_at, descriptor_sectors = 1, 20
    directory_at = descriptor_at + descriptor_sectors
    entries = capacity // (grain * per_table)
    table_at = directory_at + entries * 4 // SECTOR
    grain_at = -(-(table_at + per_table * 4 // SECTOR) // grain) * grain
    header = struct.pack("<4sIIQQQQIQQQBccccH", b"KDMV", 1, 1, capacity, grain, descriptor_at, descriptor_sectors,
                         per_table, 0, directory_at, grain_at, 0, b"\n", b" ", b"\r", b"\n", 0)
    descriptor = (
        "# Disk DescriptorFile\nversion=1\nCID=5eed0001\nparentCID=ffffffff\ncreateType=\"monolithicSparse\"\n\n"
        f"# Extent description\nRW {capacity} SPARSE \"{name}\"\n\n# The Disk Data Base\n#DDB\n\n"
        "ddb.virtualHWVersion = \"4\"\n"
        f"ddb.geometry.cylinders = \"{capacity // (255 * 63)}\"\nddb.geometry.heads = \"255\"\n"
        "ddb.geometry.sectors = \"63\"\nddb.adapterType = \"lsilogic\"\n").encode()
    assert len(descriptor) <= descriptor_sectors * SECTOR
    with open(path, "wb") as out:
        out.write(header.ljust(SECTOR, b"\0"))
        out.write(descriptor.ljust(descriptor_sectors * SECTOR, b"\0"))
        out.write(struct.pack("<I", table_at) * entries)
        out.write(struct.pack("<I", grain_at) * per_table)
        out.seek(grain_at * SECTOR)
        out.write(boot_sector() * grain)


if __name__ == "__main__":
    kind, target = sys.argv[1], sys.argv[2]
    if kind == "nested":
        nested(target, int(sys.argv[3]))
    elif kind == "same":
        same(target, int(sys.argv[3]))
    elif kind == "bm":
        bm(target)
    elif kind == "vmdk":
        vmdk(target, sys.argv[3] if len(sys.argv) > 3 else target.rsplit("/", 1)[-1])
    else:
        sys.exit(f"usage: {sys.argv[0]} nested IMAGE DEPTH | same IMAGE COUNT | bm FILE | vmdk FILE [NAME]")
