#include "support/utf8.h"

#include <array>
#include <cstdint>

namespace vkt53 {

namespace {

constexpr char32_t kLargestCharacter = 0x10FFFF;
constexpr char32_t kFirstSurrogate = 0xD800;
constexpr char32_t kLastSurrogate = 0xDFFF;

// The smallest character a sequence of 1 + index continuation bytes may
// carry: a longer form than needed could smuggle in a zero byte or a '/'.
constexpr std::array<char32_t, 4> kSmallestOfLength = {0, 0x80, 0x800, 0x10000};

bool IsContinuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::optional<char32_t> NextUtf8Character(const std::string& text, std::size_t& pos) {
  const auto lead = static_cast<uint8_t>(text[pos++]);
  if (lead < 0x80) return lead;
  std::size_t trailing = 0;
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
  if (pos + trailing > text.size()) return std::nullopt;
  for (std::size_t i = 0; i < trailing; ++i) {
    const auto next = static_cast<uint8_t>(text[pos + i]);
    if (!IsContinuation(next)) return std::nullopt;
    c = (c << 6) | (next & 0x3F);
  }
  if (c < kSmallestOfLength[trailing] || c > kLargestCharacter ||
      (c >= kFirstSurrogate && c <= kLastSurrogate)) {
    return std::nullopt;
  }
  pos += trailing;
  return c;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string ValidUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    if (NextUtf8Character(text, pos)) {
      out.append(text, start, pos - start);
    } else {
      AppendUtf8(out, kReplacementCharacter);
    }
  }
  return out;
}

}  // namespace vkt53
