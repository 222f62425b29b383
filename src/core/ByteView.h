// A read-only window on bytes that came from a disk or a file.
//
// Everything this program parses is untrusted: a damaged disk can put any value in
// any field. Every read goes through this view, which checks the offset against the
// end of the window and gives 0 for anything outside it, so a parser can never read
// past its buffer whatever the bytes say. Callers that must tell "absent" from "0"
// ask `has` first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vantor {

class ByteView {
 public:
  ByteView() = default;
  ByteView(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  ByteView(const char* data, size_t size)
      : data_(reinterpret_cast<const uint8_t*>(data)), size_(size) {}

  size_t size() const { return size_; }
  const uint8_t* data() const { return data_; }

  // True when `count` bytes from `offset` lie inside the view (no overflow).
  bool has(size_t offset, size_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }

  uint8_t u8(size_t offset) const { return has(offset, 1) ? data_[offset] : 0; }
  uint16_t le16(size_t offset) const { return static_cast<uint16_t>(le(offset, 2)); }
  uint32_t le32(size_t offset) const { return static_cast<uint32_t>(le(offset, 4)); }
  uint64_t le64(size_t offset) const { return le(offset, 8); }
  // Little-endian unsigned value of 1 to 8 bytes; 0 when it does not fit.
  uint64_t le(size_t offset, size_t width) const {
    if (width == 0 || width > 8 || !has(offset, width)) return 0;
    uint64_t value = 0;
    for (size_t i = width; i-- > 0;) value = (value << 8) | data_[offset + i];
    return value;
  }

  // The part from `offset` of at most `count` bytes, clipped to the view.
  ByteView sub(size_t offset, size_t count = SIZE_MAX) const {
    if (offset >= size_) return {};
    size_t rest = size_ - offset;
    return ByteView(data_ + offset, count < rest ? count : rest);
  }

  // True when the bytes at `offset` equal `text` (without its terminator).
  bool matches(size_t offset, const char* text) const {
    for (size_t i = 0; text[i] != 0; ++i)
      if (!has(offset + i, 1) || data_[offset + i] != static_cast<uint8_t>(text[i])) return false;
    return true;
  }
  // The same for a pattern that may hold zero bytes.
  bool matches(size_t offset, std::string_view bytes) const {
    return has(offset, bytes.size()) && (bytes.empty() || std::memcmp(data_ + offset, bytes.data(), bytes.size()) == 0);
  }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace vantor
