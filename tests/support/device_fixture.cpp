#include "tests/support/device_fixture.h"

#include <fstream>
#include <sstream>

#include "support/key_value.h"

namespace vkt53 {

namespace {

std::string WrittenStateFile(const std::string& path, const std::string& text) {
  std::ofstream(path) << text;
  return path;
}

std::vector<std::string> StartOptions(const std::string& statePath, int32_t speed,
                                      const std::vector<std::string>& more) {
  std::vector<std::string> options = {"--no-wire-delay", "--log", "--state", statePath};
  if (speed != 0) options.insert(options.end(), {"--speed", std::to_string(speed)});
  options.insert(options.end(), more.begin(), more.end());
  return options;
}

}  // namespace

DeviceFixture::DeviceFixture(const std::vector<std::string>& options, const std::string& stateText,
                             int32_t speed)
    : statePath_(WrittenStateFile(folder_.File("device.state"), stateText)),
      process_(folder_, StartOptions(statePath_, speed, options)) {}

// "table6.16 = 00 01 ..." lines of the state file, gathered into one table.
std::vector<int> DeviceFixture::Table(int table) const {
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
std::vector<std::string> DeviceFixture::Writes() const {
  std::istringstream log(ErrorOutput());
  std::vector<std::string> writes;
  for (std::string line; std::getline(log, line);) {
    std::istringstream words(line);
    std::string time, direction, word;
    if (!(words >> time >> direction) || direction != "rx") continue;
    std::vector<int> frame;
    while (words >> word) {
      const int value = std::stoi(word, nullptr, 16);
      if (frame.empty() && value != 0xCC) continue;  // preambles
      frame.push_back(value);
    }
    constexpr std::size_t kBlockStart = 4;
    if (frame.size() < kBlockStart + 6 || frame[3] != 0x1D || frame[kBlockStart + 5] == 0) continue;
    writes.push_back(std::to_string(frame[kBlockStart + 3]) + " " +
                     std::to_string(frame[kBlockStart + 4]) + " " +
                     std::to_string(frame[kBlockStart + 5]));
  }
  return writes;
}

}  // namespace vkt53
