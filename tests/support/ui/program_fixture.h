// The program as the user starts it: a program folder of the test's own with
// the emulator on COM1, and the main window once started.
#pragma once

#include <QByteArray>

#include <memory>
#include <string>
#include <vector>

#include "app/ui/main_form.h"
#include "tests/support/device_fixture.h"
#include "tests/support/program_folder_fixture.h"

namespace vkt53 {

struct ProgramFixture {
  // emulatorOptions: the device's, which answers at the speed its state
  // gives (a fresh device's is the program's first); settingsFile: the raw
  // bytes of INI/vkt53.ini, no file when empty.
  explicit ProgramFixture(const std::vector<std::string>& emulatorOptions = {}, const QByteArray& settingsFile = {})
      : device(emulatorOptions, "", kStateSpeed) {
    folder.MapPorts({{1, device.terminalPath()}});
    if (!settingsFile.isEmpty()) folder.WriteSettingsFile(settingsFile.toStdString());
  }
  TFormMain& Start() {
    main = std::make_unique<TFormMain>();
    main->show();
    return *main;
  }
  QByteArray SettingsFile() const { return QByteArray::fromStdString(folder.SettingsFile()); }

  ProgramFolderFixture folder;
  DeviceFixture device;
  std::unique_ptr<TFormMain> main;  // goes first, while its program folder is still there
};

}  // namespace vkt53
