// The program's state and its windows played by a RecordingShell, with the
// emulator as the device: the connection dialog "connects" to it as
// "Связаться" would, and what the device holds afterwards is read back over
// a link of its own.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/program_state.h"
#include "config/config_file.h"
#include "link/conffun.h"
#include "link/port_operations.h"
#include "tests/app/recording_shell.h"
#include "tests/support/device_fixture.h"
#include "tests/support/fake_clock.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_folder.h"

namespace vkt53 {

inline constexpr uint8_t kDeviceSpeedIndex = 20;  // kDeviceSpeed, 115200 bit/s, in the speed table

class ShellFixture : public ::testing::Test {
 protected:
  ShellFixture() { state.configFolder = folder.path(); }

  // stateText: lines of the emulator's state file; options: more of its options.
  void StartDevice(const std::string& stateText = "",
                   const std::vector<std::string>& options = {}) {
    device = std::make_unique<DeviceFixture>(options, stateText);
    shell.connect = [this](LinkState& link) { return Connect(link); };
  }

  // What "Связаться" leaves behind: the speed stored, the port open, the
  // exchange parameters loaded.
  bool Connect(LinkState& link) {
    link.Close();
    link.settings.exchangeSpeed = kDeviceSpeed;
    return link.Open(device->terminalPath());
  }

  // A device already connected and identified, for the commands.
  void ConnectServedDevice() {
    ASSERT_TRUE(Connect(state.link));
    state.supportedDevice = true;
  }

  // Table 3, 5 or 6 as the device holds it now, read over the program's
  // link with a status line of its own.
  std::vector<int> DeviceTable(int table) {
    RecordingUi ui;
    LinkSession session = state.link.Session(ui);
    const int fieldBytes = table == 5 ? static_cast<int>(kModemFieldSize) : 1;
    const int fields = table == 3 ? static_cast<int>(kLinkParametersSize) : table == 5 ? 1 : 255;
    std::vector<int> bytes;
    for (int first = 0; first < fields; first += kFirstUnitReadCount) {
      const int count = std::min(fields - first, kFirstUnitReadCount);
      EXPECT_TRUE(TransferTable(session, TableRequest::Read(table, first, count)))
          << "table " << table;
      const uint8_t* values = session.context.response.data() + kResponseValuesOffset;
      bytes.insert(bytes.end(), values, values + count * fieldBytes);
    }
    return bytes;
  }

  std::string WriteFile(const std::string& name, const ConfigImage& image) {
    const std::string path = folder.File(name);
    EXPECT_EQ(WriteConfigFile(path, image), FileWriteResult::kWritten);
    return path;
  }

  // The waits (the DTR settling, the RTS holds, the pauses after long table
  // sequences) are skipped and kept; the device's answers are real.
  FakeClock clock;
  TempFolder folder;
  ProgramState state;
  RecordingShell shell{state};
  std::unique_ptr<DeviceFixture> device;
};

// Position of the first event equal to `event`; the end when it is missing.
inline std::size_t EventAt(const RecordingShell& shell, const std::string& event,
                           std::size_t from = 0) {
  for (std::size_t i = from; i < shell.events.size(); ++i) {
    if (shell.events[i] == event) return i;
  }
  return shell.events.size();
}

inline std::vector<int> Bytes(std::span<const uint8_t> bytes) {
  return {bytes.begin(), bytes.end()};
}

}  // namespace vkt53
