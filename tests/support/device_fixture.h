// The emulator as a test's device: vkt53-emu without its wire delay and
// with its request log, its tables in a state file of a folder of its own,
// at 115200 bit/s unless the test says otherwise; and what the device was
// sent and holds afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/emulator_process.h"
#include "tests/support/temp_folder.h"

namespace vkt53 {

inline constexpr int32_t kDeviceSpeed = 115200;
// The speed the state gives: 1200 bit/s for a fresh device.
inline constexpr int32_t kStateSpeed = 0;

class DeviceFixture {
 public:
  // options: more of the emulator's options (they win over the fixture's);
  // stateText: lines of its state file.
  explicit DeviceFixture(const std::vector<std::string>& options = {},
                         const std::string& stateText = "", int32_t speed = kDeviceSpeed);

  const std::string& terminalPath() const { return process_.terminalPath(); }
  // A symbolic link to the terminal, as a port map would name it.
  const std::string& linkPath() const { return process_.linkPath(); }
  // The emulator's log: a line for each request and answer.
  std::string ErrorOutput() const { return process_.ErrorOutput(); }

  // The write requests the device received, as "table first count".
  std::vector<std::string> Writes() const;
  // Table 3 or 6 as the device now holds it (its state file).
  std::vector<int> Table(int table) const;

 private:
  TempFolder folder_;
  std::string statePath_;
  EmulatorProcess process_;
};

}  // namespace vkt53
