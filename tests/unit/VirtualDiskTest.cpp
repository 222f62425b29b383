#include "disk/VirtualDisk.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "disk/SectorReader.h"
#include "disk/SourceSelection.h"
#include "session/Session.h"
#include "support/TempDir.h"

using namespace std::string_literals;

namespace vantor {
namespace {

using test::TempDir;

// Sector n of the virtual disk as the tests write it: every byte (n * 7 + i) mod
// 251, and n in the first 8 bytes, so a misplaced sector is visible.
void FillSector(uint8_t* sector, uint64_t n) {
  for (size_t i = 0; i < 512; ++i) sector[i] = static_cast<uint8_t>((n * 7 + i) % 251);
  for (size_t i = 0; i < 8; ++i) sector[i] = static_cast<uint8_t>(n >> (8 * i));
}

void PutU32(std::vector<uint8_t>& bytes, uint64_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}
void PutU64(std::vector<uint8_t>& bytes, uint64_t offset, uint64_t value) {
  for (int i = 0; i < 8; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::string Descriptor(const std::string& createType, const std::vector<std::string>& extentLines,
                       const std::string& newline = "\n") {
  std::string text = "# Disk DescriptorFile" + newline + "version=1" + newline + "CID=fffffffe" + newline +
                     "createType=\"" + createType + "\"" + newline + newline + "# Extent description" + newline;
  for (const auto& line : extentLines) text += line + newline;
  text += newline + "#DDB" + newline + "ddb.virtualHWVersion = \"4\"" + newline + "ddb.geometry.cylinders = \"1044\"" +
          newline + "ddb.geometry.heads = \"255\"" + newline + "ddb.geometry.sectors = \"63\"" + newline;
  return text;
}

// A sparse extent built byte by byte: header (sector 0), embedded descriptor
// (sectors 1 and 2, when there is one), redundant directory and tables, primary
// directory and tables, then the grains in the order they are allocated. Both
// table sets point at the same grains. `expected` is the virtual disk it holds.
class SparseImage {
 public:
  // The pattern of virtual sector n is that of sector patternBase + n (for the
  // later extents of a split disk). `expected` is kept for small disks only.
  SparseImage(uint64_t capacity, uint64_t grainSize, uint32_t entriesPerTable, const std::string& descriptor,
              uint64_t patternBase = 0)
      : grainSize_(grainSize), entries_(entriesPerTable), patternBase_(patternBase) {
    uint64_t perTable = grainSize * entriesPerTable;
    tables_ = (capacity + perTable - 1) / perTable;
    uint64_t directorySectors = (tables_ * 4 + 511) / 512;
    tableSectors_ = (entriesPerTable * 4 + 511) / 512;
    uint64_t descriptorSectors = descriptor.empty() ? 0 : 2;
    rgd_ = 1 + descriptorSectors;
    rgt_ = rgd_ + directorySectors;
    gd_ = rgt_ + tables_ * tableSectors_;
    gt_ = gd_ + directorySectors;
    overHead_ = gt_ + tables_ * tableSectors_;
    bytes.assign(overHead_ * 512, 0);
    std::memcpy(bytes.data(), "KDMV", 4);
    PutU32(bytes, 4, 1);
    PutU32(bytes, 8, 3);
    PutU64(bytes, 12, capacity);
    PutU64(bytes, 20, grainSize);
    PutU64(bytes, 28, descriptor.empty() ? 0 : 1);
    PutU64(bytes, 36, descriptorSectors);
    PutU32(bytes, 44, entriesPerTable);
    PutU64(bytes, 48, rgd_);
    PutU64(bytes, 56, gd_);
    PutU64(bytes, 64, overHead_);
    std::memcpy(bytes.data() + 512, descriptor.data(), std::min<size_t>(descriptor.size(), descriptorSectors * 512));
    for (uint64_t t = 0; t < tables_; ++t) {
      PutU32(bytes, rgd_ * 512 + t * 4, static_cast<uint32_t>(rgt_ + t * tableSectors_));
      PutU32(bytes, gd_ * 512 + t * 4, static_cast<uint32_t>(gt_ + t * tableSectors_));
    }
    if (capacity <= (1U << 16)) expected.assign(capacity * 512, 0);
  }

  // Gives grain `grain` the pattern of its virtual sectors, at the file's end.
  void Allocate(uint64_t grain) {
    uint64_t at = bytes.size() / 512;
    bytes.resize(bytes.size() + grainSize_ * 512);
    for (uint64_t s = 0; s < grainSize_; ++s) {
      uint64_t n = grain * grainSize_ + s;
      FillSector(bytes.data() + (at + s) * 512, patternBase_ + n);
      if ((n + 1) * 512 <= expected.size()) FillSector(expected.data() + n * 512, patternBase_ + n);
    }
    SetEntry(grain, static_cast<uint32_t>(at));
  }
  // Points both tables' entry of `grain` at file sector `sector`.
  void SetEntry(uint64_t grain, uint32_t sector) {
    uint64_t table = grain / entries_, index = grain % entries_;
    PutU32(bytes, (rgt_ + table * tableSectors_) * 512 + index * 4, sector);
    PutU32(bytes, (gt_ + table * tableSectors_) * 512 + index * 4, sector);
  }
  std::string Write(const TempDir& dir, const std::string& name) const {
    test::WriteFile(dir / name, bytes);
    return dir / name;
  }

  uint64_t rgd() const { return rgd_; }
  uint64_t rgt() const { return rgt_; }
  uint64_t gd() const { return gd_; }
  uint64_t gt() const { return gt_; }
  uint64_t overHead() const { return overHead_; }

  std::vector<uint8_t> bytes;
  std::vector<uint8_t> expected;

 private:
  uint64_t grainSize_;
  uint32_t entries_;
  uint64_t patternBase_;
  uint64_t tables_ = 0, tableSectors_ = 0;
  uint64_t rgd_ = 0, rgt_ = 0, gd_ = 0, gt_ = 0, overHead_ = 0;
};

std::string MonolithicDescriptor(uint64_t capacity) {
  return Descriptor("monolithicSparse", {"RW " + std::to_string(capacity) + " SPARSE \"disk.vmdk\""});
}

// Reads `count` sectors from `first` into a zero-filled buffer, as ReadSectors does.
struct Reading {
  uint32_t status = 0;
  std::vector<uint8_t> bytes;
};
Reading ReadDisk(VirtualDisk& disk, uint64_t first, uint64_t count) {
  Reading reading;
  reading.bytes.assign(count * 512, 0);
  reading.status = disk.Read(first, count * 512, reading.bytes.data());
  return reading;
}

bool SameAs(const std::vector<uint8_t>& got, const std::vector<uint8_t>& expected, uint64_t first) {
  return got.size() + first * 512 <= expected.size() &&
         std::memcmp(got.data(), expected.data() + first * 512, got.size()) == 0;
}

bool AllZero(const std::vector<uint8_t>& bytes) {
  for (uint8_t b : bytes)
    if (b != 0) return false;
  return true;
}

class VirtualDiskTest : public ::testing::Test {
 protected:
  TempDir dir;
  VirtualDisk disk;
};

TEST_F(VirtualDiskTest, MonolithicSparseOpensWithItsTexts) {
  SparseImage image(4096 * 8, 8, 4, MonolithicDescriptor(4096 * 8));
  image.Allocate(0);
  VirtualDiskOpenResult opened = disk.Open(image.Write(dir, "disk.vmdk"));
  EXPECT_EQ(opened.status, 1u);
  EXPECT_EQ(opened.typeText, "monolithicSparse");
  EXPECT_EQ(disk.createType(), "monolithicSparse");
  EXPECT_EQ(disk.capacity(), 4096u * 8);
  EXPECT_EQ(disk.sizeGbText(), "0");
  EXPECT_EQ(disk.cylindersText(), "1044");
  EXPECT_EQ(disk.headsText(), "255");
  EXPECT_EQ(disk.sectorsText(), "63");
  EXPECT_EQ(disk.overHeadText(), std::to_string(image.overHead()));
  ASSERT_EQ(disk.extents().size(), 1u);
  EXPECT_EQ(disk.extents()[0].fileName, "disk.vmdk");
  EXPECT_EQ(disk.extents()[0].sizeText, "32768");
  EXPECT_EQ(disk.header().grainSize, 8u);
  EXPECT_EQ(disk.header().numGTEsPerGT, 4u);
  const std::vector<std::string> lines = {"Virtual Machine Type  : monolithicSparse", "", "Disk Size  : 0 GB", "",
                                          "Cylinder   : 1044", "", "Head   : 255", "", "Sectors Per Track   : 63"};
  EXPECT_EQ(disk.InformationLines(), lines);
}

TEST_F(VirtualDiskTest, SizeTextIsWholeGibibytes) {
  const uint64_t capacity = (5ULL << 21) + 12345;  // 5 GiB and a little
  SparseImage image(capacity, 128, 512, MonolithicDescriptor(capacity));
  ASSERT_EQ(disk.Open(image.Write(dir, "big.vmdk")).typeText, "monolithicSparse");
  EXPECT_EQ(disk.sizeGbText(), "5");
  EXPECT_EQ(disk.InformationLines()[2], "Disk Size  : 5 GB");
}

TEST_F(VirtualDiskTest, UnallocatedGrainReadsZeros) {
  SparseImage image(64, 8, 4, MonolithicDescriptor(64));
  image.Allocate(0);
  ASSERT_EQ(disk.Open(image.Write(dir, "disk.vmdk")).status, 1u);
  Reading one = ReadDisk(disk, 13, 1);
  EXPECT_EQ(one.status, 1u);
  EXPECT_TRUE(AllZero(one.bytes));
  Reading allocated = ReadDisk(disk, 2, 1);
  EXPECT_EQ(allocated.status, 1u);
  EXPECT_TRUE(SameAs(allocated.bytes, image.expected, 2));
}

TEST_F(VirtualDiskTest, ReadOverAllocatedAndUnallocatedGrainsPutsDataAndZerosInPlace) {
  SparseImage image(96, 8, 4, MonolithicDescriptor(96));
  for (uint64_t grain : {1, 2, 4, 7, 9, 10}) image.Allocate(grain);  // 1, 2 and 9, 10 contiguous
  ASSERT_EQ(disk.Open(image.Write(dir, "disk.vmdk")).status, 1u);
  for (uint64_t first = 0; first < 96; first += 5) {
    for (uint64_t count : {1, 3, 8, 17, 40}) {
      uint64_t n = std::min<uint64_t>(count, 96 - first);
      Reading r = ReadDisk(disk, first, n);
      ASSERT_TRUE(SameAs(r.bytes, image.expected, first)) << first << "+" << n;
    }
  }
  Reading all = ReadDisk(disk, 0, 96);
  EXPECT_EQ(all.bytes, image.expected);
}

TEST_F(VirtualDiskTest, ReadThreeSectorsBeforeAGrainBoundaryIsServedFromTwoGrains) {
  SparseImage image(64, 8, 4, MonolithicDescriptor(64));
  image.Allocate(3);  // grains stored out of order: the two are not contiguous
  image.Allocate(2);
  ASSERT_EQ(disk.Open(image.Write(dir, "disk.vmdk")).status, 1u);
  Reading r = ReadDisk(disk, 2 * 8 + 5, 8);  // sectors 21..28: 3 of grain 2, 5 of grain 3
  EXPECT_EQ(r.status, 1u);
  EXPECT_TRUE(SameAs(r.bytes, image.expected, 21));
  EXPECT_EQ(r.bytes[0], 21);
  EXPECT_EQ(r.bytes[3 * 512], 24);
}

TEST_F(VirtualDiskTest, RedundantDirectoryIsPreferredAndAZeroFirstEntryFallsBackToThePrimary) {
  SparseImage image(64, 8, 4, MonolithicDescriptor(64));
  image.Allocate(0);
  image.Allocate(1);
  // The redundant table sends grain 0 to grain 1's data; the primary is right.
  PutU32(image.bytes, image.rgt() * 512, static_cast<uint32_t>(image.overHead() + 8));
  ASSERT_EQ(disk.Open(image.Write(dir, "disk.vmdk")).status, 1u);
  EXPECT_EQ(ReadDisk(disk, 0, 1).bytes[0], 8);  // the redundant directory is in use

  PutU32(image.bytes, image.rgd() * 512, 0);
  ASSERT_EQ(disk.Open(image.Write(dir, "disk.vmdk")).typeText, "monolithicSparse");
  Reading r = ReadDisk(disk, 0, 16);
  EXPECT_TRUE(SameAs(r.bytes, image.expected, 0));  // now the primary one

  // No redundant directory at all, a sound primary one: accepted.
  PutU64(image.bytes, 48, 0);
  ASSERT_EQ(disk.Open(image.Write(dir, "disk.vmdk")).typeText, "monolithicSparse");
  EXPECT_TRUE(SameAs(ReadDisk(disk, 0, 16).bytes, image.expected, 0));
}

TEST_F(VirtualDiskTest, WithoutAUsableDirectoryTheFileIsDamaged) {
  SparseImage image(64, 8, 4, MonolithicDescriptor(64));
  PutU32(image.bytes, image.rgd() * 512, 0);
  PutU32(image.bytes, image.gd() * 512, 0);
  std::string path = image.Write(dir, "disk.vmdk");
  VirtualDiskOpenResult opened = disk.Open(path);
  EXPECT_EQ(opened.status, 1u);
  EXPECT_EQ(opened.typeText, "Damaged");
  EXPECT_EQ(ReadDisk(disk, 0, 1).status, 0u);

  PutU64(image.bytes, 48, 0);
  PutU64(image.bytes, 56, 0);  // neither offset
  EXPECT_EQ(disk.Open(image.Write(dir, "disk.vmdk")).typeText, "Damaged");

  Session session;
  SourceChoice choice = ChooseVirtualDisk(session, path);
  EXPECT_FALSE(choice.ok);
  EXPECT_EQ(choice.message, "File is highly Damaged can't be recoverd");
  EXPECT_EQ(session.state.vmValid, 0);
}

// A sparse file without a descriptor is an extent of a split disk opened on its
// own: read from its header, with a note saying so.
TEST_F(VirtualDiskTest, SparseFileWithoutDescriptorIsReadFromItsHeader) {
  SparseImage image(64, 8, 4, "");
  image.Allocate(0);
  VirtualDiskOpenResult opened = disk.Open(image.Write(dir, "disk.vmdk"));
  EXPECT_EQ(opened.status, 1u);
  EXPECT_EQ(opened.typeText, "monolithicSparse");
  Session session;
  SourceChoice choice = ChooseVirtualDisk(session, dir / "disk.vmdk");
  EXPECT_TRUE(choice.ok);
  EXPECT_NE(choice.message.find("it is one sparse extent of a split disk: read on its own"), std::string::npos);
}

TEST_F(VirtualDiskTest, MissingOrUnreadableFileIsUsed) {
  VirtualDiskOpenResult opened = disk.Open(dir / "absent.vmdk");
  EXPECT_EQ(opened.status, 0u);
  EXPECT_EQ(opened.typeText, "Used");
  // A folder opens but cannot be read.
  std::filesystem::create_directory(dir / "folder.vmdk");
  Session session;
  SourceChoice choice = ChooseSource(session, dir / "folder.vmdk");
  EXPECT_FALSE(choice.ok);
  EXPECT_EQ(choice.message, "This file is in use please select another file");
}

TEST_F(VirtualDiskTest, OtherFilesAreRefused) {
  test::WriteFile(dir / "text.vmdk", std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'});
  EXPECT_EQ(disk.Open(dir / "text.vmdk").status, 0u);
  test::WriteFile(dir / "empty.vmdk", {});
  EXPECT_EQ(disk.Open(dir / "empty.vmdk").typeText, "");
  std::string stream = Descriptor("streamOptimized", {"RW 64 SPARSE \"s.vmdk\""});
  test::WriteFile(dir / "stream.vmdk", std::vector<uint8_t>(stream.begin(), stream.end()));
  // A layout this reader serves, whose extent is not there.
  VirtualDiskOpenResult opened = disk.Open(dir / "stream.vmdk");
  EXPECT_EQ(opened.status, 0u);
  EXPECT_EQ(opened.typeText, "");
  Session session;
  EXPECT_EQ(ChooseSource(session, dir / "stream.vmdk").message,
            "Please select a correct virtual machine file (its extent file " + std::string(dir / "s.vmdk") +
                " is missing)");
  EXPECT_EQ(session.state.vmValid, 0);
}

TEST_F(VirtualDiskTest, TheMagicIsLookedForInTheFirst21BytesWithoutTheirNuls) {
  SparseImage image(64, 8, 4, MonolithicDescriptor(64));
  image.Allocate(0);
  std::vector<uint8_t> bytes = image.bytes;
  bytes.insert(bytes.begin() + 1, 0);  // "K\0DMV..." still reads as a sparse file
  bytes.resize(bytes.size() - 1);
  test::WriteFile(dir / "nul.vmdk", bytes);
  // The header fields move by one byte, so this is a damaged sparse file now:
  // both directory offsets (256 times too large) lie past the file's end.
  VirtualDiskOpenResult opened = disk.Open(dir / "nul.vmdk");
  EXPECT_EQ(opened.status, 1u);
  EXPECT_EQ(opened.typeText, "Damaged");
}

TEST_F(VirtualDiskTest, TruncatedFilesReadAsZerosOrAreRefused) {
  SparseImage image(64, 8, 4, MonolithicDescriptor(64));
  image.Allocate(0);
  image.Allocate(1);
  // The second grain cut in half: its missing sectors read as zeros.
  std::vector<uint8_t> cut = image.bytes;
  cut.resize(cut.size() - 4 * 512);
  test::WriteFile(dir / "cut.vmdk", cut);
  ASSERT_EQ(disk.Open(dir / "cut.vmdk").typeText, "monolithicSparse");
  EXPECT_EQ(disk.Damage().sectorsBeyondFiles, 4u);
  Reading r = ReadDisk(disk, 0, 16);
  std::vector<uint8_t> want(image.expected.begin(), image.expected.begin() + 12 * 512);
  want.resize(16 * 512, 0);
  EXPECT_EQ(r.bytes, want);
  EXPECT_EQ(disk.zeroFilledSectors(), 4u);
  // Cut inside the directories or inside the header (the magic kept, the rest
  // zeros): a damaged sparse file, none of whose sectors read.
  for (size_t size : {static_cast<size_t>(image.rgd() * 512), size_t{400}, size_t{30}, size_t{4}}) {
    cut.resize(size);
    test::WriteFile(dir / "cut.vmdk", cut);
    VirtualDiskOpenResult opened = disk.Open(dir / "cut.vmdk");
    EXPECT_EQ(opened.status, 1u) << size;
    EXPECT_EQ(opened.typeText, "Damaged") << size;
    EXPECT_EQ(ReadDisk(disk, 0, 4).status, 0u);
  }
}

TEST_F(VirtualDiskTest, DirectoryEntryZeroAndSectorsPastTheEndReadZerosWithStatusZero) {
  SparseImage image(64, 8, 4, MonolithicDescriptor(64));  // two tables of 32 sectors
  image.Allocate(0);
  image.Allocate(5);
  PutU32(image.bytes, image.rgd() * 512 + 4, 0);  // no second table in either directory
  PutU32(image.bytes, image.gd() * 512 + 4, 0);
  ASSERT_EQ(disk.Open(image.Write(dir, "disk.vmdk")).status, 1u);
  Reading r = ReadDisk(disk, 40, 4);
  EXPECT_EQ(r.status, 0u);
  EXPECT_TRUE(AllZero(r.bytes));
  Reading both = ReadDisk(disk, 28, 8);  // the first table's last grain, then none
  EXPECT_TRUE(AllZero(both.bytes));
  EXPECT_EQ(ReadDisk(disk, 0, 8).status, 1u);
  Reading past = ReadDisk(disk, 60, 8);
  EXPECT_EQ(past.status, 0u);
  EXPECT_TRUE(AllZero(past.bytes));
  EXPECT_EQ(ReadDisk(disk, 64, 1).status, 0u);
  EXPECT_EQ(ReadDisk(disk, UINT64_MAX - 1, 4).status, 0u);
}

// A grain table past 4 GiB of the extent file. With a 32-bit byte offset the
// table would be looked for 4 GiB lower, where this file has a decoy table
// pointing at a grain of 0xDD bytes.
TEST_F(VirtualDiskTest, GrainTablesPastFourGibibytesAreReadWith64BitOffsets) {
  const uint64_t fourGiBSectors = 1ULL << 23;
  const uint64_t table = fourGiBSectors + 16;  // byte 4 GiB + 8 KiB
  const uint64_t decoyTable = 16, decoyGrain = 24;
  std::vector<uint8_t> head(32 * 512, 0);
  std::memcpy(head.data(), "KDMV", 4);
  PutU32(head, 4, 1);
  PutU64(head, 12, 64);  // capacity
  PutU64(head, 20, 8);   // grainSize
  PutU64(head, 28, 1);   // descriptor at sector 1
  PutU64(head, 36, 1);
  PutU32(head, 44, 8);   // one table covers the disk
  PutU64(head, 48, 0);   // no redundant directory
  PutU64(head, 56, 2);   // directory at sector 2
  std::string descriptor = "createType=\"monolithicSparse\"\n";
  std::memcpy(head.data() + 512, descriptor.data(), descriptor.size());
  PutU32(head, 2 * 512, static_cast<uint32_t>(table));
  PutU32(head, decoyTable * 512, decoyGrain);
  std::memset(head.data() + decoyGrain * 512, 0xDD, 8 * 512);

  std::vector<uint8_t> far((8 + 8 + 8) * 512, 0);  // the table, grain 0 and grain 3
  PutU32(far, 0, static_cast<uint32_t>(table + 8));
  PutU32(far, 3 * 4, static_cast<uint32_t>(table + 16));
  for (uint64_t s = 0; s < 8; ++s) {
    FillSector(far.data() + (8 + s) * 512, s);
    FillSector(far.data() + (16 + s) * 512, 24 + s);
  }
  std::string path = dir / "far.vmdk";
  int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
  ASSERT_EQ(::pwrite(fd, far.data(), far.size(), static_cast<off_t>(table * 512)), static_cast<ssize_t>(far.size()));
  ::close(fd);

  ASSERT_EQ(disk.Open(path).typeText, "monolithicSparse");
  Reading r = ReadDisk(disk, 0, 32);
  EXPECT_EQ(r.status, 1u);
  std::vector<uint8_t> want(32 * 512, 0);
  for (uint64_t s = 0; s < 8; ++s) {
    FillSector(want.data() + s * 512, s);
    FillSector(want.data() + (24 + s) * 512, 24 + s);
  }
  EXPECT_EQ(r.bytes, want);
  EXPECT_NE(r.bytes[100], 0xDD);
}

TEST_F(VirtualDiskTest, EmbeddedDescriptorStopsAtTheFourthNul) {
  std::string text = "# Disk DescriptorFile\n#\0\0\0 three NULs so far\ncreateType=\"monolithicSparse\"\n"s;
  text.append("ddb.geometry.heads = \"16\"\n");
  SparseImage image(64, 8, 4, text);
  image.Allocate(0);
  ASSERT_EQ(disk.Open(image.Write(dir, "disk.vmdk")).typeText, "monolithicSparse");
  EXPECT_EQ(disk.headsText(), "16");
  // A fourth NUL in the heads line: that line and all after it are not used.
  text = "# Disk DescriptorFile\n#\0\0\0 three\ncreateType=\"monolithicSparse\"\n"s;
  text.append("ddb.geometry.heads = \"16\"\0\n"s);
  text.append("ddb.geometry.sectors = \"63\"\n");
  SparseImage second(64, 8, 4, text);
  ASSERT_EQ(disk.Open(second.Write(dir, "disk.vmdk")).typeText, "monolithicSparse");
  EXPECT_EQ(disk.headsText(), "");
  EXPECT_EQ(disk.sectorsText(), "");
}

TEST_F(VirtualDiskTest, CrLfDescriptorKeepsTheCarriageReturnInTheLine) {
  std::string sector0(8 * 512, 'a');
  test::WriteFile(dir / "d-f001.vmdk", std::vector<uint8_t>(sector0.begin(), sector0.end()));
  std::string text = Descriptor("twoGbMaxExtentFlat", {"RW 8 FLAT \"d-f001.vmdk\" 0", "RW 4"}, "\r\n");
  test::WriteFile(dir / "d.vmdk", std::vector<uint8_t>(text.begin(), text.end()));
  VirtualDiskOpenResult opened = disk.Open(dir / "d.vmdk");
  EXPECT_EQ(opened.typeText, "twoGbMaxExtentFlat");
  EXPECT_EQ(disk.cylindersText(), "1044");
  EXPECT_EQ(disk.headsText(), "255");
  ASSERT_EQ(disk.extents().size(), 2u);
  EXPECT_EQ(disk.extents()[0].fileName, "d-f001.vmdk");
  EXPECT_EQ(disk.extents()[0].sizeText, "8");
  EXPECT_EQ(disk.extents()[1].sizeText, "4\r");  // the CR is part of the line
  EXPECT_EQ(disk.extents()[1].fileName, "");
  EXPECT_EQ(disk.capacity(), 12u);
  EXPECT_EQ(ReadDisk(disk, 0, 1).bytes[511], 'a');
}

// Two sparse extents of 32 sectors, neither with a redundant directory, and a
// smaller third one; reads cross from one file into the next.
TEST_F(VirtualDiskTest, TwoGbMaxExtentSparseCrossesFromOneExtentToTheNext) {
  std::vector<uint8_t> expected(80 * 512, 0);
  const uint64_t sizes[] = {32, 32, 16};
  uint64_t base = 0;
  for (int e = 0; e < 3; ++e) {
    SparseImage extent(sizes[e], 8, 2, "", base);
    for (uint64_t g = 0; g < sizes[e] / 8; ++g)
      if ((g + e) % 2 == 0 || g == 0) extent.Allocate(g);
    PutU64(extent.bytes, 48, 0);  // no redundant directory
    std::copy(extent.expected.begin(), extent.expected.end(), expected.begin() + base * 512);
    extent.Write(dir, "s-s00" + std::to_string(e + 1) + ".vmdk");
    base += sizes[e];
  }
  std::string text = Descriptor("twoGbMaxExtentSparse", {"RW 32 SPARSE \"s-s001.vmdk\"", "RW 32 SPARSE \"s-s002.vmdk\"",
                                                         "RW 16 SPARSE \"s-s003.vmdk\""});
  test::WriteFile(dir / "s.vmdk", std::vector<uint8_t>(text.begin(), text.end()));
  VirtualDiskOpenResult opened = disk.Open(dir / "s.vmdk");
  ASSERT_EQ(opened.typeText, "twoGbMaxExtentSparse");
  EXPECT_EQ(disk.capacity(), 80u);
  EXPECT_EQ(disk.overHeadText(), std::to_string(SparseImage(32, 8, 2, "").overHead()));
  EXPECT_EQ(ReadDisk(disk, 0, 80).bytes, expected);
  Reading across = ReadDisk(disk, 29, 6);  // 3 sectors of extent 1, 3 of extent 2
  EXPECT_TRUE(SameAs(across.bytes, expected, 29));
  EXPECT_EQ(across.bytes[3 * 512], 32);  // sector 0 of the second file
  for (uint64_t first = 0; first < 80; first += 7)
    ASSERT_TRUE(SameAs(ReadDisk(disk, first, std::min<uint64_t>(13, 80 - first)).bytes, expected, first)) << first;
  // A missing extent file: its reads return 0 with zeros; the others still read.
  std::filesystem::remove(dir / "s-s002.vmdk");
  Reading missing = ReadDisk(disk, 40, 2);
  EXPECT_EQ(missing.status, 0u);
  EXPECT_TRUE(AllZero(missing.bytes));
  EXPECT_TRUE(SameAs(ReadDisk(disk, 64, 16).bytes, expected, 64));
}

TEST_F(VirtualDiskTest, FlatLayoutsReadTheirExtents) {
  std::vector<uint8_t> whole(40 * 512);
  for (uint64_t s = 0; s < 40; ++s) FillSector(whole.data() + s * 512, s);
  test::WriteFile(dir / "f-f001.vmdk", std::vector<uint8_t>(whole.begin(), whole.begin() + 16 * 512));
  test::WriteFile(dir / "f-f002.vmdk", std::vector<uint8_t>(whole.begin() + 16 * 512, whole.begin() + 32 * 512));
  test::WriteFile(dir / "f-f003.vmdk", std::vector<uint8_t>(whole.begin() + 32 * 512, whole.end()));
  std::string text = Descriptor("twoGbMaxExtentFlat", {"RW 16 FLAT \"f-f001.vmdk\" 0", "RW 16 FLAT \"f-f002.vmdk\" 0",
                                                       "RW 8 FLAT \"f-f003.vmdk\" 0"});
  test::WriteFile(dir / "f.vmdk", std::vector<uint8_t>(text.begin(), text.end()));
  ASSERT_EQ(disk.Open(dir / "f.vmdk").typeText, "twoGbMaxExtentFlat");
  EXPECT_EQ(disk.capacity(), 40u);
  EXPECT_EQ(disk.overHeadText(), "0");
  Reading all = ReadDisk(disk, 0, 40);
  EXPECT_EQ(all.status, 1u);
  EXPECT_EQ(all.bytes, whole);
  Reading across = ReadDisk(disk, 14, 20);
  EXPECT_TRUE(SameAs(across.bytes, whole, 14));
  EXPECT_EQ(ReadDisk(disk, 38, 4).status, 0u);  // runs past the end
  EXPECT_EQ(disk.Damage().sectorsBeyondFiles, 0u);

  // The second extent cut short by 3 sectors and the third missing: the rest of
  // the disk reads, and what the files lack is counted and named.
  test::WriteFile(dir / "f-f002.vmdk", std::vector<uint8_t>(whole.begin() + 16 * 512, whole.begin() + 29 * 512));
  std::filesystem::remove(dir / "f-f003.vmdk");
  ASSERT_EQ(disk.Open(dir / "f.vmdk").typeText, "twoGbMaxExtentFlat");
  EXPECT_EQ(disk.Damage().sectorsBeyondFiles, 3u + 8u);
  EXPECT_EQ(disk.Damage().missingFiles, std::vector<std::string>{dir / "f-f003.vmdk"});
  Reading damaged = ReadDisk(disk, 0, 40);
  std::vector<uint8_t> held(whole.begin(), whole.begin() + 29 * 512);
  held.resize(40 * 512, 0);
  EXPECT_EQ(damaged.bytes, held);
  EXPECT_EQ(disk.zeroFilledSectors(), 11u);
  std::filesystem::remove(dir / "f-f001.vmdk");
  EXPECT_EQ(disk.Open(dir / "f.vmdk").status, 0u);
  EXPECT_EQ(disk.missingExtent(), dir / "f-f001.vmdk");

  std::string mono = Descriptor("monolithicFlat", {"RW 40 FLAT \"m-flat.vmdk\" 0"});
  mono.resize(1024, '\0');
  test::WriteFile(dir / "m.vmdk", std::vector<uint8_t>(mono.begin(), mono.end()));
  test::WriteFile(dir / "m-flat.vmdk", whole);
  ASSERT_EQ(disk.Open(dir / "m.vmdk").typeText, "monolithicFlat");
  EXPECT_EQ(ReadDisk(disk, 3, 30).bytes, std::vector<uint8_t>(whole.begin() + 3 * 512, whole.begin() + 33 * 512));
  // Without its flat file the disk is refused.
  std::filesystem::remove(dir / "m-flat.vmdk");
  EXPECT_EQ(disk.Open(dir / "m.vmdk").status, 0u);
}

// Extents of unequal sizes are placed one after the other by their own sizes.
TEST_F(VirtualDiskTest, ExtentsOfUnequalSizesFollowOneAnother) {
  std::vector<uint8_t> whole(28 * 512);
  for (uint64_t s = 0; s < 28; ++s) FillSector(whole.data() + s * 512, s);
  test::WriteFile(dir / "u1.vmdk", std::vector<uint8_t>(whole.begin(), whole.begin() + 16 * 512));
  test::WriteFile(dir / "u2.vmdk", std::vector<uint8_t>(whole.begin() + 16 * 512, whole.begin() + 20 * 512));
  test::WriteFile(dir / "u3.vmdk", std::vector<uint8_t>(whole.begin() + 20 * 512, whole.end()));
  std::string text = Descriptor("twoGbMaxExtentFlat", {"RW 16 FLAT \"u1.vmdk\" 0", "RW 0 FLAT \"none.vmdk\" 0",
                                                       "RW 4 FLAT \"u2.vmdk\" 0", "RW 8 FLAT \"u3.vmdk\" 0"});
  test::WriteFile(dir / "u.vmdk", std::vector<uint8_t>(text.begin(), text.end()));
  ASSERT_EQ(disk.Open(dir / "u.vmdk").typeText, "twoGbMaxExtentFlat");
  EXPECT_EQ(disk.capacity(), 28u);
  EXPECT_EQ(ReadDisk(disk, 0, 28).bytes, whole);
}

TEST_F(VirtualDiskTest, ReadSectorsServesTheVirtualDisk) {
  SparseImage image(64, 8, 4, MonolithicDescriptor(64));
  image.Allocate(1);
  image.Allocate(6);
  std::string path = image.Write(dir, "disk.vmdk");
  Session session;
  ASSERT_TRUE(ChooseSource(session, path).ok);
  EXPECT_EQ(session.state.vmValid, 1);
  std::vector<uint8_t> buffer(64 * 512, 0x55);
  EXPECT_EQ(session.reader.read(0, 64, buffer.data()), 1u);
  EXPECT_EQ(buffer, image.expected);
}

// Damaged values of every kind, each with the one outcome it can have: a header
// whose grain arithmetic cannot work is refused as damaged (none of its sectors
// read); a bad redundant directory gives way to the primary one, and bad
// descriptor or overhead fields leave the grains as they are, so those disks
// read as built; values that are odd but usable open. Never a crash, hang or
// huge allocation (the sanitizer build runs these too), and nothing reads past
// the disk's end.
TEST_F(VirtualDiskTest, GarbageHeaderValuesAreRefusedOrReadAsZeros) {
  enum Outcome { kDamaged, kReadsAsBuilt, kOpens };
  struct Field {
    size_t offset;
    int width;
    uint64_t value;
    Outcome outcome;
  };
  const Field fields[] = {
      {12, 8, 0, kOpens},                 // capacity 0
      {12, 8, UINT64_MAX, kDamaged},      // capacity past any 64-bit byte offset
      {12, 8, 1ULL << 55, kDamaged},
      {20, 8, 0, kDamaged},               // grain size 0
      {20, 8, UINT64_MAX, kDamaged},
      {20, 8, 3, kOpens},                 // not a power of two, still arithmetic
      {20, 8, 1ULL << 40, kDamaged},
      {28, 8, UINT64_MAX, kReadsAsBuilt},  // descriptor offset
      {28, 8, 1ULL << 54, kReadsAsBuilt},
      {36, 8, UINT64_MAX, kReadsAsBuilt},  // descriptor size
      {36, 8, 1ULL << 40, kReadsAsBuilt},
      {44, 4, 0, kDamaged},               // grain table entries
      {44, 4, 0xFFFFFFFF, kDamaged},
      {44, 4, 1, kOpens},
      {48, 8, UINT64_MAX, kReadsAsBuilt},  // redundant directory
      {48, 8, 1ULL << 54, kReadsAsBuilt},
      {56, 8, UINT64_MAX, kReadsAsBuilt},  // primary directory (the redundant one is sound)
      {56, 8, 1, kReadsAsBuilt},
      {64, 8, UINT64_MAX, kReadsAsBuilt},  // overhead
  };
  for (const Field& field : fields) {
    SparseImage image(256, 8, 4, MonolithicDescriptor(256));
    for (uint64_t g = 0; g < 32; g += 3) image.Allocate(g);
    if (field.width == 8) PutU64(image.bytes, field.offset, field.value);
    else PutU32(image.bytes, field.offset, static_cast<uint32_t>(field.value));
    VirtualDiskOpenResult opened = disk.Open(image.Write(dir, "g.vmdk"));
    SCOPED_TRACE(std::to_string(field.offset) + "=" + std::to_string(field.value) + " -> " + opened.typeText);
    EXPECT_EQ(opened.status, 1u);
    EXPECT_EQ(opened.typeText, field.outcome == kDamaged ? "Damaged" : "monolithicSparse");
    if (field.outcome == kDamaged) {
      EXPECT_EQ(ReadDisk(disk, 0, 9).status, 0u);
    }
    if (field.outcome == kReadsAsBuilt) {
      EXPECT_EQ(ReadDisk(disk, 0, 256).bytes, image.expected);
    }
    for (uint64_t first : std::vector<uint64_t>{0, 7, 200, 255, 1ULL << 40, UINT64_MAX - 3}) {
      const uint64_t end = std::min<uint64_t>(256, disk.capacity());
      Reading r = ReadDisk(disk, first, 9);
      if (first >= end || end - first < 9) {
        EXPECT_EQ(r.status, 0u) << first;
      }
    }
    (void)disk.InformationLines();
  }
}

TEST_F(VirtualDiskTest, GarbageDirectoryAndTableEntriesReadAsZeros) {
  SparseImage image(256, 8, 4, MonolithicDescriptor(256));
  for (uint64_t g = 0; g < 32; ++g) image.Allocate(g);
  image.SetEntry(3, 0xFFFFFFFF);  // far past the file's end
  image.SetEntry(4, 1);           // the descriptor's sectors
  PutU32(image.bytes, image.rgd() * 512 + 2 * 4, 0xFFFFFFF0);
  PutU32(image.bytes, image.gd() * 512 + 2 * 4, 0xFFFFFFF0);
  ASSERT_EQ(disk.Open(image.Write(dir, "g.vmdk")).typeText, "monolithicSparse");
  Reading r = ReadDisk(disk, 0, 256);
  EXPECT_TRUE(std::all_of(r.bytes.begin() + 24 * 512, r.bytes.begin() + 32 * 512, [](uint8_t b) { return b == 0; }));
  EXPECT_TRUE(std::all_of(r.bytes.begin() + 64 * 512, r.bytes.begin() + 96 * 512, [](uint8_t b) { return b == 0; }));
  EXPECT_TRUE(SameAs(std::vector<uint8_t>(r.bytes.begin(), r.bytes.begin() + 24 * 512), image.expected, 0));
}

TEST_F(VirtualDiskTest, GarbageDescriptorsAreRefused) {
  const std::vector<std::vector<std::string>> cases = {
      {},                                                  // no extents
      {"RW 0 SPARSE \"x.vmdk\""},                          // first extent empty
      {"RW 99999999999999999999 FLAT \"x.vmdk\" 0"},       // overflowing size
      {"RW 36028797018963968 FLAT \"x.vmdk\" 0"},          // 2^55 sectors
      {"RW abc FLAT \"x.vmdk\" 0"},                        // not a number
      {"RW", "RDONLY", "NOACCESS \""},                     // no sizes or names
  };
  std::vector<uint8_t> flat(4096, 1);
  test::WriteFile(dir / "x.vmdk", flat);
  for (const auto& type : {"twoGbMaxExtentFlat", "twoGbMaxExtentSparse", "monolithicFlat"}) {
    for (const auto& lines : cases) {
      std::string text = Descriptor(type, lines);
      test::WriteFile(dir / "d.vmdk", std::vector<uint8_t>(text.begin(), text.end()));
      VirtualDiskOpenResult opened = disk.Open(dir / "d.vmdk");
      SCOPED_TRACE(std::string(type) + " " + (lines.empty() ? "" : lines[0]));
      EXPECT_EQ(opened.status, 1u);
      EXPECT_EQ(opened.typeText, "Damaged");
      EXPECT_EQ(ReadDisk(disk, 0, 4).status, 0u);
    }
  }
  // A descriptor with sizes that add past 2^55: damaged.
  std::string text = Descriptor("twoGbMaxExtentFlat", {"RW 36028797018963967 FLAT \"x.vmdk\" 0", "RW 36028797018963967 FLAT \"x.vmdk\" 0"});
  test::WriteFile(dir / "d.vmdk", std::vector<uint8_t>(text.begin(), text.end()));
  EXPECT_EQ(disk.Open(dir / "d.vmdk").typeText, "Damaged");
  // A sparse layout whose extent is not a sparse extent: damaged.
  text = Descriptor("twoGbMaxExtentSparse", {"RW 8 SPARSE \"x.vmdk\""});
  test::WriteFile(dir / "d.vmdk", std::vector<uint8_t>(text.begin(), text.end()));
  EXPECT_EQ(disk.Open(dir / "d.vmdk").typeText, "Damaged");
  // A huge descriptor file is read only in part, quickly.
  std::string huge = Descriptor("twoGbMaxExtentFlat", {"RW 8 FLAT \"x.vmdk\" 0"});
  huge.append(8 << 20, '#');
  test::WriteFile(dir / "d.vmdk", std::vector<uint8_t>(huge.begin(), huge.end()));
  EXPECT_EQ(disk.Open(dir / "d.vmdk").typeText, "twoGbMaxExtentFlat");
}

TEST_F(VirtualDiskTest, ExtentNamesWithSpacesAndOneOpenRebuildsTheObject) {
  std::vector<uint8_t> flat(8 * 512, 7);
  test::WriteFile(dir / "my disk-f001.vmdk", flat);
  std::string text = Descriptor("twoGbMaxExtentFlat", {"RW 8 FLAT \"my disk-f001.vmdk\" 0"});
  test::WriteFile(dir / "d.vmdk", std::vector<uint8_t>(text.begin(), text.end()));
  ASSERT_EQ(disk.Open(dir / "d.vmdk").typeText, "twoGbMaxExtentFlat");
  EXPECT_EQ(disk.extents()[0].fileName, "my disk-f001.vmdk");
  EXPECT_EQ(ReadDisk(disk, 7, 1).bytes[0], 7);
  EXPECT_EQ(disk.Open(dir / "absent.vmdk").typeText, "Used");
  EXPECT_EQ(disk.createType(), "");
  EXPECT_TRUE(disk.extents().empty());
  EXPECT_EQ(disk.capacity(), 0u);
  EXPECT_EQ(ReadDisk(disk, 0, 1).status, 0u);
}

}  // namespace
}  // namespace vantor
