#include "disk/ForeignDisks.h"

#include <cstdint>
#include <fstream>

#include "core/ByteView.h"

namespace vantor {

std::string ForeignDiskKind(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  uint8_t head[72] = {};
  in.read(reinterpret_cast<char*>(head), sizeof head);
  const ByteView bytes(head, static_cast<size_t>(in.gcount()));
  if (bytes.matches(0, "<<< ") && bytes.le32(64) == 0xBEDA107F) return "a VirtualBox disk (VDI)";
  if (bytes.matches(0, "vhdxfile")) return "a Hyper-V disk (VHDX)";
  if (bytes.matches(0, "conectix")) return "a Hyper-V or Virtual PC disk (VHD)";
  if (bytes.matches(0, "QFI") && bytes.u8(3) == 0xFB) return "a QEMU disk (qcow2)";
  return {};
}

std::string ForeignDiskMessage(const std::string& path, const std::string& kind) {
  return path + " is " + kind + ", not a VMware disk; convert it with: qemu-img convert -O vmdk '" + path +
         "' converted.vmdk";
}

}  // namespace vantor
