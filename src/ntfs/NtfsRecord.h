// The fixed facts of NTFS file records and attribute headers that every decoder
// of this folder shares.
//
// A file record is 1024 bytes on most volumes and up to 4096 on others: the boot
// sector says (clusters per record at +64, or 2^n bytes). Its header gives the
// offset of the first attribute (+20), the flags (+22: 0x01 in use, 0x02
// directory) and, for an extension record, the record it extends (+32). Each attribute starts with its type (+0) and total length (+4);
// type 0 or 0xFFFFFFFF ends the list. The resident/non-resident byte is at +8 and
// the name length (UTF-16 characters) at +9. A resident value is described by its
// length (+16) and offset (+20); a non-resident attribute by the offset of its run
// list (+32) and its real size (+48). Decoders read through a ByteView of the
// record, so no field is ever read past the record's end.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ByteView.h"

namespace vantor {

inline constexpr size_t kMaxMftRecordBytes = 4096;
inline constexpr uint32_t kUsualMftRecordSectors = 2;  // 1024 bytes
inline constexpr uint32_t kNtfsRootRecord = 5;
// $BadClus, whose stream $Bad is as large as the volume and sparse but for the
// bad clusters: a map, never anyone's data, so never listed.
inline constexpr uint32_t kBadClustersRecord = 8;

// The record size the boot values give, in sectors; the usual size for a value
// the boot probe would not have accepted (a volume without boot values).
inline uint32_t MftRecordSectorsOf(uint32_t fromBoot) {
  return fromBoot >= 2 && fromBoot <= kMaxMftRecordBytes / 512 ? fromBoot : kUsualMftRecordSectors;
}

// The bounds the decoders walk a record by, from its own size: its length (1024
// on the usual record), its last byte (1023) and the byte before (1022).
inline size_t RecordEnd(ByteView record) { return record.size(); }
inline size_t LastByte(ByteView record) { return record.size() > 1 ? record.size() - 1 : 0; }
inline size_t LastButOneByte(ByteView record) { return record.size() > 2 ? record.size() - 2 : 0; }

enum AttributeType : uint32_t {
  kStandardInformation = 0x10,
  kAttributeList = 0x20,
  kFileNameAttribute = 0x30,
  kDataAttribute = 0x80,
  kIndexRoot = 0x90,
  kIndexAllocation = 0xA0,
};

// The record-header flags: in use (0x01) and a folder (0x02, a record with a
// file-name index; $Extend's folders of other indexes carry 0x04 or 0x08 beside).
inline constexpr uint8_t kRecordInUse = 0x01;
inline constexpr uint8_t kRecordIsFolder = 0x02;

// The fields of one attribute header at `offset` of a record.
struct AttributeHeader {
  size_t offset = 0;
  uint32_t type = 0;
  uint32_t length = 0;
  bool nonResident = false;
  uint8_t nameLength = 0;

  bool endsWalk() const { return type == 0 || type == 0xFFFFFFFF; }
  bool resident() const { return !nonResident; }
  bool unnamed() const { return nameLength == 0; }
};

inline AttributeHeader AttributeAt(ByteView record, size_t offset) {
  AttributeHeader header;
  header.offset = offset;
  header.type = record.le32(offset);
  header.length = record.le32(offset + 4);
  header.nonResident = record.u8(offset + 8) != 0;
  header.nameLength = record.u8(offset + 9);
  return header;
}

// The one walk over a record's attributes, from the one at `first`: while
// inside(offset) holds, the attribute there is read and visit(header) called;
// the walk ends at an end type, when visit returns false, and at a length of 0 or
// one that step(header) refuses. Each decoder gives its own bounds (they differ
// by a byte or two between decoders, as the engine has always walked them).
template <typename Inside, typename Step, typename Visit>
void WalkAttributes(ByteView record, size_t first, Inside inside, Step step, Visit visit) {
  for (size_t offset = first; inside(offset);) {
    AttributeHeader attribute = AttributeAt(record, offset);
    if (attribute.endsWalk() || !visit(attribute) || attribute.length == 0 || !step(attribute)) return;
    offset += attribute.length;
  }
}

// Calls visit(header) for each attribute from the first on while it returns true,
// staying inside the record.
template <typename Visit>
void ForEachAttribute(ByteView record, Visit visit) {
  WalkAttributes(
      record, record.le16(20), [&](size_t offset) { return offset < RecordEnd(record); },
      [](const AttributeHeader&) { return true; },
      [&](const AttributeHeader& attribute) { return attribute.length != 0 && visit(attribute); });
}

inline bool IsFileRecord(ByteView record) { return record.matches(0, "FILE"); }
inline size_t FirstAttributeOffset(ByteView record) { return record.le16(20); }
inline uint8_t RecordFlags(ByteView record) { return record.u8(22); }
// The record's sequence number (+16), raised each time the record is freed.
inline uint16_t RecordSequence(ByteView record) { return record.le16(16); }

// Whether a name that refers to its folder's record with sequence `expected`
// was written in another folder than the one that record holds now (sequence
// `now`; 0 when either is unknown). A folder deleted with its children may
// stand one above their references.
inline bool FolderRecordReused(uint16_t expected, uint16_t now, bool folderDeleted) {
  if (expected == 0 || now == 0 || now == expected) return false;
  return !(folderDeleted && now == static_cast<uint16_t>(expected + 1));
}
// The number a record states itself: NTFS 3.1 keeps it at +44, after an update
// sequence array that then starts at +48; 0 when the record states none.
inline uint32_t StatedRecordNumber(ByteView record) { return record.le16(4) >= 48 ? record.le32(44) : 0; }
// The base record of an extension record (+32, low 32 bits); 0 for a base record.
inline uint32_t BaseRecordNumber(ByteView record) { return record.le32(32); }

// A name $I30 (the file-name index of a folder): length 4 and the low bytes of
// its four UTF-16 characters '$', 'I', '3', '0'.
inline bool IsI30Name(ByteView record, uint8_t nameLength, size_t nameOffset) {
  return nameLength == 4 && record.u8(nameOffset) == '$' && record.u8(nameOffset + 2) == 'I' &&
         record.u8(nameOffset + 4) == '3' && record.u8(nameOffset + 6) == '0';
}

}  // namespace vantor
