#include "app/settings_file.h"

#include <algorithm>
#include <vector>

#include "support/file_io.h"
#include "support/program_folder.h"

namespace vkt53 {

namespace {

constexpr char kSettingsFileName[] = "vkt53.ini";

}  // namespace

std::string SettingsFilePath(const std::string& iniFolder) {
  return iniFolder + PathSeparator() + kSettingsFileName;
}

LinkSettings LoadSettings(const std::string& path) {
  const auto bytes = ReadFilePrefix(path, kLinkSettingsSize);
  // A short file gives all defaults, never a mix of stored and default fields.
  if (!bytes || bytes->size() != kLinkSettingsSize) return LinkSettings{};
  LinkSettingsBytes record{};
  std::ranges::copy(*bytes, record.begin());
  return DecodeLinkSettings(record);
}

bool SaveSettings(const std::string& path, const LinkSettings& settings) {
  const LinkSettingsBytes record = EncodeLinkSettings(settings);
  const std::vector<uint8_t> bytes(record.begin(), record.end());
  return WriteFileReplacing(path, bytes) == FileWriteResult::kWritten;
}

}  // namespace vkt53
