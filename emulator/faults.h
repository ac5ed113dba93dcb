// Faults on demand: answers that go wrong in chosen, repeatable ways.
//
// Requests that reach the device (addressed to it, checksum good, right bit
// rate) are numbered 0, 1, 2, ... Every fault hits the requests numbered
// skip .. skip+N-1, or every request from skip on when it is set to "all".
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace emu {

struct FaultSpan {
  bool every = false;  // from the skip on, without end
  uint64_t count = 0;

  bool Hits(uint64_t requestNumber, uint64_t skip) const;
};

struct ErrorFault {
  uint8_t code = 0;
  uint8_t reason = 0;  // sent with error 24 only
  FaultSpan span;
};

struct FaultPlan {
  uint64_t skip = 0;
  uint32_t seed = 1;  // chooses the noise bytes
  std::optional<FaultSpan> drop;
  std::optional<FaultSpan> noise;
  std::optional<FaultSpan> badChecksum;
  std::optional<FaultSpan> shortBody;
  std::optional<FaultSpan> foreignAddress;
  std::optional<ErrorFault> error;
  // Writes of this table are answered as done but not stored: the device
  // keeps what it held (skip and spans do not apply).
  std::optional<int> ignoredWriteTable;
};

// "N": the next N requests; "0" or "all": every request.
std::optional<FaultSpan> ParseFaultSpan(const std::string& text);

// "CODE[:REASON][@N]"; without "@N" every request.
std::optional<ErrorFault> ParseErrorFault(const std::string& text);

// The error to answer request `number` with instead of doing it, if any.
std::optional<ErrorFault> ForcedError(const FaultPlan& plan, uint64_t number);

// True when the plan ignores `request` (a whole frame): a function 29 write
// of the table named by ignoredWriteTable.
bool IgnoresWrite(const FaultPlan& plan, std::span<const uint8_t> request);

struct Transmission {
  std::vector<uint8_t> bytes;       // what goes on the line; empty when dropped
  std::vector<std::string> faults;  // the faults applied, for the log
};

// Spoils `wire` (answer preambles and answer frame, the frame starting at
// `frameStart`) for request `number` as the plan says. Order: foreign
// address, bad checksum, short body, leading noise, drop.
Transmission ApplyFaults(const FaultPlan& plan, uint64_t number, std::vector<uint8_t> wire,
                         size_t frameStart);

}  // namespace emu
