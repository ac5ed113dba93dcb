#include "emulator/frame_decoder.h"

#include <algorithm>
#include <utility>

#include "emulator/frames.h"
#include "emulator/wire_format.h"

namespace emu {

void FrameDecoder::Feed(std::span<const uint8_t> bytes, Clock::time_point now) {
  for (uint8_t b : bytes) pending_.push_back({b, now});
  Scan();
}

void FrameDecoder::Expire(Clock::time_point now) {
  while (!pending_.empty() && now - pending_.back().time >= gap_) {
    DropFrameStart(DropReason::kGapInFrame, pending_.size());
    Scan();
  }
}

void FrameDecoder::Reset() {
  pending_.clear();
  preambleRun_ = 0;
}

std::optional<Clock::time_point> FrameDecoder::Deadline() const {
  if (pending_.empty()) return std::nullopt;
  return pending_.back().time + gap_;
}

std::vector<ReceivedFrame> FrameDecoder::TakeFrames() { return std::exchange(frames_, {}); }

std::vector<DroppedFrame> FrameDecoder::TakeDropped() { return std::exchange(dropped_, {}); }

void FrameDecoder::Scan() {
  for (;;) {
    SkipToStartSymbol();
    if (pending_.size() <= kLengthByte) return;
    const size_t length = pending_[kLengthByte].value;
    if (length < kFrameOverhead) {
      DropFrameStart(DropReason::kLengthTooSmall, kLengthByte + 1);
      continue;
    }
    if (pending_.size() < length) return;
    std::vector<uint8_t> frame(length);
    std::transform(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length),
                   frame.begin(), [](const TimedByte& b) { return b.value; });
    if (!ChecksumHolds(frame)) {
      DropFrameStart(DropReason::kBadChecksum, length);
      continue;
    }
    EmitFrame(length);
  }
}

void FrameDecoder::SkipToStartSymbol() {
  while (!pending_.empty() && pending_.front().value != kRequestStart) {
    NotePreamble(pending_.front());
    pending_.pop_front();
  }
}

void FrameDecoder::NotePreamble(const TimedByte& byte) {
  if (byte.value != kPreamble) {
    preambleRun_ = 0;
    return;
  }
  if (preambleRun_ == 0) preambleRunStart_ = byte.time;
  ++preambleRun_;
}

void FrameDecoder::DropFrameStart(DropReason reason, size_t bytesSeen) {
  DroppedFrame dropped{reason, {}};
  const size_t count = std::min(bytesSeen, pending_.size());
  for (size_t i = 0; i < count; ++i) dropped.bytes.push_back(pending_[i].value);
  dropped_.push_back(std::move(dropped));
  pending_.pop_front();  // only the 0xCC: the rest is hunted through again
  preambleRun_ = 0;
}

void FrameDecoder::EmitFrame(size_t length) {
  ReceivedFrame frame;
  frame.preambles = preambleRun_;
  frame.firstByteTime = preambleRun_ > 0 ? preambleRunStart_ : pending_.front().time;
  frame.lastByteTime = pending_[length - 1].time;
  for (size_t i = 0; i < length; ++i) frame.bytes.push_back(pending_[i].value);
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
  preambleRun_ = 0;
  frames_.push_back(std::move(frame));
}

}  // namespace emu
