// Builds NTFS file records byte by byte for the decoder tests: a header, resident
// and non-resident attributes laid one after another, the end marker, and the
// update sequence applied as NTFS writes it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vantor::test {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void Put64(Bytes& b, size_t at, uint64_t v) {
  for (int i = 0; i < 8; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// The value of a file-name attribute; the parent's reference carries the
// sequence number `parentSequence`.
inline Bytes FileNameBytes(uint32_t parent, uint8_t nameSpace, const std::u16string& name,
                           uint16_t parentSequence = 1) {
  Bytes v(66 + 2 * name.size(), 0);
  Put64(v, 0, parent | (uint64_t{parentSequence} << 48));
  v[64] = static_cast<uint8_t>(name.size());
  v[65] = nameSpace;
  for (size_t i = 0; i < name.size(); ++i) Put16(v, 66 + 2 * i, name[i]);
  return v;
}

// The value of a standard information attribute.
inline Bytes StandardInfoBytes(uint64_t created, uint64_t modified, uint64_t accessed) {
  Bytes v(72, 0);
  Put64(v, 0, created);
  Put64(v, 8, modified);
  Put64(v, 16, modified);
  Put64(v, 24, accessed);
  return v;
}

// One attribute-list entry naming `record` for an attribute of `type`.
inline Bytes ListEntry(uint32_t type, uint32_t record, const std::u16string& name = {}) {
  Bytes e((26 + 2 * name.size() + 7) / 8 * 8, 0);
  Put32(e, 0, type);
  Put16(e, 4, static_cast<uint16_t>(e.size()));
  e[6] = static_cast<uint8_t>(name.size());
  e[7] = 26;
  Put64(e, 16, record);
  for (size_t i = 0; i < name.size(); ++i) Put16(e, 26 + 2 * i, name[i]);
  return e;
}

class RecordBuilder {
 public:
  // A record of `size` bytes (1024 on most volumes, up to 4096): the update
  // sequence array at 48 has one entry per sector, then the first attribute.
  explicit RecordBuilder(uint8_t flags, uint32_t number = 0, size_t size = 1024) : bytes_(size, 0) {
    const size_t sectors = size / 512;
    std::memcpy(bytes_.data(), "FILE", 4);
    Put16(bytes_, 4, 48);  // update sequence array
    Put16(bytes_, 6, static_cast<uint16_t>(sectors + 1));
    next_ = (48 + 2 * (sectors + 1) + 7) / 8 * 8;
    Put16(bytes_, 20, static_cast<uint16_t>(next_));  // first attribute
    bytes_[22] = flags;
    Put32(bytes_, 28, static_cast<uint32_t>(size));
    Put32(bytes_, 44, number);
  }

  // A resident attribute; returns its offset.
  size_t Resident(uint32_t type, const Bytes& value, const std::u16string& name = {}) {
    size_t valueOffset = (24 + 2 * name.size() + 7) / 8 * 8;
    size_t length = (valueOffset + value.size() + 7) / 8 * 8;
    size_t at = Header(type, length, 0, name, 24);
    Put32(bytes_, at + 16, static_cast<uint32_t>(value.size()));
    Put16(bytes_, at + 20, static_cast<uint16_t>(valueOffset));
    Copy(at + valueOffset, value);
    return at;
  }

  // A non-resident attribute with the given run list; returns its offset.
  size_t NonResident(uint32_t type, const Bytes& runs, uint64_t realSize, const std::u16string& name = {}) {
    size_t runOffset = (64 + 2 * name.size() + 7) / 8 * 8;
    size_t length = (runOffset + runs.size() + 1 + 7) / 8 * 8;
    size_t at = Header(type, length, 1, name, 64);
    Put16(bytes_, at + 32, static_cast<uint16_t>(runOffset));
    Put64(bytes_, at + 40, realSize);
    Put64(bytes_, at + 48, realSize);
    Put64(bytes_, at + 56, realSize);
    Copy(at + runOffset, runs);
    return at;
  }

  // Raw bytes at the current end (for damaged attributes); returns their offset.
  size_t Raw(const Bytes& raw) {
    size_t at = next_;
    Copy(at, raw);
    next_ += raw.size();
    return at;
  }

  // Marks the record as an extension of record `base`.
  void ExtensionOf(uint32_t base) { Put64(bytes_, 32, base | (uint64_t{1} << 48)); }

  size_t next() const { return next_; }
  Bytes& bytes() { return bytes_; }

  // The finished record as written to disk: end marker, then the update
  // sequence (sequence number 0x0101 at every sector end).
  Bytes Build() {
    Bytes out = bytes_;
    if (next_ + 8 <= out.size()) Put32(out, next_, 0xFFFFFFFF);
    Put16(out, 24, static_cast<uint16_t>(next_ + 8));
    Put16(out, 48, 0x0101);
    for (size_t s = 0; s < out.size() / 512; ++s) {
      out[50 + 2 * s] = out[510 + 512 * s];
      out[51 + 2 * s] = out[511 + 512 * s];
      Put16(out, 510 + 512 * s, 0x0101);
    }
    return out;
  }

 private:
  size_t Header(uint32_t type, size_t length, uint8_t nonResident, const std::u16string& name, size_t nameAt) {
    size_t at = next_;
    Put32(bytes_, at, type);
    Put32(bytes_, at + 4, static_cast<uint32_t>(length));
    bytes_[at + 8] = nonResident;
    bytes_[at + 9] = static_cast<uint8_t>(name.size());
    Put16(bytes_, at + 10, static_cast<uint16_t>(nameAt));
    for (size_t i = 0; i < name.size(); ++i) Put16(bytes_, at + nameAt + 2 * i, name[i]);
    next_ += length;
    return at;
  }

  // Copies as much of `part` as fits before the record's end.
  void Copy(size_t at, const Bytes& part) {
    if (at < bytes_.size()) std::memcpy(bytes_.data() + at, part.data(), std::min(part.size(), bytes_.size() - at));
  }

  Bytes bytes_;
  size_t next_;
};

}  // namespace vantor::test
