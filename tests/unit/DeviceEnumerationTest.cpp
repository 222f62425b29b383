#include "disk/DeviceEnumeration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/ConfigStore.h"
#include "support/TempDir.h"

namespace vantor {
namespace {

void FakeDisk(const test::TempDir& root, const std::string& name, const std::string& sectors,
              const std::string& model, const std::string& removable) {
  std::filesystem::create_directories(root / (name + "/device"));
  std::ofstream(root / (name + "/size")) << sectors << "\n";
  std::ofstream(root / (name + "/device/model")) << model << "   \n";
  std::ofstream(root / (name + "/removable")) << removable << "\n";
}

TEST(DeviceEnumerationTest, BlockDisksAreSortedAndStoredWithTheirGeometry) {
  test::TempDir sys;
  FakeDisk(sys, "sdb", "2048", "USB Stick", "1");
  FakeDisk(sys, "sda", "41943040", "VBOX HARDDISK", "0");
  FakeDisk(sys, "loop0", "100", "", "0");
  FakeDisk(sys, "zram0", "100", "", "0");
  ConfigStore store = ConfigStore::LoadFrom(sys / "config.ini");
  store.set("VT Windows", "Disk7", "stale");
  store.set("VT Windows\\Model", "Disk7", "stale");

  DeviceList list = RefreshDeviceStore(store, false, sys.path());
  ASSERT_EQ(list.disks.size(), 2u);
  EXPECT_EQ(list.disks[0].itemText, "Disk0");
  EXPECT_EQ(list.disks[1].itemText, "Disk1");
  EXPECT_FALSE(store.get("VT Windows", "Disk7"));
  EXPECT_FALSE(store.get("VT Windows\\Model", "Disk7"));
  EXPECT_EQ(store.get("VT Windows", "Disk0").value_or(""), "/dev/sda");

  auto lines = DeviceInformationLines(store, 0);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "Physical Disk Number : 0");
  EXPECT_EQ(lines[1], "Model   : VBOX HARDDISK");
  EXPECT_EQ(lines[2], "Media Type   : Fixed hard disk media");
  EXPECT_EQ(lines[3], "Cylinder   : 2610");  // 21474836480 / (255 * 63 * 512)
  EXPECT_EQ(lines[4], "Head   : 255");
  EXPECT_EQ(lines[5], "Sectors Per Track   : 63");
  EXPECT_EQ(lines[6], "Disk Size  : 20480 MB");
  EXPECT_EQ(DeviceInformationLines(store, 1)[2], "Media Type   : Removable media other than floppy");
  EXPECT_TRUE(DeviceInformationLines(store, -1).empty());

  // A virtual disk in use: the store is rebuilt, nothing is listed.
  DeviceList none = RefreshDeviceStore(store, true, sys.path());
  EXPECT_TRUE(none.disks.empty());
  EXPECT_TRUE(none.drives.empty());
  EXPECT_FALSE(store.get("VT Windows", "Disk0"));
  EXPECT_TRUE(store.hasSection("VT Windows"));
}

TEST(DeviceEnumerationTest, StoredDisksWithGapsAndMissingValues) {
  test::TempDir dir;
  ConfigStore store = ConfigStore::LoadFrom(dir / "config.ini");
  store.set("VT Windows", "Disk0", "a");
  store.set("VT Windows", "Disk1", "b");
  store.set("VT Windows", "Disk2", "");
  store.set("VT Windows", "Disk3", "d");
  store.set("VT Windows\\Size", "Disk3", "1048575");
  auto disks = ListStoredDisks(store);
  ASSERT_EQ(disks.size(), 3u);
  EXPECT_EQ(disks[2].number, 3);
  EXPECT_EQ(disks[2].itemText, "Disk3");
  auto lines = DeviceInformationLines(store, 3);
  EXPECT_EQ(lines[6], "Disk Size  : 0 MB");
  EXPECT_EQ(lines[1], "Model   : ");
  EXPECT_EQ(DeviceInformationLines(store, 1)[6], "Disk Size  : 0 MB");
  // The store survives a save and a load, empty key included.
  ClearDeviceStore(store);
  ASSERT_TRUE(store.save());
  EXPECT_TRUE(ConfigStore::LoadFrom(dir / "config.ini").hasSection("VT Windows"));
}

TEST(DeviceEnumerationTest, DriveTextsAndByteCounts) {
  EXPECT_EQ(DriveItemText("", 'E'), "Local Disk (E:)");
  EXPECT_EQ(DriveItemText("DATA", 'C'), "DATA (C:)");
  EXPECT_EQ(DriveByteText(0), "0");
  EXPECT_EQ(DriveByteText(1), "0.0 KB");
  EXPECT_EQ(DriveByteText(1048575), "1024.0 KB");
  EXPECT_EQ(DriveByteText(1048576), "1.0 MB");
  EXPECT_EQ(DriveByteText((1ULL << 30) - 1), "1024.0 MB");
  EXPECT_EQ(DriveByteText(3ULL << 29), "1.5 GB");
  LogicalDrive drive;
  drive.itemText = "Local Disk (D:)";
  drive.fileSystem = "FAT32";
  drive.totalBytes = 4ULL << 30;
  drive.freeBytes = 1ULL << 30;
  auto lines = DriveInformationLines(drive);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Volume Name : Local Disk ");
  EXPECT_EQ(lines[1], "File System : FAT32");
  EXPECT_EQ(lines[2], "Capacity : 4.0 GB");
  EXPECT_EQ(lines[3], "Used Space : 3.0 GB");
  EXPECT_EQ(lines[4], "Free Space : 1.0 GB");
}

}  // namespace
}  // namespace vantor
