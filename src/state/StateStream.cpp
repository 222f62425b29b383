#include "state/StateStream.h"

#include <algorithm>
#include <cstring>

namespace vantor {
namespace {

constexpr size_t kBufferBytes = 64 * 1024;

template <typename T>
void Little(T value, uint8_t* out) {
  for (size_t i = 0; i < sizeof(T); ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

void StateWriter::Put(const void* bytes, size_t count) {
  const auto* from = static_cast<const uint8_t*>(bytes);
  buffer_.insert(buffer_.end(), from, from + count);
  if (buffer_.size() >= kBufferBytes) Flush();
}

void StateWriter::U16(uint16_t value) {
  uint8_t bytes[2];
  Little(value, bytes);
  Put(bytes, sizeof bytes);
}

void StateWriter::U32(uint32_t value) {
  uint8_t bytes[4];
  Little(value, bytes);
  Put(bytes, sizeof bytes);
}

void StateWriter::U64(uint64_t value) {
  uint8_t bytes[8];
  Little(value, bytes);
  Put(bytes, sizeof bytes);
}

void StateWriter::Zeros(size_t count) { buffer_.insert(buffer_.end(), count, 0); }

void StateWriter::LongText(std::u16string_view text) {
  U32(static_cast<uint32_t>(text.size()));
  for (char16_t unit : text) U16(unit);
}

void StateWriter::ShortText(std::u16string_view text) {
  U8(static_cast<uint8_t>(text.size()));
  for (char16_t unit : text) U16(unit);
}

void StateWriter::ShortBytes(std::string_view bytes) {
  U8(static_cast<uint8_t>(bytes.size()));
  Put(bytes.data(), bytes.size());
}

void StateWriter::FixedText(std::string_view text, size_t bytes) {
  const size_t units = std::min(text.size(), bytes / 2 - 1);
  for (size_t i = 0; i < units; ++i) U16(static_cast<uint8_t>(text[i]));
  Zeros(bytes - units * 2);
}

bool StateWriter::Flush() {
  if (!buffer_.empty() && !failed_ && !file_.write(buffer_.data(), buffer_.size())) failed_ = true;
  buffer_.clear();
  return !failed_;
}

StateReader::StateReader(std::FILE* file, uint64_t length, uint64_t offset)
    : file_(file), length_(length), position_(offset) {
  if (offset > length || std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) failed_ = true;
}

bool StateReader::Take(void* out, size_t count) {
  if (failed_) return false;
  auto* to = static_cast<uint8_t*>(out);
  while (count > 0) {
    if (next_ == buffer_.size()) {
      buffer_.resize(kBufferBytes);
      const size_t got = std::fread(buffer_.data(), 1, buffer_.size(), file_);
      buffer_.resize(got);
      next_ = 0;
      if (got == 0) {
        failed_ = true;
        return false;
      }
    }
    const size_t part = std::min(count, buffer_.size() - next_);
    std::memcpy(to, buffer_.data() + next_, part);
    next_ += part;
    to += part;
    count -= part;
    position_ += part;
  }
  return true;
}

bool StateReader::Skip(uint64_t count) {
  uint8_t scratch[256];
  while (count > 0) {
    const size_t part = static_cast<size_t>(std::min<uint64_t>(count, sizeof scratch));
    if (!Take(scratch, part)) return false;
    count -= part;
  }
  return true;
}

bool StateReader::Holds(uint64_t count, uint64_t entryBytes) const {
  const uint64_t left = length_ - std::min(length_, position_);
  return !failed_ && (entryBytes == 0 || count <= left / entryBytes);
}

bool StateReader::LongText(std::u16string& text) {
  uint32_t count = 0;
  if (!U32(count)) return false;
  if (!Holds(count, 2)) {
    failed_ = true;
    return false;
  }
  return Units(text, count);
}

bool StateReader::ShortText(std::u16string& text) {
  uint8_t count = 0;
  return U8(count) && Units(text, count);
}

bool StateReader::Units(std::u16string& text, size_t count) {
  text.resize(count);
  uint8_t bytes[512];
  for (size_t done = 0; done < count;) {
    const size_t part = std::min(count - done, sizeof bytes / 2);
    if (!Take(bytes, part * 2)) return false;
    for (size_t i = 0; i < part; ++i) text[done + i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    done += part;
  }
  return true;
}

bool StateReader::ShortBytes(std::string& bytes) {
  uint8_t count = 0;
  if (!U8(count)) return false;
  bytes.resize(count);
  return Take(bytes.data(), count);
}

bool StateReader::FixedText(std::string& text, size_t bytes) {
  text.clear();
  bool ended = false;
  for (size_t i = 0; i < bytes / 2; ++i) {
    uint16_t unit = 0;
    if (!U16(unit)) return false;
    ended = ended || unit == 0;
    if (!ended) text.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
  }
  return true;
}

}  // namespace vantor
