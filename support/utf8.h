// UTF-8, the program's text encoding everywhere but at the device (code page
// 1251) and the Windows calls (UTF-16): reading it one character at a time,
// and making text from outside (file names, arguments, file contents) valid.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace vkt53 {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the character at pos and moves pos past it. Nothing for a byte
// that starts no valid character (a stray or truncated sequence, an overlong
// form, a surrogate, a value beyond U+10FFFF); pos then moves one byte on.
std::optional<char32_t> NextUtf8Character(const std::string& text, std::size_t& pos);

void AppendUtf8(std::string& out, char32_t c);

// The text with every byte that starts no valid character replaced by U+FFFD.
std::string ValidUtf8(const std::string& text);

}  // namespace vkt53
