#include "disk/VirtualDisk.h"

namespace vantor {

VirtualDiskOpenResult VirtualDisk::Open(const std::string&) { return {}; }
uint32_t VirtualDisk::Read(uint64_t, uint64_t, uint8_t*) { return 0; }
std::string VirtualDisk::sizeGbText() const { return std::to_string(capacity_ * 512 / (1ULL << 30)); }
std::string VirtualDisk::overHeadText() const { return std::to_string(static_cast<uint32_t>(header_.overHead)); }
std::vector<std::string> VirtualDisk::InformationLines() const { return {}; }

}  // namespace vantor
