#include "ntfs/FileName.h"

#include <algorithm>
#include <array>

#include "ntfs/NtfsRecord.h"

namespace vantor {
namespace {

constexpr size_t kFileNameFixedBytes = 66;

// Copies the name of the file-name value at `value`, as far as it lies inside
// the record, up to its first 0 character.
void CopyName(ByteView record, size_t value, FileNameValue& found) {
  size_t length = record.u8(value + 64);
  size_t start = value + kFileNameFixedBytes;
  found.name.clear();
  for (size_t i = 0; i < length && record.has(start + 2 * i, 2); ++i) {
    char16_t c = static_cast<char16_t>(record.le16(start + 2 * i));
    if (c == 0) break;
    found.name.push_back(c);
  }
  found.parentNumber = record.le32(value);
  found.parentSequence = record.le16(value + 6);
  found.nameSpace = record.u8(value + 65);
}

// The walk limits of the two variants (see the header).
struct NameWalk {
  ByteView record;
  WalkVariant variant;
  size_t endAfter(bool afterFileName) const {
    return variant == WalkVariant::kExhaustiveScan || afterFileName ? RecordEnd(record) : LastByte(record);
  }
  size_t maxLength(bool isFileName) const {
    return variant == WalkVariant::kExhaustiveScan || isFileName ? RecordEnd(record) : LastButOneByte(record);
  }
};

}  // namespace

bool ReadStandardTimes(ByteView record, size_t firstAttributeOffset, StandardTimes& times) {
  bool read = false;
  WalkAttributes(
      record, firstAttributeOffset, [&](size_t offset) { return offset <= LastButOneByte(record); },
      [&](const AttributeHeader& attribute) { return attribute.length <= LastButOneByte(record); },
      [&](const AttributeHeader& attribute) {
        if (attribute.type != kStandardInformation) return true;
        size_t value = attribute.offset + record.le16(attribute.offset + 20);
        if (value > LastButOneByte(record) || !record.has(value, 32)) return false;
        times.creation = record.le64(value);
        times.modification = record.le64(value + 8);
        times.access = record.le64(value + 24);
        read = true;
        return false;
      });
  return read;
}

namespace {

// Calls `visit` with the offset of each unnamed, resident file-name value of the
// record, in record order, until it returns false; the times are read first.
template <typename Visit>
void WalkFileNames(ByteView record, WalkVariant variant, StandardTimes& times, Visit visit) {
  size_t first = FirstAttributeOffset(record);
  ReadStandardTimes(record, first, times);
  const NameWalk walk{record, variant};
  if (variant == WalkVariant::kNormalScan && first >= LastByte(record)) return;
  bool afterFileName = false;
  WalkAttributes(
      record, first, [&](size_t offset) { return offset < walk.endAfter(afterFileName); },
      [&](const AttributeHeader& attribute) {
        const bool isFileName = attribute.type == kFileNameAttribute;
        afterFileName = isFileName;
        return attribute.length <= walk.maxLength(isFileName);
      },
      [&](const AttributeHeader& attribute) {
        if (attribute.type != kFileNameAttribute || !attribute.unnamed() || !attribute.resident()) return true;
        size_t value = attribute.offset + record.le16(attribute.offset + 20);
        if (value > LastByte(record) || !record.has(value, kFileNameFixedBytes)) return true;
        return visit(value);
      });
}

}  // namespace

bool FindFileName(ByteView record, uint8_t nameSpace, WalkVariant variant, FileNameValue& found,
                  StandardTimes& times) {
  bool copied = false;
  WalkFileNames(record, variant, times, [&](size_t value) {
    if (record.u8(value + 65) != nameSpace) return true;
    CopyName(record, value, found);
    copied = true;
    return false;
  });
  return copied;
}

bool PickFileName(ByteView record, WalkVariant variant, FileNameValue& found, StandardTimes& times) {
  // One walk: the first value of each namespace, then the first namespace of
  // the order that has one, as walking once per namespace would give.
  std::array<size_t, 4> firstOf{};
  WalkFileNames(record, variant, times, [&](size_t value) {
    const uint8_t nameSpace = record.u8(value + 65);
    if (nameSpace < firstOf.size() && firstOf[nameSpace] == 0) firstOf[nameSpace] = value;
    return true;
  });
  for (uint8_t nameSpace : kNamespaceOrder) {
    if (firstOf[nameSpace] == 0) continue;
    CopyName(record, firstOf[nameSpace], found);
    return true;
  }
  found.name.clear();
  found.parentNumber = 0;
  return false;
}

void CollectFileNames(ByteView record, WalkVariant variant, std::vector<FileNameValue>& names, StandardTimes& times) {
  WalkFileNames(record, variant, times, [&](size_t value) {
    CopyName(record, value, names.emplace_back());
    return true;
  });
}

std::vector<FileNameValue> NamesToList(const std::vector<FileNameValue>& names) {
  constexpr uint8_t kWin32 = 1;
  constexpr uint8_t kDos = 2;
  std::vector<FileNameValue> listed;
  const auto twinOfLongName = [&](const FileNameValue& name) {
    return name.nameSpace == kDos && std::any_of(names.begin(), names.end(), [&](const FileNameValue& other) {
             return other.nameSpace == kWin32 && other.parentNumber == name.parentNumber;
           });
  };
  const auto add = [&](const FileNameValue& name) {
    const bool known = std::any_of(listed.begin(), listed.end(), [&](const FileNameValue& other) {
      return other.parentNumber == name.parentNumber && other.name == name.name;
    });
    if (!known && !twinOfLongName(name)) listed.push_back(name);
  };
  for (uint8_t nameSpace : kNamespaceOrder) {
    auto first = std::find_if(names.begin(), names.end(), [&](const FileNameValue& n) { return n.nameSpace == nameSpace; });
    if (first == names.end()) continue;
    listed.push_back(*first);
    break;
  }
  for (const FileNameValue& name : names) add(name);
  return listed;
}

}  // namespace vantor
