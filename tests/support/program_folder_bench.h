// A program folder of the test's own: a fresh folder with its INI folder,
// the program's folder while the bench lives, so that the settings file,
// the port map and the CONFIG folder are looked for there.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "config/program_folder.h"
#include "support/temp_folder.h"

namespace vkt53 {

class ProgramFolderBench {
 public:
  ProgramFolderBench() {
    std::filesystem::create_directory(folder_.File("INI"));
    SetProgramFolder(folder_.path());
  }
  ~ProgramFolderBench() { SetProgramFolder(""); }
  ProgramFolderBench(const ProgramFolderBench&) = delete;
  ProgramFolderBench& operator=(const ProgramFolderBench&) = delete;

  const std::string& path() const { return folder_.path(); }
  // A path inside the folder, such as "CONFIG".
  std::string File(const std::string& name) const { return folder_.File(name); }

  // INI/comports as given.
  void WritePortMap(const std::string& text) const { Write("INI/comports", text); }
  // INI/comports with a "COMn=device" line for each port.
  void MapPorts(const std::map<int, std::string>& devices) const {
    std::string text;
    for (const auto& [port, device] : devices)
      text += "COM" + std::to_string(port) + "=" + device + "\n";
    WritePortMap(text);
  }

  // The settings file INI/vkt53.ini, its raw bytes.
  void WriteSettingsFile(const std::string& bytes) const { Write("INI/vkt53.ini", bytes); }
  std::string SettingsFile() const {
    std::ifstream file(File("INI/vkt53.ini"), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }

 private:
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(File(name), std::ios::binary | std::ios::trunc) << bytes;
  }

  TempFolder folder_;
};

}  // namespace vkt53
