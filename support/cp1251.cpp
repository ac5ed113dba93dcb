#include "support/cp1251.h"

#include <array>

#include "support/utf8.h"

namespace vkt53 {

namespace {

constexpr uint8_t kFirstUpperByte = 0x80;
constexpr uint8_t kFirstCyrillicLetterByte = 0xC0;  // А..я run on to 0xFF
constexpr char32_t kCyrillicCapitalA = 0x0410;
constexpr char32_t kUnassigned0x98 = 0x0098;

// Characters of bytes 0x80..0xBF; 0xC0..0xFF are the letters А..я in order.
constexpr std::array<char32_t, 64> kUpperBytes = {
    0x0402,          0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC,          0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452,          0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    kUnassigned0x98, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0,          0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401,          0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0,          0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451,          0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

char32_t CharacterOfByte(uint8_t byte) {
  if (byte < kFirstUpperByte) return byte;
  if (byte >= kFirstCyrillicLetterByte)
    return kCyrillicCapitalA + (byte - kFirstCyrillicLetterByte);
  return kUpperBytes[byte - kFirstUpperByte];
}

uint8_t ByteOfCharacter(char32_t c) {
  if (c < kFirstUpperByte) return static_cast<uint8_t>(c);
  if (c >= kCyrillicCapitalA && c < kCyrillicCapitalA + 64) {
    return static_cast<uint8_t>(kFirstCyrillicLetterByte + (c - kCyrillicCapitalA));
  }
  for (std::size_t i = 0; i < kUpperBytes.size(); ++i) {
    if (kUpperBytes[i] == c) return static_cast<uint8_t>(kFirstUpperByte + i);
  }
  return kCp1251Substitute;
}

}  // namespace

std::vector<uint8_t> Cp1251FromUtf8(const std::string& utf8Text) {
  std::vector<uint8_t> bytes;
  for (std::size_t pos = 0; pos < utf8Text.size();) {
    const auto c = NextUtf8Character(utf8Text, pos);
    bytes.push_back(c ? ByteOfCharacter(*c) : kCp1251Substitute);
  }
  return bytes;
}

std::string Utf8FromCp1251(const uint8_t* bytes, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) AppendUtf8(text, CharacterOfByte(bytes[i]));
  return text;
}

}  // namespace vkt53
