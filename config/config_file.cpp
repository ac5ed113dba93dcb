#include "config/config_file.h"

#include <algorithm>

namespace vkt53 {

ConfigFileReadResult ReadConfigFile(const std::string& path, ConfigImage& image) {
  const auto bytes = ReadFilePrefix(path, kConfigFileSize);
  if (!bytes) return ConfigFileReadResult::kCannotOpen;
  const bool marked =
      bytes->size() >= kConfigFileMarker.size() &&
      std::equal(kConfigFileMarker.begin(), kConfigFileMarker.end(), bytes->begin());
  if (!marked || bytes->size() < kConfigFileSize) return ConfigFileReadResult::kNotConfigFile;
  std::copy(bytes->begin() + kConfigFileImageOffset, bytes->end(), image.bytes.begin());
  return ConfigFileReadResult::kRead;
}

std::vector<uint8_t> ConfigFileBytes(const ConfigImage& image) {
  std::vector<uint8_t> bytes(kConfigFileSize);
  std::ranges::copy(kConfigFileMarker, bytes.begin());
  std::ranges::copy(image.bytes, bytes.begin() + kConfigFileImageOffset);
  return bytes;
}

FileWriteResult WriteConfigFile(const std::string& path, const ConfigImage& image) {
  return WriteFileReplacing(path, ConfigFileBytes(image));
}

}  // namespace vkt53
