// libFuzzer target for the VMware virtual disk reader.
//
// The input is written as the file "disk.vmdk" of a private folder and opened with
// VirtualDisk::Open; then a few ranges are read: the start, a run across the middle
// of the capacity, the last sectors, and sectors past the end. When the input holds
// the marker "\nVANTOR-EXTENT\n", the bytes after it become the file "e.vmdk" of
// the same folder, so that a descriptor naming "e.vmdk" reaches a sparse or flat
// extent of the fuzzer's making (split layouts).
//
// Run: fuzz_vmdk -max_total_time=600 fuzz/corpus/vmdk   (a copy of the corpus
// folder is best, so that the committed seeds stay few).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "disk/VirtualDisk.h"

namespace {

// A private folder in memory (/dev/shm) when there is one: every input is written
// as a file, and a disk-backed folder makes the fuzzer wait on the disk.
const std::string& Folder() {
  static const std::string folder = [] {
    std::string pattern = std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/fuzz-vmdk-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
  }();
  static const bool cleanup = [] {
    std::atexit([] {
      ::unlink((folder + "/disk.vmdk").c_str());
      ::unlink((folder + "/e.vmdk").c_str());
      ::rmdir(folder.c_str());
    });
    return true;
  }();
  (void)cleanup;
  return folder;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string disk = Folder() + "/disk.vmdk";
  const std::string extent = Folder() + "/e.vmdk";
  std::string_view input(reinterpret_cast<const char*>(data), size);
  constexpr std::string_view kMarker = "\nVANTOR-EXTENT\n";
  size_t split = input.find(kMarker);
  if (split == std::string_view::npos) {
    WriteFile(disk, data, size);
    ::unlink(extent.c_str());
  } else {
    WriteFile(disk, data, split + 1);
    size_t rest = split + kMarker.size();
    WriteFile(extent, data + rest, size - rest);
  }

  vantor::VirtualDisk virtualDisk;
  vantor::VirtualDiskOpenResult opened = virtualDisk.Open(disk);
  (void)opened;
  (void)virtualDisk.InformationLines();
  (void)virtualDisk.overHeadText();

  std::vector<uint8_t> buffer(64 * 512);
  const uint64_t capacity = virtualDisk.capacity();
  const uint64_t starts[] = {0, 5, capacity / 2, capacity > 3 ? capacity - 3 : 0, capacity, capacity + 100,
                             UINT64_MAX - 8};
  for (uint64_t start : starts) {
    std::memset(buffer.data(), 0, buffer.size());
    virtualDisk.Read(start, buffer.size(), buffer.data());
  }
  // A second open of the same object rebuilds it.
  virtualDisk.Open(disk);
  virtualDisk.Read(1, 512, buffer.data());
  return 0;
}
