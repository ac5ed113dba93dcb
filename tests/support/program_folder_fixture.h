// A program folder of the test's own: a fresh folder with its INI folder,
// the program's folder while the fixture lives, so that the settings file,
// the port map and the CONFIG folder are looked for there. Serial devices
// are looked for in an empty tree of its own (devices/dev, devices/sys), so
// that no port of the machine the tests run on stands for a COM port.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>

#include "support/program_folder.h"
#include "link/port_discovery.h"
#include "tests/support/temp_folder.h"

namespace vkt53 {

class ProgramFolderFixture {
 public:
  ProgramFolderFixture() {
    std::filesystem::create_directory(folder_.File("INI"));
    SetProgramFolder(folder_.path());
    std::filesystem::create_directories(folder_.File("devices/dev"));
    std::filesystem::create_directories(folder_.File("devices/sys"));
    SetDeviceRoots({folder_.File("devices/dev"), folder_.File("devices/sys")});
  }
  ~ProgramFolderFixture() {
    SetProgramFolder("");
    SetDeviceRoots({});
  }
  ProgramFolderFixture(const ProgramFolderFixture&) = delete;
  ProgramFolderFixture& operator=(const ProgramFolderFixture&) = delete;

  const std::string& path() const { return folder_.path(); }
  // A path inside the folder, such as "CONFIG".
  std::string File(const std::string& name) const { return folder_.File(name); }
  // The device tree serial devices are looked for in: <path>/devices/dev and .../sys.
  DeviceRoots Devices() const { return {folder_.File("devices/dev"), folder_.File("devices/sys")}; }

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

// The program as installed under /usr: a program folder where no file can be
// created, and a home of the test's own ($HOME while the fixture lives), so
// that INI and CONFIG belong in <home>/vkt53. The program folder is /proc,
// which takes no new file from root either: the tests run as root, who
// writes past a folder's mode bits.
class InstalledProgramFixture {
 public:
  InstalledProgramFixture() {
    if (const char* home = std::getenv("HOME")) oldHome_ = home;
    setenv("HOME", home_.path().c_str(), 1);
    SetProgramFolder("/proc");
  }
  ~InstalledProgramFixture() {
    SetProgramFolder("");
    if (oldHome_) {
      setenv("HOME", oldHome_->c_str(), 1);
    } else {
      unsetenv("HOME");
    }
  }
  InstalledProgramFixture(const InstalledProgramFixture&) = delete;
  InstalledProgramFixture& operator=(const InstalledProgramFixture&) = delete;

  // <home>/vkt53, without a final separator.
  std::string UserFolder() const { return home_.File("vkt53"); }

 private:
  TempFolder home_;
  std::optional<std::string> oldHome_;
};

}  // namespace vkt53
