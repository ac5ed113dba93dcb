// A serial port without a line: what the link writes is handed to a script
// of the far end, and what the script answers is what the following reads
// return. A read that finds fewer bytes than it asks for waits out its
// time-out on the fake clock, as a silent line would make it. For the link's
// own decisions only; the wire itself is tested over a pseudo-terminal.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/serial_port.h"
#include "tests/support/fake_clock.h"
#include "tests/support/test_frames.h"

namespace vkt53 {

class ScriptedPort final : public SerialPort {
 public:
  // The far end: the bytes of one write and the bit rate the port is set to
  // then; returns what it sends back (nothing: it stays silent).
  using FarEnd = std::function<Bytes(const Bytes& written, int32_t bitRate)>;

  // One write as the far end saw it.
  struct Sent {
    Bytes bytes;
    int32_t bitRate = 0;
    CommTimeouts timeouts;  // in force when it was written
    SteadyClock::time_point at{};
  };
  // One setting of RTS.
  struct RtsCall {
    bool raised = false;
    SteadyClock::time_point at{};
  };

  ScriptedPort(FakeClock& clock, FarEnd farEnd) : clock_(clock), farEnd_(std::move(farEnd)) {}

  const std::vector<Sent>& sent() const { return sent_; }
  const std::vector<RtsCall>& rtsCalls() const { return rtsCalls_; }

  bool GetLineSettings(LineSettings& settings) override;
  bool SetLineSettings(const LineSettings& settings) override;
  bool SetupQueues(uint32_t, uint32_t) override { return open_; }
  bool GetTimeouts(CommTimeouts& timeouts) override;
  bool SetTimeouts(const CommTimeouts& timeouts) override;
  bool Purge() override;
  bool SetDtr(bool) override { return open_; }
  bool SetRts(bool raised) override;
  bool ClearErrors() override { return open_; }
  bool Read(uint8_t* buffer, std::size_t count, std::size_t& bytesRead) override;
  bool Write(const uint8_t* bytes, std::size_t count) override;
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }

 private:
  FakeClock& clock_;
  FarEnd farEnd_;
  LineSettings line_;
  CommTimeouts timeouts_;
  std::deque<uint8_t> pending_;
  std::vector<Sent> sent_;
  std::vector<RtsCall> rtsCalls_;
  bool open_ = true;
};

// A function 29 request as the far end reads it out of the written bytes
// (preambles skipped); none when the bytes hold no such request.
struct TableRequestSeen {
  int readTable = 0, readFirst = 0, readCount = 0;
  int writeTable = 0, writeFirst = 0, writeCount = 0;
  Bytes values;  // the values written

  bool isWrite() const { return writeCount != 0; }
  // "table first count" of the write
  std::string WriteText() const;
};
std::optional<TableRequestSeen> TableRequestIn(const Bytes& written);

// A device's far end for the table service: a read is answered with the echo
// of what was asked and zero values, a write with the echo of its header.
// The requests it was sent are kept; `answer` may pick another answer for a
// request (a device error, or nothing for silence) by returning it.
class TableFarEnd {
 public:
  using Override = std::function<std::optional<Bytes>(const TableRequestSeen&, int number)>;

  ScriptedPort::FarEnd Script();

  const std::vector<TableRequestSeen>& requests() const { return requests_; }
  // The writes as "table first count", in the order they came.
  std::vector<std::string> Writes() const;

  Override answer;

 private:
  Bytes AnswerTo(const Bytes& written);

  std::vector<TableRequestSeen> requests_;
};

}  // namespace vkt53
