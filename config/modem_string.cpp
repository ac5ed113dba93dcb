#include "config/modem_string.h"

#include <algorithm>
#include <vector>

#include "support/cp1251.h"

namespace vkt53 {

namespace {

constexpr uint8_t kBlank = 0x20;

std::span<const uint8_t, kModemFieldSize> ModemFieldOf(const ConfigImage& image) {
  return std::span<const uint8_t, kModemFieldSize>(
      image.bytes.data() + ConfigImage::kModemFieldOffset, kModemFieldSize);
}

}  // namespace

ModemFieldBytes EncodeModemField(const std::string& utf8Text) {
  ModemFieldBytes field{};
  std::vector<uint8_t> text = Cp1251FromUtf8(utf8Text);
  if (text.empty()) return field;
  text.resize(std::min(text.size(), kModemTextMaxCharacters));
  std::ranges::copy(text, field.begin());
  field[text.size()] = kModemTextEnd;
  return field;
}

std::string ModemFieldText(std::span<const uint8_t, kModemFieldSize> field) {
  const auto* begin = field.data();
  const auto* end = std::find(begin, begin + field.size(), uint8_t{0});
  while (begin < end && *begin <= kBlank) ++begin;
  while (end > begin && *(end - 1) <= kBlank) --end;
  return Utf8FromCp1251(begin, static_cast<std::size_t>(end - begin));
}

std::string ModemTextOfImage(const ConfigImage& image) {
  return ModemFieldText(ModemFieldOf(image));
}

void StoreModemText(ConfigImage& image, const std::string& utf8Text) {
  std::ranges::copy(EncodeModemField(utf8Text),
                    image.bytes.begin() + ConfigImage::kModemFieldOffset);
}

}  // namespace vkt53
