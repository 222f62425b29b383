// The OEM code pages of DOS short names. An 8.3 name is stored in the code page
// of the system that wrote it: "CAFÉ.TXT" holds É as 0x90 under code page 850
// (western Europe, what Windows and mtools use by default here) and 437 (the
// United States), as 0x90 too under 852 (central Europe) but 0x90 is "Р" under
// 866 (Cyrillic). Bytes below 0x80 are ASCII in all of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor {

inline constexpr uint16_t kDefaultOemCodePage = 850;
// The pages known here, for the option's help.
inline constexpr const char* kKnownOemCodePages = "437, 850, 852, 866";

bool IsKnownCodePage(uint16_t number);
// The bytes as characters of code page `number` (850 when it is not known).
std::u16string OemToUtf16(std::string_view bytes, uint16_t number);
// The lower-case form of a capital letter of these code pages (ASCII, Latin-1,
// Latin Extended-A, Greek, Cyrillic); any other character as it is.
char16_t OemLowerCase(char16_t c);

}  // namespace vantor
