#include "partition/PartitionRange.h"

#include <charconv>

#include "platform/Utf.h"

namespace vantor {
namespace {

// An unsigned decimal number filling the whole text.
bool ParseSector(const std::string& text, uint64_t& sector) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), sector);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string AcceptPartitionRange(RecoveryState& state, const RangeInput& input) {
  uint64_t start = 0, end = 0;
  if (!ParseSector(input.startText, start)) return "Start sector is not valid.";
  state.startSector = start;
  if (!ParseSector(input.endText, end)) return "End sector is not valid.";
  state.endSector = end;
  if (start >= end) return "End sector should be bigger than start sector.";
  const std::string& name = input.fileSystem;
  if (name == "FAT12" || name == "FAT16" || name == "FAT32" || name == "NTFS") {
    state.fileSystemName = Utf8ToUtf16(name);
  } else {
    const bool anyType = state.mode == RecoveryMode::kRawChosen || state.imaging == 1;
    if (name != "UNKNOWN" || !anyType) return "Select partition type.";
  }
  state.searchPass = 0;
  return {};
}

std::vector<std::string> PartitionRangeLogLines(const RangeInput& input, const std::string& fileSystemName) {
  return {"Partition Range Information : ", "Starting Range : " + input.startText,
          "Ending Range : " + input.endText, "File System : " + fileSystemName};
}

}  // namespace vantor
