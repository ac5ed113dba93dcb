// The modem command field of table 5 (image bytes 1045..1108): the modem
// initialisation text in code page 1251, ended by a carriage return.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "config/config_image.h"

namespace vkt53 {

inline constexpr std::size_t kModemTextMaxCharacters = 63;  // leaves room for the carriage return
inline constexpr uint8_t kModemTextEnd = 0x0D;

using ModemFieldBytes = std::array<uint8_t, kModemFieldSize>;

// The field for the user's text: its first 63 characters, a carriage return,
// zeros to the end; an empty text is 64 zeros. Characters that code page 1251
// lacks are stored as '?'.
ModemFieldBytes EncodeModemField(const std::string& utf8Text);

// The text an editor shows: the field up to its first zero byte, without the
// leading and trailing characters at or below the blank (the carriage return
// among them). A field in another form than the editors write is thus shown
// by its text alone, and rewritten in their form when accepted.
std::string ModemFieldText(std::span<const uint8_t, kModemFieldSize> field);

// The same on the field inside an image.
std::string ModemTextOfImage(const ConfigImage& image);
void StoreModemText(ConfigImage& image, const std::string& utf8Text);

}  // namespace vkt53
