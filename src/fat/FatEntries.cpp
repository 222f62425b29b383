#include "fat/FatEntries.h"

#include <string_view>

#include "core/OemCodePage.h"

namespace vantor {
namespace {

constexpr size_t kLongNameUnits[] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
constexpr uint8_t kLongNameAttributes = 0x0F;
constexpr uint8_t kVolumeLabelBit = 0x08;
constexpr uint8_t kDirectoryBit = 0x10;
constexpr uint8_t kDeletedMark = 0xE5;
constexpr uint8_t kLowerCaseName = 0x08;
constexpr uint8_t kLowerCaseExtension = 0x10;

bool LongNameComplete(size_t count) { return count != 0 && count % 13 == 0; }

// A DOS date (years from 1980, month, day) and time (hours, minutes, seconds / 2).
bool ValidDosStamp(uint16_t date, uint16_t time) {
  const unsigned month = (date >> 5) & 0x0F, day = date & 0x1F;
  return month >= 1 && month <= 12 && day >= 1 && (time >> 11) < 24 && ((time >> 5) & 0x3F) < 60 && (time & 0x1F) < 30;
}

// A short entry as a FAT driver writes it: name bytes that a name may hold, no
// attribute bits above 0x20, only the lower-case flags in byte 12, a valid
// write stamp, a first cluster on the volume, and no size on a folder.
bool PlausibleShortEntry(ByteView entry, uint32_t lastCluster) {
  const uint8_t first = entry.u8(0);
  if (first < 0x20 && first != 0x05) return false;
  if (first == '.') return false;
  for (size_t i = 1; i < 11; ++i) {
    const uint8_t byte = entry.u8(i);
    if (byte < 0x20 || std::string_view("\"*+,./:;<=>?[\\]|").find(static_cast<char>(byte)) != std::string_view::npos)
      return false;
  }
  const uint8_t attributes = entry.u8(11);
  if ((attributes & 0xC0) != 0 || (entry.u8(12) & ~(kLowerCaseName | kLowerCaseExtension)) != 0) return false;
  if (!ValidDosStamp(entry.le16(24), entry.le16(22))) return false;
  if (EntryCluster(entry, false) > lastCluster) return false;
  return (attributes & kDirectoryBit) == 0 || entry.le32(28) == 0;
}

// A long-name part: a sequence number of 1 to 20 (0x40 on the last part), or
// the deleted mark, and no cluster.
bool PlausibleLongNameEntry(ByteView entry) {
  const uint8_t first = entry.u8(0);
  const uint8_t sequence = first & 0x3F;
  return (first == kDeletedMark || ((first & 0x80) == 0 && sequence >= 1 && sequence <= 20)) && entry.le16(26) == 0;
}

}  // namespace

bool IsDirectoryStart(ByteView sector) {
  return sector.matches(0, ". ") && sector.matches(32, ".. ");
}

bool LooksLikeDirectoryEntries(ByteView sector, uint32_t lastCluster) {
  bool shortEntry = false;
  for (unsigned e = 0; e < kEntriesPerSector; ++e) {
    const ByteView entry = sector.sub(e * kDirEntrySize, kDirEntrySize);
    if (entry.size() < kDirEntrySize) return false;
    if (entry.u8(0) == 0) return shortEntry;
    if (entry.u8(11) == kLongNameAttributes) {
      if (!PlausibleLongNameEntry(entry)) return false;
    } else if (PlausibleShortEntry(entry, lastCluster)) {
      shortEntry = true;
    } else {
      return false;
    }
  }
  return shortEntry;
}

uint32_t EntryCluster(ByteView entry, bool lowWordOnly) {
  uint32_t low = entry.le16(26);
  return lowWordOnly ? low : (static_cast<uint32_t>(entry.le16(20)) << 16) | low;
}

ShortName ComposeShortName(ByteView entry) {
  ShortName name;
  const auto append = [&](uint8_t byte, bool lower) {
    if (lower && byte >= 'A' && byte <= 'Z') byte = static_cast<uint8_t>(byte - 'A' + 'a');
    name.bytes += static_cast<char>(byte);
    name.wide += static_cast<char16_t>(byte);
  };
  const bool lowerName = (entry.u8(12) & kLowerCaseName) != 0;
  const bool lowerExtension = (entry.u8(12) & kLowerCaseExtension) != 0;
  for (size_t i = 0; i < 8; ++i)
    if (entry.u8(i) != ' ') append(entry.u8(i), lowerName);
  if (entry.u8(8) != ' ') {
    append('.', false);
    append(entry.u8(8), lowerExtension);
  }
  for (size_t i = 9; i < 11; ++i)
    if (entry.u8(i) != ' ') append(entry.u8(i), lowerExtension);
  if (!name.bytes.empty() && static_cast<uint8_t>(name.bytes[0]) == kDeletedMark) {
    name.deleted = 'y';
    name.bytes[0] = '_';
    name.wide[0] = u'_';
  }
  return name;
}

namespace {

// The case flags of byte 12 applied to the letters beyond ASCII of a short
// name read through the code page (the ASCII ones were lowered on the way in).
void LowerCaseByFlags(ByteView entry, std::u16string& name) {
  const size_t dot = name.find(u'.');
  for (size_t i = 0; i < name.size(); ++i) {
    const bool inExtension = dot != std::u16string::npos && i > dot;
    if ((entry.u8(12) & (inExtension ? kLowerCaseExtension : kLowerCaseName)) != 0) name[i] = OemLowerCase(name[i]);
  }
}

bool HoldsNoRefusedUnit(std::u16string_view name, bool latin1Letters) {
  for (char16_t unit : name) {
    if ((unit >= 1 && unit <= 31) || (!latin1Letters && unit >= 128 && unit <= 255)) return false;
    switch (unit) {
      case u'"': case u'\\': case u'/': case u'?': case u'*': case u'<': case u'>': case u'|': return false;
      default: break;
    }
  }
  return true;
}

}  // namespace

bool IsValidName(std::u16string_view name) { return HoldsNoRefusedUnit(name, false); }

bool IsValidLongName(std::u16string_view name) { return HoldsNoRefusedUnit(name, true); }

uint8_t ShortNameChecksum(ByteView entry) {
  uint8_t sum = 0;
  for (size_t i = 0; i < 11; ++i) sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + entry.u8(i));
  return sum;
}

LongNameFound AssembleLongName(ByteView sector, uint64_t sectorNumber, unsigned entryIndex,
                               const PreviousSector& previous, std::u16string& out) {
  out.clear();
  const ByteView shortEntry = sector.sub(static_cast<size_t>(entryIndex) * kDirEntrySize, kDirEntrySize);
  const bool live = shortEntry.u8(0) != kDeletedMark;
  const uint8_t checksum = ShortNameChecksum(shortEntry);
  // A deleted name's parts lost their sequence numbers and its short entry its
  // first byte, so only their checksums are compared, with one another.
  int partChecksum = -1;
  // How a run of parts that is not the whole name of a live entry ends: it was
  // cut (a cluster nobody knows came before it), or it belongs to another entry.
  const auto unfinished = [&] {
    if (live) return out.empty() ? LongNameFound::kNone : LongNameFound::kNotItsOwn;
    return LongNameComplete(out.size()) ? LongNameFound::kFound : LongNameFound::kNone;
  };
  SectorBytes earlier{};
  ByteView current = sector;
  size_t offset = static_cast<size_t>(entryIndex) * kDirEntrySize;
  for (unsigned part = 1;; ++part) {
    if (offset == 0) {
      if (!previous || !previous(sectorNumber, earlier)) return unfinished();
      current = ByteView(earlier.data(), earlier.size());
      offset = kSectorSize;
    }
    offset -= kDirEntrySize;
    const ByteView entry = current.sub(offset, kDirEntrySize);
    if (entry.u8(11) != kLongNameAttributes) return unfinished();
    const uint8_t first = entry.u8(0);
    if (live && ((first & 0xBF) != part || entry.u8(13) != checksum)) return LongNameFound::kNotItsOwn;
    if (!live && partChecksum >= 0 && entry.u8(13) != partChecksum) return unfinished();
    partChecksum = entry.u8(13);
    bool ended = false;
    for (size_t at : kLongNameUnits) {
      const char16_t unit = entry.le16(at);
      if (unit == 0) {
        ended = true;
        break;
      }
      out += unit;
    }
    const bool last = live ? (first & 0x40) != 0 : ended;
    if (live && ended && !last) return LongNameFound::kNotItsOwn;
    if (last || out.size() > 255) return LongNameFound::kFound;
  }
}

std::u16string SafeLongName(std::u16string name) {
  for (char16_t& unit : name)
    if (!HoldsNoRefusedUnit(std::u16string_view(&unit, 1), true)) unit = u'_';
  return name;
}

EntryOutcome DecodeEntry(ByteView sector, uint64_t sectorNumber, unsigned entryIndex, bool lowWordOnly,
                         const PreviousSector& previous, uint16_t codePage, DecodedEntry& out) {
  ByteView entry = sector.sub(static_cast<size_t>(entryIndex) * kDirEntrySize, kDirEntrySize);
  if (entry.u8(0) == 0x00) return EntryOutcome::kEnd;
  if (entry.u8(0) == '.' && entry.u8(3) == ' ') return EntryOutcome::kDotEntry;
  if (entry.u8(11) == kLongNameAttributes) return EntryOutcome::kLongNameEntry;
  ShortName shortName = ComposeShortName(entry);
  out.shortName = std::move(shortName.bytes);
  out.name = std::move(shortName.wide);
  // A short name whose only fault is a high OEM byte (Windows keeps "CAFÉ.TXT"
  // with É as 0x90 of code page 850) stands for itself through the code page
  // when no long name replaces it.
  const bool shortValid = IsValidName(out.name);
  if (!shortValid && !IsValidLongName(out.name)) return EntryOutcome::kRefusedShortName;
  out.firstCluster = EntryCluster(entry, lowWordOnly);
  // A file of no bytes owns no cluster; a folder always owns one, and a volume
  // label is no file.
  const bool emptyFile = (entry.u8(11) & (kDirectoryBit | kVolumeLabelBit)) == 0 && entry.le32(28) == 0;
  if (out.firstCluster == 0 && !emptyFile) return EntryOutcome::kNoCluster;
  std::u16string longName;
  const LongNameFound found = AssembleLongName(sector, sectorNumber, entryIndex, previous, longName);
  if (found == LongNameFound::kFound) {
    if (!IsValidLongName(longName)) out.note = "its long name holds characters no name may hold: they became _";
    out.name = SafeLongName(std::move(longName));
    out.shortName.clear();
  } else {
    if (found == LongNameFound::kNotItsOwn)
      out.note = "the long-name entries before it are not its own (sequence or checksum): its short name is used";
    if (!shortValid) {
      out.name = OemToUtf16(out.shortName, codePage);
      out.shortName.clear();
      LowerCaseByFlags(entry, out.name);
    }
  }
  out.deleted = shortName.deleted;
  out.isFolder = (entry.u8(11) & kDirectoryBit) != 0;
  out.size = entry.le32(28);
  out.times = EntryTimes(entry);
  return EntryOutcome::kDecoded;
}

RecordTimes EntryTimes(ByteView entry) {
  constexpr uint8_t kMaxHundredths = 199;
  const uint32_t hundredths = std::min(entry.u8(13), kMaxHundredths);
  return {.modified = {entry.le16(24), entry.le16(22)},
          .created = {entry.le16(16), entry.le16(14) | hundredths << kFatHundredthsShift},
          .accessed = {entry.le16(18), 0}};
}

std::string SkipReason(EntryOutcome outcome) {
  switch (outcome) {
    case EntryOutcome::kRefusedShortName: return "its short name holds a refused character";
    case EntryOutcome::kNoCluster: return "it has no first cluster (a folder, a label, or a file with bytes)";
    default: return {};
  }
}

}  // namespace vantor
