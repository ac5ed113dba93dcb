// A device for the editor tests: the emulator on COM1 of a program folder of
// the test's own, a main window whose port is opened straight onto it, and
// what the device saw and holds afterwards.
#pragma once

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QPushButton>
#include <QTimer>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/ui/main_form.h"
#include "widgets/question.h"
#include "config/config_file.h"
#include "link/port_operations.h"
#include "tests/support/ui/message_watcher.h"
#include "tests/support/device_fixture.h"
#include "tests/support/ui/modal.h"
#include "tests/support/program_folder_fixture.h"

namespace vkt53 {

// Types `path` into the next file dialog and presses Enter.
inline void ChooseFileWhenAsked(const QString& path) {
  WhenModal<QFileDialog>([path](QFileDialog* dialog) {
    auto* name = Child<QLineEdit>(dialog, "fileNameEdit");
    if (!name) return;
    name->setText(path);
    QTest::keyClick(name, Qt::Key_Return);
  });
}

class EditorFixture {
 public:
  // stateText: lines of the emulator's state file (the device's tables);
  // faults: further emulator options.
  explicit EditorFixture(const std::string& stateText = "", const std::vector<std::string>& faults = {})
      : device_(faults, stateText) {
    folder_.MapPorts({{1, device_.terminalPath()}});
    main_ = std::make_unique<TFormMain>();
    // The start-up sequence would ask for the connection first; the port is
    // opened here instead.
    main_->findChild<QTimer*>("TimerStart")->stop();
    ProgramState& state = main_->state();
    state.link.settings.exchangeSpeed = kDeviceSpeed;
    state.link.Open(PortDeviceName(1));
    state.supportedDevice = true;
    main_->show();
  }

  TFormMain& main() { return *main_; }
  bool portOpen() const { return main_->state().link.IsOpen(); }
  std::string configFolder() const { return main_->state().configFolder; }

  void Choose(const char* actionName) { main_->findChild<QAction*>(actionName)->trigger(); }

  // The write requests the device received, as "table first count".
  std::vector<std::string> Writes() const { return device_.Writes(); }
  // Table 3 or 6 as the device now holds it (its state file).
  std::vector<int> Table(int table) const { return device_.Table(table); }

 private:
  ProgramFolderFixture folder_;
  DeviceFixture device_;
  std::unique_ptr<TFormMain> main_;  // goes first, while its program folder is still there
};

}  // namespace vkt53
