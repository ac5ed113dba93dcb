// The real vkt53-cli against the real vkt53-emu: the emulator behind a
// symbolic link that the program's port map names COM3, and what the device
// holds afterwards read over a link of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <vector>

#include "tests/app/cli/cli_program.h"
#include "config/config_file.h"
#include "config/config_record.h"
#include "link/conffun.h"
#include "link/port_operations.h"
#include "tests/support/device_fixture.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_folder.h"

namespace vkt53 {

// Lines of a text, without their newlines.
inline std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// What a reader of an HTML file sees of it: the text without its markup,
// blanks run together (character references stay as written).
inline std::string PageText(const std::string& htmlPath) {
  std::ifstream file(htmlPath, std::ios::binary);
  EXPECT_TRUE(file.is_open()) << htmlPath;
  const std::string html{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  std::string text;
  bool inTag = false;
  for (const char c : html) {
    if (c == '<' || c == '>') inTag = c == '<';
    const bool blank = inTag || c == '>' || std::isspace(static_cast<unsigned char>(c));
    if (!blank) text += c;
    if (blank && !text.empty() && text.back() != ' ') text += ' ';
  }
  return text;
}

// The --json output, which must be exactly one JSON object in UTF-8, read
// by a parser the program did not write. A value a test looks for and does
// not find fails it: it is null, and getting a number, a text or a truth
// value from null throws.
inline nlohmann::json JsonOf(const CliRun& run) {
  nlohmann::json json = nlohmann::json::parse(run.out, nullptr, false);
  EXPECT_FALSE(json.is_discarded()) << "not JSON: " << run.out;
  if (json.is_discarded()) return {};
  EXPECT_TRUE(json.is_object()) << run.out;
  EXPECT_EQ(json["exit"].get<int>(), run.status) << "the exit code in the JSON is the program's";
  return json;
}

class CliFixture : public ::testing::Test {
 protected:
  // options: the emulator's; stateText: lines of its state file.
  void StartDevice(const std::vector<std::string>& options = {}, const std::string& stateText = "",
                   int32_t speed = kDeviceSpeed) {
    device = std::make_unique<DeviceFixture>(options, stateText, speed);
    cli.WritePortMap("COM3=" + device->linkPath() + "\nCOM7=" + deviceFolder.File("no-such-tty") +
                     "\n");
  }

  // args followed by the link to the emulator at the device's speed.
  static std::vector<std::string> OnDevice(std::vector<std::string> args) {
    args.insert(args.end(), {"--port", "COM3", "--speed", std::to_string(kDeviceSpeed)});
    return args;
  }

  CliRun Run(const std::vector<std::string>& args) const { return cli.Run(args); }

  // The device's configuration as it holds it now, read over a link of the
  // test's own (the program has ended and closed the port).
  ConfigRecord DeviceRecord() {
    ConfigRecord record;
    ExchangeContext context;
    LinkSettings settings;
    settings.exchangeSpeed = kDeviceSpeed;
    PortHandle port = OpenLinkPort(device->terminalPath());
    EXPECT_TRUE(port != nullptr);
    LoadExchangeParameters(context, settings, port);
    RecordingUi ui;
    LinkSession session{context, settings, ui};
    EXPECT_TRUE(ReadIdentification(session, record)) << "the device's identification read back";
    EXPECT_TRUE(ReadConfiguration(session, record, nullptr))
        << "the device's configuration read back";
    port->Close();
    return record;
  }

  // A configuration file of the test's own.
  std::string SaveFile(const std::string& name, const ConfigImage& image) const {
    const std::string path = files.File(name);
    EXPECT_EQ(WriteConfigFile(path, image), FileWriteResult::kWritten);
    return path;
  }

  TempFolder deviceFolder;  // where devices that are not there would be
  TempFolder files;
  CliProgram cli;
  std::unique_ptr<DeviceFixture> device;
};

}  // namespace vkt53
