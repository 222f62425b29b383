// vantor info SOURCE: the information lines that Step 1 shows for a virtual
// disk; for a disk image or a device, what it is and its size.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "cli/Commands.h"
#include "cli/Usage.h"
#include "disk/DeviceEnumeration.h"
#include "disk/SectorReader.h"
#include "disk/SourceSelection.h"
#include "disk/VirtualDisk.h"
#include "partition/PartitionTable.h"
#include "platform/RawDevice.h"
#include "platform/Utf.h"
#include "session/Session.h"

namespace vantor::cli {
namespace {

std::string SizeLine(uint64_t bytes) {
  return "Disk Size  : " + std::to_string(bytes / 1048576) + " MB (" + std::to_string(bytes / 512) + " sectors)";
}

// A block device, an image made by disk imaging (with its pieces), or any other
// file read as a raw disk.
std::vector<std::string> PlainSourceLines(const Session& session, const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && S_ISBLK(info.st_mode)) {
    auto device = OpenFileDevice(path, DeviceAccess::kRead);
    std::string model = "unknown";
    const std::string name = std::filesystem::path(path).filename();
    for (const DiskFacts& disk : ReadBlockDisks())
      if (std::filesystem::path(disk.device).filename() == name && !disk.model.empty()) model = disk.model;
    return {"Source Type  : Device", "Device   : " + path, "Model   : " + model,
            SizeLine(device != nullptr ? device->size() : 0)};
  }
  if (session.state.imageSource == 1) {
    const ImagePieces pieces = FindImagePieces(Utf16ToUtf8(session.state.imageFolder));
    return {"Source Type  : Disk Image (made by disk imaging)", "Pieces   : " + std::to_string(pieces.count),
            SizeLine(pieces.totalBytes)};
  }
  std::error_code error;
  return {"Source Type  : Disk Image File", "File   : " + path, SizeLine(std::filesystem::file_size(path, error))};
}

}  // namespace

int InfoCommand(const Arguments& arguments) {
  const std::string usage = "vantor info SOURCE [--ignore-cid]";
  if (WantsHelp(arguments)) {
    std::cout << "usage: " << usage
              << "\n\nPrints a virtual disk's type, size and geometry; for a disk image or a device, what\n"
                 "it is and its size. A snapshot lists its chain of parent disks.\n"
              << kIgnoreCidHelp;
    return kExitOk;
  }
  Arguments args = arguments;
  const bool ignoreCid = TakeFlag(args, "--ignore-cid");
  if (std::string problem = UnknownOption(args); !problem.empty()) return UsageError(usage, problem);
  if (args.size() != 1) return UsageError(usage, "info takes exactly one SOURCE");
  Session session;
  session.reader.virtualDisk.setIgnoreParentCid(ignoreCid);
  SourceChoice choice = ChooseSource(session, args[0]);
  if (!choice.ok) return Failure(choice.message);
  if (!choice.message.empty()) std::cout << "Note   : " << choice.message << "\n";
  if (session.state.vmValid != 1) {
    for (const auto& line : PlainSourceLines(session, args[0])) std::cout << line << "\n";
    std::cout << "Partition Scheme   : " << PartitionScheme(session) << "\n";
    return kExitOk;
  }
  for (const auto& line : session.reader.virtualDisk.InformationLines()) std::cout << line << "\n";
  const VirtualDiskDamage& damage = session.reader.virtualDisk.Damage();
  if (damage.sectorsBeyondFiles > 0)
    std::cout << "\nBeyond Its Files   : " << damage.sectorsBeyondFiles << " sectors read as zeros\n";
  for (const auto& file : damage.missingFiles) std::cout << "Missing Extent   : " << file << "\n";
  const std::vector<std::string>& missing = damage.missingFiles;
  for (const VirtualDiskExtent& extent : session.reader.virtualDisk.extents()) {
    const bool absent = std::find(missing.begin(), missing.end(), extent.path) != missing.end();
    std::cout << "Extent   : " << extent.fileName << " (" << extent.sizeText << " sectors)" << (absent ? " [missing]" : "")
              << "\n";
  }
  const std::vector<std::string> chain = session.reader.virtualDisk.chain();
  for (size_t i = 1; i < chain.size(); ++i) std::cout << "Parent Disk   : " << chain[i] << "\n";
  std::cout << "Partition Scheme   : " << PartitionScheme(session) << "\n";
  return kExitOk;
}

}  // namespace vantor::cli
