#include "tests/support/scripted_port.h"

#include <algorithm>
#include <chrono>

namespace vkt53 {

namespace {

constexpr uint8_t kRequestStart = 0xCC;
constexpr uint8_t kTableFunction = 0x1D;
constexpr uint8_t kReplyBit = 0x80;
constexpr std::size_t kBlockStart = 4;
constexpr std::size_t kBlockHeader = 6;

int FieldSize(int table) {
  if (table == 1) return 4;
  if (table == 5) return 64;
  return 1;
}

}  // namespace

bool ScriptedPort::GetLineSettings(LineSettings& settings) {
  settings = line_;
  return open_;
}

bool ScriptedPort::SetLineSettings(const LineSettings& settings) {
  if (open_) line_ = settings;
  return open_;
}

bool ScriptedPort::GetTimeouts(CommTimeouts& timeouts) {
  timeouts = timeouts_;
  return open_;
}

bool ScriptedPort::SetTimeouts(const CommTimeouts& timeouts) {
  if (open_) timeouts_ = timeouts;
  return open_;
}

bool ScriptedPort::Purge() {
  pending_.clear();
  return open_;
}

bool ScriptedPort::Read(uint8_t* buffer, std::size_t count, std::size_t& bytesRead) {
  bytesRead = 0;
  if (!open_) return false;
  bytesRead = std::min(count, pending_.size());
  std::copy_n(pending_.begin(), bytesRead, buffer);
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(bytesRead));
  if (bytesRead < count) {
    const uint32_t total =
        timeouts_.readPerByte * static_cast<uint32_t>(count) + timeouts_.readConstant;
    clock_.Advance(std::chrono::milliseconds(total));
  }
  return true;
}

bool ScriptedPort::SetRts(bool raised) {
  if (open_) rtsCalls_.push_back({raised, clock_.Now()});
  return open_;
}

bool ScriptedPort::Write(const uint8_t* bytes, std::size_t count) {
  if (!open_) return false;
  Sent sent{Bytes(bytes, bytes + count), line_.baudRate, timeouts_, clock_.Now()};
  const Bytes answer = farEnd_ ? farEnd_(sent.bytes, sent.bitRate) : Bytes{};
  pending_.insert(pending_.end(), answer.begin(), answer.end());
  sent_.push_back(std::move(sent));
  return true;
}

std::string TableRequestSeen::WriteText() const {
  return std::to_string(writeTable) + " " + std::to_string(writeFirst) + " " +
         std::to_string(writeCount);
}

std::optional<TableRequestSeen> TableRequestIn(const Bytes& written) {
  const auto start = std::find(written.begin(), written.end(), kRequestStart);
  const Bytes frame(start, written.end());
  if (frame.size() < kBlockStart + kBlockHeader + 2 || frame[3] != kTableFunction)
    return std::nullopt;
  const uint8_t* block = frame.data() + kBlockStart;
  TableRequestSeen seen;
  seen.readTable = block[0];
  seen.readFirst = block[1];
  seen.readCount = block[2];
  seen.writeTable = block[3];
  seen.writeFirst = block[4];
  seen.writeCount = block[5];
  seen.values.assign(frame.begin() + kBlockStart + kBlockHeader, frame.end() - 2);
  return seen;
}

ScriptedPort::FarEnd TableFarEnd::Script() {
  return [this](const Bytes& written, int32_t) { return AnswerTo(written); };
}

std::vector<std::string> TableFarEnd::Writes() const {
  std::vector<std::string> writes;
  for (const TableRequestSeen& request : requests_) {
    if (request.isWrite()) writes.push_back(request.WriteText());
  }
  return writes;
}

Bytes TableFarEnd::AnswerTo(const Bytes& written) {
  const std::optional<TableRequestSeen> request = TableRequestIn(written);
  if (!request) return {};
  requests_.push_back(*request);
  if (answer) {
    if (auto other = answer(*request, static_cast<int>(requests_.size()) - 1)) return *other;
  }
  if (request->isWrite()) {
    return Answer(
        0, kTableFunction | kReplyBit,
        {0, 0, 0, static_cast<uint8_t>(request->writeTable),
         static_cast<uint8_t>(request->writeFirst), static_cast<uint8_t>(request->writeCount)});
  }
  Bytes data = {static_cast<uint8_t>(request->readTable), static_cast<uint8_t>(request->readFirst),
                static_cast<uint8_t>(request->readCount)};
  data.resize(
      data.size() + static_cast<std::size_t>(request->readCount * FieldSize(request->readTable)),
      0);
  return Answer(0, kTableFunction | kReplyBit, data);
}

}  // namespace vkt53
