// An emulator process and a client on its terminal, for one test.
#pragma once

#include <string>
#include <vector>

#include "tests/support/emulator_process.h"
#include "tests/emulator/terminal_client.h"
#include "tests/support/test_frames.h"

namespace vkt53 {

// Where wire timing is not the subject, answers come without it.
inline const std::vector<std::string> kFast = {"--no-wire-delay"};

inline std::vector<std::string> FastWith(std::vector<std::string> more) {
  more.insert(more.begin(), kFast.begin(), kFast.end());
  return more;
}

struct RunningDevice {
  explicit RunningDevice(const std::vector<std::string>& args = kFast, int32_t clientRate = 1200)
      : process(folder, args), client(process.linkPath(), clientRate) {}

  Bytes Exchange(const Bytes& request) {
    client.Send(request);
    return client.ReceiveAnswer();
  }

  TempFolder folder;
  EmulatorProcess process;
  TerminalClient client;
};

}  // namespace vkt53
