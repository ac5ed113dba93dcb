// The settings file vkt53.ini in the INI folder: the 21 bytes of the link
// settings record, raw, read once at start and written once at exit.
#pragma once

#include <string>

#include "link/link_settings.h"

namespace vkt53 {

// "%s<separator>vkt53.ini" in the INI folder.
std::string SettingsFilePath(const std::string& iniFolder);

// The stored settings when the file yields its 21 bytes (bytes after them are
// not read); all defaults when it is missing, unreadable or shorter. Values
// are taken as stored: the connection dialog, not the file, enforces ranges.
LinkSettings LoadSettings(const std::string& path);

// Replaces the file with the settings; a failed save leaves the old file as
// it was. The program reports no failure, the result serves tests.
bool SaveSettings(const std::string& path, const LinkSettings& settings);

}  // namespace vkt53
