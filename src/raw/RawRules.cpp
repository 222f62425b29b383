#include "raw/RawRules.h"

#include <algorithm>

namespace vantor {
namespace {

std::string Bytes(std::initializer_list<uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

SignatureEntry At0(const std::string& bytes) { return {.name = {}, .bytes = bytes, .offset = 0}; }
SignatureEntry Anywhere(const std::string& bytes) { return {.name = {}, .bytes = bytes, .offset = -1}; }

}  // namespace

std::vector<FileTypeRule> BuildRules(const std::array<bool, kRawTypeCount>& ticked) {
  std::vector<FileTypeRule> rules(kRawTypeCount);
  for (size_t i = 0; i < kRawTypeCount; ++i) {
    rules[i].name = kRawTypeNames[i];
    rules[i].selected = ticked[i];
  }
  const auto sized = [&](size_t i, std::string header, uint32_t maxSize) {
    rules[i].headers = {At0(header)};
    rules[i].sizeFieldOffset = i == 17 ? -1 : (i == 1 ? 2 : 4);
    rules[i].sizeFieldLength = i == 17 ? 0 : 4;
    rules[i].maxSize = maxSize;
  };
  const auto ended = [&](size_t i, std::vector<std::string> headers, std::vector<std::string> markers,
                         uint32_t limit = kDefaultSearchLimit) {
    for (std::string& h : headers) rules[i].headers.push_back(At0(h));
    for (std::string& m : markers) rules[i].endMarkers.push_back(Anywhere(m));
    rules[i].searchLimit = limit;
  };
  sized(0, "RIFF", 1073741824);
  sized(1, "BM", 104857600);
  sized(2, "RIFF", 104857600);
  ended(3, {"// "}, {Bytes({0x7D, 0x0D, 0x0A, 0x00, 0x00})}, 1000);
  // The compound document: its end markers stand for the four types.
  rules[4].headers = {At0(Bytes({0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}))};
  rules[4].family = true;
  rules[4].endMarkers = {
      {.name = "DOC", .bytes = "Word.Document", .offset = -1, .selected = ticked[4]},
      {.name = "PPT", .bytes = Bytes({0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00, 0x5F, 0xC0, 0x91, 0xE3}), .offset = -1,
       .selected = ticked[13]},
      {.name = "XLS", .bytes = Bytes({0x01, 0, 0, 0, 0x02, 0, 0, 0, 0x03, 0, 0, 0, 0x04}), .offset = -1,
       .selected = ticked[25]},
      {.name = "PMD", .bytes = "DISPLAY", .offset = -1, .selected = ticked[11]}};
  rules[4].selected = ticked[4] || ticked[11] || ticked[13] || ticked[25];
  for (size_t member : {11, 13, 25}) rules[member].selected = false;
  ended(5, {"AC1015"}, {Bytes({0xAC, 0xDB, 0xBF, 0xF6, 0xED, 0xC3, 0x55, 0xFE, 0x00, 0x00})}, 2097152);
  ended(6, {"MIME-"}, {Bytes({0x0D, 0x0A, 0x00, 0x00})});
  ended(7, {"<html>", "\r\n<html>", "<HTML>", "\r\n<HTML>"}, {"</html>", "</HTML>"});
  rules[8].headers = {{.name = {}, .bytes = "JFIF", .offset = 6}};
  rules[8].endMarkers = {Anywhere(Bytes({0xFF, 0xD9}))};
  rules[9].headers = {At0(Bytes({0x00, 0x01, 0x00, 0x00, 'S', 't', 'a', 'n'}))};
  rules[9].pageMarks = {At0(Bytes({0x01}))};
  ended(10, {"%PDF"}, {"%%EOF"});
  ended(12, {Bytes({0x89, 'P', 'N', 'G'})}, {Bytes({'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82})});
  ended(14, {"8BPS"}, {"\xFF" + std::string(15, '\0')});
  ended(15, {"Rar!"}, {Bytes({0x00, 0x40, 0x07, 0x00})});
  ended(16, {"{\\rtf1"}, {std::string(2, '\0')});
  sized(17, "reg", 28672);
  sized(18, "FWS", 104857600);
  ended(19, {Bytes({'I', 'I', 0x2A, 0x00})}, {std::string(16, '\0')});
  ended(20, {Bytes({0, 0, 2, 0, 6, 4, 6, 0})}, {Bytes({0, 1, 0, 0, 0})});
  ended(21, {Bytes({0, 0, 0x1A, 0, 0, 0x10, 4, 0})}, {Bytes({0, 1, 0, 0, 0, 0, 0, 0})});
  ended(22, {Bytes({0, 0, 0x1A, 0, 2, 0x10, 4, 0})}, {Bytes({'W', 'K', '3', 0, 'W', 'K', '3'})});
  ended(23, {Bytes({0, 0, 2, 0, 4, 4, 6, 0})}, {Bytes({0, 1, 0, 0, 0})});
  sized(24, Bytes({0xFF, 'W', 'P', 'C'}), 256000);
  ended(26, {"<?xml"}, {Bytes({0x0D, 0x0A, 0x00, 0x00})});
  ended(27, {"PK"}, {Bytes({'P', 'K', 0x05, 0x06})});
  return rules;
}

HeaderMatch MatchHeader(ByteView sector, const std::vector<FileTypeRule>& rules) {
  return HeaderTable(rules).Match(sector);
}

HeaderTable::HeaderTable(const std::vector<FileTypeRule>& rules) {
  for (size_t i = 0; i < rules.size(); ++i) {
    if (!rules[i].selected) continue;
    for (const SignatureEntry& header : rules[i].headers) {
      const auto offset = static_cast<size_t>(header.offset);
      headers_.push_back({{static_cast<int32_t>(i), rules[i].searchLimit}, offset, header.bytes});
      auto place = std::find_if(firstBytes_.begin(), firstBytes_.end(),
                                [offset](const auto& entry) { return entry.first == offset; });
      if (place == firstBytes_.end()) place = firstBytes_.insert(firstBytes_.end(), {offset, {}});
      place->second[static_cast<uint8_t>(header.bytes[0])] = true;
    }
  }
}

HeaderMatch HeaderTable::Match(ByteView sector) const {
  const bool maybe = std::any_of(firstBytes_.begin(), firstBytes_.end(), [&sector](const auto& entry) {
    return sector.has(entry.first, 1) && entry.second[sector.data()[entry.first]];
  });
  if (!maybe) return {};
  for (const Header& header : headers_)
    if (sector.matches(header.offset, header.bytes)) return header.match;
  return {};
}

}  // namespace vantor
