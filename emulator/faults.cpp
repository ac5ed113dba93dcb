#include "emulator/faults.h"

#include <charconv>

#include "emulator/frames.h"
#include "emulator/wire_format.h"

namespace emu {

namespace {

constexpr size_t kShortBy = 3;  // bytes cut from the end of a short answer
constexpr size_t kLongestNoise = 8;

template <typename Number>
std::optional<Number> ParseNumber(const std::string& text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

bool Hits(const std::optional<FaultSpan>& span, uint64_t number, uint64_t skip) {
  return span && span->Hits(number, skip);
}

uint32_t NextRandom(uint32_t& x) {  // xorshift32: the same seed, the same noise
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  return x;
}

// Between 1 and 8 bytes, never the answer's start symbol: noise that looked
// like an answer start would be a different fault.
std::vector<uint8_t> NoiseBytes(uint32_t seed, uint64_t number) {
  uint32_t x = seed ^ static_cast<uint32_t>(number * 0x9E3779B9u);
  if (x == 0) x = 0x6D2B79F5u;
  std::vector<uint8_t> noise(1 + NextRandom(x) % kLongestNoise);
  for (auto& b : noise) {
    do b = static_cast<uint8_t>(NextRandom(x));
    while (b == kAnswerStart);
  }
  return noise;
}

void MoveToForeignAddress(std::vector<uint8_t>& wire, size_t frameStart) {
  std::vector<uint8_t> frame(wire.begin() + static_cast<std::ptrdiff_t>(frameStart),
                             wire.end() - static_cast<std::ptrdiff_t>(kChecksumSize));
  // Another device, but never the "any device" address 0xFF.
  frame[kAddressByte] = static_cast<uint8_t>((frame[kAddressByte] + 1) % kAnyDeviceAddress);
  SealFrame(frame);
  wire.resize(frameStart);
  wire.insert(wire.end(), frame.begin(), frame.end());
}

}  // namespace

bool FaultSpan::Hits(uint64_t requestNumber, uint64_t skip) const {
  if (requestNumber < skip) return false;
  return every || requestNumber - skip < count;
}

std::optional<FaultSpan> ParseFaultSpan(const std::string& text) {
  if (text == "all") return FaultSpan{true, 0};
  const auto count = ParseNumber<uint64_t>(text);
  if (!count) return std::nullopt;
  return FaultSpan{*count == 0, *count};
}

std::optional<ErrorFault> ParseErrorFault(const std::string& text) {
  ErrorFault fault{0, 0, FaultSpan{true, 0}};
  std::string codes = text;
  if (const auto at = text.find('@'); at != std::string::npos) {
    const auto span = ParseFaultSpan(text.substr(at + 1));
    if (!span) return std::nullopt;
    fault.span = *span;
    codes = text.substr(0, at);
  }
  std::string code = codes;
  if (const auto colon = codes.find(':'); colon != std::string::npos) {
    const auto reason = ParseNumber<uint8_t>(codes.substr(colon + 1));
    if (!reason) return std::nullopt;
    fault.reason = *reason;
    code = codes.substr(0, colon);
  }
  const auto value = ParseNumber<uint8_t>(code);
  if (!value) return std::nullopt;
  fault.code = *value;
  return fault;
}

std::optional<ErrorFault> ForcedError(const FaultPlan& plan, uint64_t number) {
  if (plan.error && plan.error->span.Hits(number, plan.skip)) return plan.error;
  return std::nullopt;
}

bool IgnoresWrite(const FaultPlan& plan, std::span<const uint8_t> request) {
  if (!plan.ignoredWriteTable || request.size() < kFrameOverhead + kBlockHeaderSize) return false;
  if (request[kFunctionByte] != kTableFunction) return false;
  const auto block = request.subspan(kDataStart);
  return block[kReadCount] == 0 && block[kWriteCount] != 0 &&
         block[kWriteTable] == *plan.ignoredWriteTable;
}

Transmission ApplyFaults(const FaultPlan& plan, uint64_t number, std::vector<uint8_t> wire,
                         size_t frameStart) {
  Transmission out;
  if (Hits(plan.foreignAddress, number, plan.skip)) {
    MoveToForeignAddress(wire, frameStart);
    out.faults.push_back("foreign address");
  }
  if (Hits(plan.badChecksum, number, plan.skip)) {
    wire.back() ^= 0xFF;
    out.faults.push_back("bad checksum");
  }
  if (Hits(plan.shortBody, number, plan.skip)) {
    wire.resize(wire.size() - kShortBy);
    out.faults.push_back("short body");
  }
  if (Hits(plan.noise, number, plan.skip)) {
    const auto noise = NoiseBytes(plan.seed, number);
    wire.insert(wire.begin(), noise.begin(), noise.end());
    out.faults.push_back("noise");
  }
  if (Hits(plan.drop, number, plan.skip)) {
    wire.clear();
    out.faults.push_back("dropped");
  }
  out.bytes = std::move(wire);
  return out;
}

}  // namespace emu
