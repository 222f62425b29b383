// Text conversion between the UTF-16 of the records and the UTF-8 of this machine.
// Malformed input never fails: unpaired surrogates and bad UTF-8 sequences become
// U+FFFD. 8-bit names read from disks are taken byte for byte (Latin-1).
#pragma once

#include <string>
#include <string_view>

namespace vantor {

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
// Bytes 0x00-0xFF taken as the code points U+0000-U+00FF.
std::u16string Latin1ToUtf16(std::string_view bytes);
std::string Latin1ToUtf8(std::string_view bytes);

}  // namespace vantor
