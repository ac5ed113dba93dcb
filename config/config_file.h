// A configuration file: the marker "MC" and one configuration image, byte for
// byte, 1211 bytes in all.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/config_image.h"
#include "support/file_io.h"

namespace vkt53 {

inline constexpr std::array<uint8_t, 2> kConfigFileMarker = {'M', 'C'};
inline constexpr std::size_t kConfigFileImageOffset = kConfigFileMarker.size();
inline constexpr std::size_t kConfigFileSize = kConfigFileImageOffset + ConfigImage::kSize;
static_assert(kConfigFileSize == 1211);

enum class ConfigFileReadResult {
  kRead,
  kCannotOpen,
  // Wrong marker, or fewer than 1209 image bytes after it: a partly filled
  // image must never reach a device.
  kNotConfigFile,
};

// Reads the image of a configuration file; the image changes only on kRead.
// Bytes after the 1211th are ignored.
ConfigFileReadResult ReadConfigFile(const std::string& path, ConfigImage& image);

// The marker and the image as they go to disk.
std::vector<uint8_t> ConfigFileBytes(const ConfigImage& image);

// Creates or replaces the file; an old file survives a failed write whole.
FileWriteResult WriteConfigFile(const std::string& path, const ConfigImage& image);

}  // namespace vkt53
