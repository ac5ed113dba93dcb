// How the device answers a request frame addressed to it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "emulator/device_state.h"

namespace emu {

struct HandledRequest {
  std::vector<uint8_t> answer;  // whole frame, checksum included, no preambles
  bool tableWritten = false;    // the state changed and should be saved
  std::string summary;          // one decoded line for the exchange log
};

// `request` is a whole frame whose checksum holds. Function 29 reads tables
// 0, 1, 3, 5, 6, 7 and writes tables 3, 5, 6; everything else is an error
// answer. The answer carries the device's own address.
HandledRequest HandleRequest(DeviceState& state, std::span<const uint8_t> request);

// The decoded line of a request alone: function, tables and fields.
std::string DescribeRequest(std::span<const uint8_t> request);

}  // namespace emu
