#include "config/working_folders.h"

#include <filesystem>
#include <system_error>

#include "support/file_io.h"
#include "support/program_folder.h"

namespace vkt53 {

namespace {

constexpr char kConfigFolderName[] = "CONFIG";
constexpr char kIniFolderName[] = "INI";
constexpr char kNewConfigFileName[] = "new.cnf";
constexpr char kConfigFileExtension[] = ".cnf";

bool IsSeparator(char c) { return c == '/' || c == PathSeparator(); }

std::size_t FileNameStart(const std::string& path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (IsSeparator(path[i - 1])) return i;
  }
  return 0;
}

bool CreateFolderIfMissing(const std::string& folder) {
  std::error_code ec;
  const auto path = PathFromUtf8(folder);
  if (std::filesystem::is_directory(path, ec)) return true;
  // The user's own folder holding both may be missing too.
  return std::filesystem::create_directories(path, ec);
}

}  // namespace

std::string ConfigFolderPath(const std::string& programFolder) {
  return programFolder + kConfigFolderName;
}

std::string IniFolderPath(const std::string& programFolder) {
  return programFolder + kIniFolderName;
}

bool CreateWorkingFolders(const std::string& programFolder) {
  const bool config = CreateFolderIfMissing(ConfigFolderPath(programFolder));
  const bool ini = CreateFolderIfMissing(IniFolderPath(programFolder));
  return config && ini;
}

std::string WorkingFolderLine(const std::string& workingFolder) {
  std::string folder = workingFolder;
  if (folder.size() > 1 && folder.back() == PathSeparator()) folder.pop_back();
  return "Папка настроек и конфигураций: " + folder;
}

std::string NewConfigFileProposal(const std::string& configFolder) {
  return configFolder + PathSeparator() + kNewConfigFileName;
}

std::string FileNameOfPath(const std::string& path) { return path.substr(FileNameStart(path)); }

bool HasExtension(const std::string& path) {
  return path.find('.', FileNameStart(path)) != std::string::npos;
}

std::string WithConfigFileExtension(const std::string& path) {
  return HasExtension(path) ? path : path + kConfigFileExtension;
}

}  // namespace vkt53
