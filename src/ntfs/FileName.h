// Names and times of a file record: the standard information attribute (0x10)
// and the file-name attributes (0x30).
//
// The standard information value holds the creation (+0), modification (+8) and
// access (+24) times, 100-nanosecond units since 1601. A file-name value holds the
// parent folder's reference (+0: record number in the low 48 bits, the record's
// sequence number in the high 16), the name length in characters
// (+64), the namespace (+65: 0 POSIX, 1 Win32, 2 DOS, 3 Win32 and DOS) and the
// UTF-16 name (+66). A record usually has a Win32 name and a DOS 8.3 name; the
// Win32 one is preferred.
//
// The two scans walk the attributes with slightly different limits: the normal
// scan trusts the record less near its end. Both never read past the record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "catalog/RecoveryCatalog.h"
#include "core/ByteView.h"

namespace vantor {

enum class WalkVariant { kNormalScan, kExhaustiveScan };

struct StandardTimes {
  uint64_t creation = 0;
  uint64_t modification = 0;
  uint64_t access = 0;
};

struct FileNameValue {
  std::u16string name;
  uint32_t parentNumber = 0;
  // The sequence number the parent's record had when the name was written (the
  // high 16 bits of the 64-bit reference at +0).
  uint16_t parentSequence = 0;
  uint8_t nameSpace = 0;
};

// The three times as the catalog keeps them: each file time split into its low
// and high half.
inline RecordTimes CatalogTimes(const StandardTimes& times) {
  const auto half = [](uint64_t t) { return RecordTime{static_cast<uint32_t>(t), static_cast<uint32_t>(t >> 32)}; };
  return {half(times.modification), half(times.creation), half(times.access)};
}

// The namespaces in the order they are tried.
inline constexpr uint8_t kNamespaceOrder[] = {1, 3, 0, 2};

// The three times of the first standard information attribute; false (times left
// as they were) when there is none.
bool ReadStandardTimes(ByteView record, size_t firstAttributeOffset, StandardTimes& times);

// The first unnamed, resident file-name attribute of the namespace asked for. The
// times are read first, through ReadStandardTimes. False leaves `found` as it was.
bool FindFileName(ByteView record, uint8_t nameSpace, WalkVariant variant, FileNameValue& found,
                  StandardTimes& times);

// FindFileName with the namespaces 1, 3, 0, 2; the first found wins. Without any,
// the name is empty and the parent 0.
bool PickFileName(ByteView record, WalkVariant variant, FileNameValue& found, StandardTimes& times);

// Appends every unnamed, resident file-name value of the record, in record
// order; the times are read as FindFileName reads them.
void CollectFileNames(ByteView record, WalkVariant variant, std::vector<FileNameValue>& names, StandardTimes& times);

// The names a file is listed under, of all its file-name values: each hard link
// once (the same folder and name), the one the namespace order prefers first,
// the others in the order given; a DOS name is left out where a Win32 name
// stands in the same folder, being its 8.3 twin.
std::vector<FileNameValue> NamesToList(const std::vector<FileNameValue>& names);

}  // namespace vantor
