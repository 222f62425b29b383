// The byte stream of a saved search state: little-endian fixed fields and
// counted UTF-16 or 8-bit strings, with no checksum. The writer buffers and
// remembers the first failure; the reader never hands out a value that the file
// did not deliver in full, and checks every count against the bytes left before
// anything is allocated for it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/OutputFolder.h"

namespace vantor {

class StateWriter {
 public:
  explicit StateWriter(OutputFile& file) : file_(file) {}
  ~StateWriter() { Flush(); }
  StateWriter(const StateWriter&) = delete;
  StateWriter& operator=(const StateWriter&) = delete;

  void U8(uint8_t value) { Put(&value, 1); }
  void U16(uint16_t value);
  void U32(uint32_t value);
  void U64(uint64_t value);
  void Zeros(size_t count);
  // A 32-bit count, then the units.
  void LongText(std::u16string_view text);
  // An 8-bit count, then the units (or bytes); the caller keeps them at 255.
  void ShortText(std::u16string_view text);
  void ShortBytes(std::string_view bytes);
  // `text` (ASCII) as UTF-16 with its terminating 0 in a field of `bytes` bytes.
  void FixedText(std::string_view text, size_t bytes);
  // False once a write failed.
  bool Flush();

 private:
  void Put(const void* bytes, size_t count);

  OutputFile& file_;
  std::vector<uint8_t> buffer_;
  bool failed_ = false;
};

class StateReader {
 public:
  // Reads `file`, `length` bytes long, from `offset`.
  StateReader(std::FILE* file, uint64_t length, uint64_t offset);
  StateReader(const StateReader&) = delete;
  StateReader& operator=(const StateReader&) = delete;

  // Each is false, and the reader failed, when the file ends first. The
  // fields of a record are mostly within the buffer: those read in place.
  bool U8(uint8_t& value) { return Field(value); }
  bool U16(uint16_t& value) { return Field(value); }
  bool U32(uint32_t& value) { return Field(value); }
  bool U64(uint64_t& value) { return Field(value); }
  bool Skip(uint64_t count);
  bool LongText(std::u16string& text);
  bool ShortText(std::u16string& text);
  bool ShortBytes(std::string& bytes);
  // A field of `bytes` bytes holding UTF-16 up to its 0, taken as ASCII.
  bool FixedText(std::string& text, size_t bytes);
  // True when `count` entries of at least `entryBytes` each can still follow.
  bool Holds(uint64_t count, uint64_t entryBytes) const;

  uint64_t position() const { return position_; }
  uint64_t length() const { return length_; }
  bool failed() const { return failed_; }

 private:
  bool Take(void* out, size_t count);
  bool Units(std::u16string& text, size_t count);
  template <typename T>
  bool Field(T& value) {
    uint8_t bytes[sizeof(T)];
    const uint8_t* from = bytes;
    if (buffer_.size() - next_ >= sizeof(T)) {
      from = buffer_.data() + next_;
      next_ += sizeof(T);
      position_ += sizeof(T);
    } else if (!Take(bytes, sizeof(T))) {
      return false;
    }
    value = 0;
    for (size_t i = 0; i < sizeof(T); ++i) value = static_cast<T>(value | static_cast<T>(T{from[i]} << (8 * i)));
    return true;
  }

  std::FILE* file_;
  uint64_t length_;
  uint64_t position_;
  std::vector<uint8_t> buffer_;
  size_t next_ = 0;  // in buffer_
  bool failed_ = false;
};

}  // namespace vantor
