// FAT directory entries: the 32-byte short entry, the long-name entries that
// precede it, and the filter that both FAT scans apply to every entry.
//
// Short entry: name 0..7, extension 8..10 (space padded), attributes 11 (0x0F a
// long-name entry, 0x10 a directory), creation time in 10 ms (13, 0-199, within
// the DOS time's two seconds), creation time/date 14/16, access date 18,
// first cluster high word 20, write time/date 22/24, low word 26, size 28.
// Byte 0 is 0x00 at the end of a directory and 0xE5 for a deleted entry. Windows
// keeps an all-lower-case name part without a long name: the part is stored in
// upper case and byte 12 says which to show in lower case (0x08 the name, 0x10
// the extension).
// Long-name entries carry 13 UTF-16 units each (at 1, 3, 5, 7, 9, 14, ... 24, 28,
// 30) and stand in reverse order just before their short entry; a name whose
// length is a multiple of 13 has no terminating 0. Byte 0 of a part is its
// sequence number (1 nearest the short entry, 0x40 added on the last part) and
// byte 13 the checksum of the short entry's 11 name bytes. A live entry takes
// only the parts that carry its checksum in sequence; a deleted entry's parts
// lost their sequence numbers (and the short name its first byte), so they are
// taken while their checksums agree with one another.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "catalog/RecoveryCatalog.h"
#include "core/ByteView.h"
#include "core/Sector.h"

namespace vantor {

inline constexpr size_t kDirEntrySize = 32;
inline constexpr unsigned kEntriesPerSector = kSectorSize / kDirEntrySize;

// Fetches the directory sector that precedes `sectorNumber` into `out` and
// replaces `sectorNumber` by that sector's number; false when there is none.
using PreviousSector = std::function<bool(uint64_t& sectorNumber, SectorBytes& out)>;

struct ShortName {
  std::string bytes;    // 8-bit, as on disk
  std::u16string wide;  // each byte widened to one unit
  char deleted = 'n';
};

// The first sector of a directory: "." and ".." entries.
bool IsDirectoryStart(ByteView sector);

// The times of a short entry; the creation time carries its 10 ms count above
// the DOS time's 16 bits (see kFatHundredthsShift).
RecordTimes EntryTimes(ByteView entry);
// A sector that holds directory entries without being a folder's first: every
// entry up to the end mark is a plausible long-name or short entry (a short
// entry's first cluster at most `lastCluster`, its write date and time valid),
// and there is at least one short entry. Text, zeros and random bytes fail.
bool LooksLikeDirectoryEntries(ByteView sector, uint32_t lastCluster);
// The entry's first cluster; the fixed root of FAT12/FAT16 uses the low word only.
uint32_t EntryCluster(ByteView entry, bool lowWordOnly);
ShortName ComposeShortName(ByteView entry);
// False when the name holds a unit from 1 to 31, one of " \ / ? * < > |, or a
// unit from 128 to 255 (a high byte of an 8-bit short name).
bool IsValidName(std::u16string_view name);
// As IsValidName, but for UTF-16 long names, where units 128 to 255 are the
// Latin-1 letters (é, ü, ñ) of real file names.
bool IsValidLongName(std::u16string_view name);
// The checksum a long-name part carries of short entry `entry`.
uint8_t ShortNameChecksum(ByteView entry);

enum class LongNameFound {
  kNone,
  kFound,
  kNotItsOwn,  // parts precede a live entry, but out of sequence, cut short or of another checksum
};

// The long name of the short entry `entryIndex` of `sector`, assembled from the
// entries before it (going on into earlier sectors through `previous`).
LongNameFound AssembleLongName(ByteView sector, uint64_t sectorNumber, unsigned entryIndex,
                               const PreviousSector& previous, std::u16string& out);
// The name with every unit that IsValidLongName refuses made "_".
std::u16string SafeLongName(std::u16string name);

enum class EntryOutcome {
  kDecoded,
  kEnd,            // byte 0 is 0x00
  kDotEntry,       // "." or ".."
  kLongNameEntry,  // a part of a long name
  kRefusedShortName,
  kNoCluster,      // first cluster 0 on a folder, a label or a file of some bytes
};

struct DecodedEntry {
  std::string shortName;  // empty when a long name replaced it
  // The long name; or the short name with high bytes read through the OEM code
  // page (then a long name too); or the short name widened.
  std::u16string name;
  char deleted = 'n';
  uint32_t firstCluster = 0;
  bool isFolder = false;
  uint32_t size = 0;
  RecordTimes times;
  // Why the name is not the long name as it stands, for the trace; or empty.
  std::string note;
};

// Decodes entry `entryIndex` of `sector`; a short name with bytes from 0x80 and
// no long name is read in OEM code page `codePage`.
EntryOutcome DecodeEntry(ByteView sector, uint64_t sectorNumber, unsigned entryIndex, bool lowWordOnly,
                         const PreviousSector& previous, uint16_t codePage, DecodedEntry& out);

// Why an entry was passed over, for the trace; empty for the routine outcomes.
std::string SkipReason(EntryOutcome outcome);

}  // namespace vantor
