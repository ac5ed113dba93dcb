// Finds request frames in the byte stream of the master link.
//
// Hunting skips every byte up to a 0xCC, then takes the address and length
// bytes. A length below 6, a wrong checksum, or silence longer than the frame
// gap inside an unfinished frame gives the frame up, and hunting resumes at
// the byte after its 0xCC: a stray 0xCC in line noise must not swallow a good
// request that follows it.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "emulator/wire_timing.h"

namespace emu {

struct ReceivedFrame {
  std::vector<uint8_t> bytes;       // start symbol to the last checksum byte
  size_t preambles = 0;             // 0xFF bytes directly before it
  Clock::time_point firstByteTime;  // arrival of its first preamble, or of its start symbol
  Clock::time_point lastByteTime;
};

enum class DropReason { kLengthTooSmall, kBadChecksum, kGapInFrame };

struct DroppedFrame {
  DropReason reason;
  std::vector<uint8_t> bytes;  // what had come of the frame
};

class FrameDecoder {
 public:
  explicit FrameDecoder(std::chrono::nanoseconds gap) : gap_(gap) {}

  void SetGap(std::chrono::nanoseconds gap) { gap_ = gap; }
  void Feed(std::span<const uint8_t> bytes, Clock::time_point now);
  // Gives up an unfinished frame whose gap has passed.
  void Expire(Clock::time_point now);
  // Forgets everything buffered: the bytes were not a request after all.
  void Reset();

  // When Expire has something to do; nothing while hunting.
  std::optional<Clock::time_point> Deadline() const;

  std::vector<ReceivedFrame> TakeFrames();
  std::vector<DroppedFrame> TakeDropped();

 private:
  struct TimedByte {
    uint8_t value;
    Clock::time_point time;
  };

  void Scan();
  void SkipToStartSymbol();
  void NotePreamble(const TimedByte& byte);
  void DropFrameStart(DropReason reason, size_t bytesSeen);
  void EmitFrame(size_t length);

  std::chrono::nanoseconds gap_;
  std::deque<TimedByte> pending_;  // empty, or begins with a 0xCC
  size_t preambleRun_ = 0;
  Clock::time_point preambleRunStart_{};
  std::vector<ReceivedFrame> frames_;
  std::vector<DroppedFrame> dropped_;
};

}  // namespace emu
