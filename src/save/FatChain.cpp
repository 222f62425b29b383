#include "save/FatChain.h"

#include <array>

#include "core/ByteView.h"
#include "core/Sector.h"
#include "core/Session.h"
#include "disk/SectorSource.h"

namespace vantor {
namespace {

enum class FatWidth { k12, k16, k32, kNone };

FatWidth WidthOf(const std::u16string& name) {
  if (name == u"FAT12") return FatWidth::k12;
  if (name == u"FAT16") return FatWidth::k16;
  if (name == u"FAT32") return FatWidth::k32;
  return FatWidth::kNone;
}

// The last FAT sectors read (two for FAT12, whose entries can straddle a sector).
class FatWindow {
 public:
  FatWindow(Session& session, uint32_t sectors) : session_(session), sectors_(sectors) {}
  ByteView At(uint64_t sector) {
    if (sector != first_) {
      ReadCurrentSectors(session_, sector, sectors_, bytes_.data());
      first_ = sector;
    }
    return ByteView(bytes_.data(), static_cast<size_t>(sectors_) * kSectorSize);
  }

 private:
  Session& session_;
  uint32_t sectors_;
  uint64_t first_ = UINT64_MAX;
  std::array<uint8_t, 2 * kSectorSize> bytes_{};
};

// The entry of cluster n, and whether it names a next cluster: a value from 2 up
// to the first reserved value of the width. End marks of every kind (0xFF8 to
// 0xFFF, 0xFFF8 to 0xFFFF, 0x0FFFFFF8 up), the bad-cluster mark, 0 and 1 end the
// chain; none of them is a cluster that could be read.
bool NextCluster(FatWidth width, FatWindow& window, uint64_t fatStart, uint32_t n, uint32_t& next) {
  if (width == FatWidth::k12) {
    uint64_t byte = static_cast<uint64_t>(n) * 3 / 2;
    uint16_t value = window.At(fatStart + byte / kSectorSize).le16(byte % kSectorSize);
    next = (n & 1) != 0 ? value >> 4 : value & 0x0FFF;
    return next >= 2 && next < 0xFF7;
  }
  if (width == FatWidth::k16) {
    next = window.At(fatStart + n / 256).le16((n % 256) * 2);
    return next >= 2 && next < 0xFFF7;
  }
  next = window.At(fatStart + n / 128).le32((n % 128) * 4);
  return next >= 2 && next < 0x0FFFFFF7;
}

}  // namespace

std::vector<uint32_t> BuildFatChain(Session& session, uint32_t start, uint64_t fatStart, uint64_t count) {
  std::vector<uint32_t> list = {start};
  FatWidth width = WidthOf(session.state.fileSystemName);
  if (width == FatWidth::kNone || (width != FatWidth::k12 && count == 0)) return list;
  if (width == FatWidth::k16 && fatStart == 0) return list;
  FatWindow window(session, width == FatWidth::k12 ? 2 : 1);
  uint32_t next = 0;
  while (list.size() <= count && NextCluster(width, window, fatStart, list.back(), next)) list.push_back(next);
  return list;
}

}  // namespace vantor
