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
#include "support/key_value.h"
#include "link/port_operations.h"
#include "tests/support/ui/message_watcher.h"
#include "tests/support/emulator_process.h"
#include "tests/support/ui/modal.h"
#include "tests/support/program_folder_fixture.h"

namespace vkt53 {

inline constexpr int32_t kBenchSpeed = 115200;

// Types `path` into the next file dialog and presses Enter.
inline void ChooseFileWhenAsked(const QString& path) {
  WhenModal<QFileDialog>([path](QFileDialog* dialog) {
    auto* name = Child<QLineEdit>(dialog, "fileNameEdit");
    if (!name) return;
    name->setText(path);
    QTest::keyClick(name, Qt::Key_Return);
  });
}

class DeviceBench {
 public:
  // stateText: lines of the emulator's state file (the device's tables);
  // faults: further emulator options.
  explicit DeviceBench(const std::string& stateText = "", const std::vector<std::string>& faults = {}) {
    statePath_ = folder_.File("device.state");
    std::ofstream(statePath_) << stateText;
    std::vector<std::string> options = {"--speed", std::to_string(kBenchSpeed), "--no-wire-delay",
                                        "--state", statePath_, "--log"};
    options.insert(options.end(), faults.begin(), faults.end());
    emulator_ = std::make_unique<EmulatorProcess>(VKT53_EMU_PATH, options);
    folder_.MapPorts({{1, emulator_->terminalPath()}});
    main_ = std::make_unique<TFormMain>();
    // The start-up sequence would ask for the connection first; the port is
    // opened here instead.
    main_->findChild<QTimer*>("TimerStart")->stop();
    ProgramState& state = main_->state();
    state.settings.exchangeSpeed = kBenchSpeed;
    state.port = OpenPort(1, kBenchSpeed, 8, 0, 0, 4096, 4096, 1, 1);
    LoadExchangeParameters(*state.context, state.settings, state.port);
    state.supportedDevice = true;
    main_->show();
  }

  TFormMain& main() { return *main_; }
  bool portOpen() const { return main_->state().port != nullptr; }
  std::string configFolder() const { return main_->state().configFolder; }

  void Choose(const char* actionName) { main_->findChild<QAction*>(actionName)->trigger(); }

  // The write requests the device received, as "table first count".
  std::vector<std::string> Writes() const;
  // Table 3 or 6 as the device now holds it (its state file).
  std::vector<int> Table(int table) const;

 private:
  ProgramFolderBench folder_;
  std::string statePath_;
  std::unique_ptr<EmulatorProcess> emulator_;
  std::unique_ptr<TFormMain> main_;  // goes first, while its program folder is still there
};

// "table6.16 = 00 01 ..." lines of the state file, gathered into one table.
inline std::vector<int> DeviceBench::Table(int table) const {
  std::ifstream file(statePath_);
  std::vector<int> bytes;
  const std::string whole = "table" + std::to_string(table);
  const std::string part = whole + ".";
  for (std::string line; std::getline(file, line);) {
    const KeyValueLine entry = ParseKeyValueLine(line);
    std::size_t first = 0;
    if (entry.kind != KeyValueKind::Entry) continue;
    if (entry.key.rfind(part, 0) == 0) {
      first = std::stoul(entry.key.substr(part.size()));
    } else if (entry.key != whole) {
      continue;
    }
    std::istringstream values(entry.value);
    int value = 0;
    for (std::size_t at = first; values >> std::hex >> value; ++at) {
      if (bytes.size() <= at) bytes.resize(at + 1);
      bytes[at] = value;
    }
  }
  return bytes;
}

// Request lines of the log: "hh:mm:ss.mmm rx [FF ...] CC addr len 1D block...".
inline std::vector<std::string> DeviceBench::Writes() const {
  std::istringstream file(emulator_->ErrorOutput());  // the emulator's request log
  std::vector<std::string> writes;
  for (std::string line; std::getline(file, line);) {
    std::istringstream words(line);
    std::string time, direction, word;
    if (!(words >> time >> direction) || direction != "rx") continue;
    std::vector<int> frame;
    while (words >> word) {
      const int value = std::stoi(word, nullptr, 16);
      if (frame.empty() && value != 0xCC) continue;  // preambles
      frame.push_back(value);
    }
    constexpr int kBlockStart = 4;
    if (frame.size() < kBlockStart + 6 || frame[3] != 0x1D || frame[kBlockStart + 5] == 0) continue;
    writes.push_back(std::to_string(frame[kBlockStart + 3]) + " " + std::to_string(frame[kBlockStart + 4]) + " " +
                     std::to_string(frame[kBlockStart + 5]));
  }
  return writes;
}

}  // namespace vkt53
