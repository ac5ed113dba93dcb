// The emulator's command line.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "emulator/device_state.h"
#include "emulator/faults.h"

namespace emu {

struct Options {
  bool help = false;
  std::string linkPath;
  std::string statePath;
  // Device settings given on the command line; they override the state file.
  std::optional<int32_t> speed;  // bit/s, one of the exchange speed table
  std::optional<uint8_t> address;
  std::optional<uint8_t> type;
  std::optional<uint8_t> software;
  std::optional<int> corrupt;  // table number 0..7
  std::chrono::milliseconds turnaround{3};
  bool wireDelay = true;
  bool log = false;
  FaultPlan faults;
};

// Takes "--name value" and "--name=value". Returns false with a reason in
// `error` for an unknown option, a missing or bad value.
bool ParseOptions(const std::vector<std::string>& args, Options* options, std::string* error);

// Lays the command line's device settings over `state`.
void ApplyOptions(const Options& options, DeviceState& state);

std::string HelpText();

}  // namespace emu
