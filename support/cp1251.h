// Code page 1251, in which the device keeps its texts, to and from the UTF-8
// the program uses everywhere else.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vkt53 {

// Characters that code page 1251 cannot hold, and broken UTF-8 sequences,
// become '?': the device field gets a visible placeholder rather than a
// silently dropped character.
inline constexpr uint8_t kCp1251Substitute = '?';

// One byte per character of the text.
std::vector<uint8_t> Cp1251FromUtf8(const std::string& utf8Text);

// Every byte has a character; 0x98, unassigned in the code page, is carried as
// U+0098 so that a device text survives being shown and stored back.
std::string Utf8FromCp1251(const uint8_t* bytes, std::size_t count);

}  // namespace vkt53
