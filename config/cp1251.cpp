#include "cp1251.h"

#include <array>
#include <optional>

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

// Decodes one UTF-8 sequence at pos and moves pos past it; nothing for a
// broken sequence, after which pos has moved past its first byte.
std::optional<char32_t> NextCodePoint(const std::string& text, std::size_t& pos) {
  const auto lead = static_cast<uint8_t>(text[pos++]);
  if (lead < 0x80) return lead;
  int trailing = 0;
  char32_t c = 0;
  if ((lead & 0xE0) == 0xC0) {
    trailing = 1, c = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    trailing = 2, c = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    trailing = 3, c = lead & 0x07;
  } else {
    return std::nullopt;
  }
  if (pos + static_cast<std::size_t>(trailing) > text.size()) return std::nullopt;
  for (int i = 0; i < trailing; ++i) {
    const auto next = static_cast<uint8_t>(text[pos + static_cast<std::size_t>(i)]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (next & 0x3F);
  }
  // An overlong form could smuggle in a zero byte that ends a device text.
  constexpr std::array<char32_t, 4> kSmallestOfLength = {0, 0x80, 0x800, 0x10000};
  if (c < kSmallestOfLength[static_cast<std::size_t>(trailing)]) return std::nullopt;
  pos += static_cast<std::size_t>(trailing);
  return c;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    // Every character of the code page lies in the Basic Multilingual Plane.
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::vector<uint8_t> Cp1251FromUtf8(const std::string& utf8Text) {
  std::vector<uint8_t> bytes;
  for (std::size_t pos = 0; pos < utf8Text.size();) {
    const auto c = NextCodePoint(utf8Text, pos);
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
