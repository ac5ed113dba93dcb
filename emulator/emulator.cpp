#include "emulator/emulator.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "emulator/frames.h"
#include "emulator/request_handler.h"
#include "emulator/state_file.h"
#include "emulator/wire_format.h"

namespace emu {

namespace {

constexpr size_t kReadChunk = 512;

const char* DropReasonText(DropReason reason) {
  switch (reason) {
    case DropReason::kLengthTooSmall:
      return "length below 6";
    case DropReason::kBadChecksum:
      return "bad checksum, no answer";
    case DropReason::kGapInFrame:
      return "frame not completed in time";
  }
  return "";
}

bool AddressedToDevice(const DeviceState& state, const ReceivedFrame& frame) {
  const uint8_t address = frame.bytes[kAddressByte];
  return address == state.address || address == kAnyDeviceAddress;
}

std::optional<timespec> TimeUntil(std::optional<Clock::time_point> deadline) {
  if (!deadline) return std::nullopt;
  const auto left = std::max(Clock::duration::zero(), *deadline - Clock::now());
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
  return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

std::optional<Clock::time_point> Earliest(std::optional<Clock::time_point> a,
                                          std::optional<Clock::time_point> b) {
  if (!a) return b;
  if (!b) return a;
  return std::min(*a, *b);
}

}  // namespace

Emulator::Emulator(PseudoTerminal& terminal, DeviceState state, EmulatorSettings settings,
                   ExchangeLog& log)
    : terminal_(terminal),
      state_(state),
      settings_(std::move(settings)),
      log_(log),
      listeningRate_(MasterBitRate(state)),
      decoder_(FrameGap(listeningRate_)) {}

bool Emulator::Run(const volatile std::sig_atomic_t& stopRequested, const sigset_t& waitMask) {
  while (!stopRequested) {
    if (!WaitForWork(waitMask)) return false;
    const auto now = Clock::now();
    if (!ReadIncoming(now)) return false;
    decoder_.Expire(now);
    LogDropped();
    AnswerFrames();
    SendDueAnswers(Clock::now());
  }
  return true;
}

void Emulator::SaveState() {
  if (settings_.statePath.empty()) return;
  std::string error;
  if (!SaveStateFile(settings_.statePath, state_, &error)) log_.Notice("state not saved: " + error);
}

bool Emulator::WaitForWork(const sigset_t& waitMask) {
  const auto deadline = Earliest(
      decoder_.Deadline(), answers_.empty() ? std::nullopt : std::optional(answers_.front().due));
  const auto timeout = TimeUntil(deadline);
  pollfd fds[2] = {{terminal_.controlFd(), POLLIN, 0}, {terminal_.watchFd(), POLLIN, 0}};
  const int ready = ppoll(fds, 2, timeout ? &*timeout : nullptr, &waitMask);
  if (ready < 0) return errno == EINTR;
  if (fds[1].revents & POLLIN && terminal_.HandleClientClose()) {
    log_.Line("client closed the terminal");
    decoder_.Reset();
    ForgetPendingAnswers();
  }
  // The emulator's own descriptor keeps the terminal open, so a hang-up or
  // an error here means the terminal itself is gone.
  return (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) == 0;
}

bool Emulator::ReadIncoming(Clock::time_point now) {
  uint8_t bytes[kReadChunk];
  for (;;) {
    const ssize_t n = read(terminal_.controlFd(), bytes, sizeof bytes);
    if (n < 0) return errno == EAGAIN || errno == EINTR;
    if (n == 0) return true;
    const std::span<const uint8_t> received(bytes, static_cast<size_t>(n));
    const int32_t clientRate = terminal_.ClientBitRate();
    if (clientRate == listeningRate_) {
      decoder_.Feed(received, now);
      continue;
    }
    // Sent at another rate the bytes arrive garbled: they can start no frame.
    log_.Bytes("rx", received,
               "line noise: sent at " + std::to_string(clientRate) + " bit/s, device listens at " +
                   std::to_string(listeningRate_) + " bit/s");
    decoder_.Reset();
  }
}

void Emulator::LogDropped() {
  for (const DroppedFrame& dropped : decoder_.TakeDropped()) {
    log_.Bytes("rx", dropped.bytes, std::string("dropped: ") + DropReasonText(dropped.reason));
  }
}

void Emulator::AnswerFrames() {
  for (const ReceivedFrame& frame : decoder_.TakeFrames()) {
    if (!AddressedToDevice(state_, frame)) {
      log_.Bytes("rx", frame.bytes,
                 "for address " + std::to_string(frame.bytes[kAddressByte]) +
                     ", not this device: ignored");
      continue;
    }
    Answer(frame);
  }
}

void Emulator::Answer(const ReceivedFrame& request) {
  const uint64_t number = requestNumber_++;
  // The answer goes out with the link parameters in force when the request came.
  const size_t preambles = state_.linkParameters[kAnswerPreamblesField];
  std::string summary;
  const std::vector<uint8_t> frame = MakeAnswer(request, number, &summary);
  std::vector<uint8_t> received(request.preambles, kPreamble);
  received.insert(received.end(), request.bytes.begin(), request.bytes.end());
  log_.Bytes("rx", received, "request " + std::to_string(number) + ": " + summary);

  std::vector<uint8_t> wire(preambles, kPreamble);
  wire.insert(wire.end(), frame.begin(), frame.end());
  const size_t wholeAnswer = wire.size();
  Transmission sent = ApplyFaults(settings_.faults, number, std::move(wire), preambles);
  std::string note = "answer " + std::to_string(number) + ": " + summary;
  for (const auto& fault : sent.faults) note += ", fault: " + fault;
  answers_.push_back({DueTime(request, std::max(wholeAnswer, sent.bytes.size())),
                      std::move(sent.bytes), std::move(note)});
}

// A forced error replaces the answer and the request is not carried out.
std::vector<uint8_t> Emulator::MakeAnswer(const ReceivedFrame& request, uint64_t number,
                                          std::string* summary) {
  if (const auto forced = ForcedError(settings_.faults, number)) {
    *summary = DescribeRequest(request.bytes) + " -> forced error " + std::to_string(forced->code);
    return ErrorFrame(state_.address, request.bytes[kFunctionByte], forced->code, forced->reason);
  }
  if (IgnoresWrite(settings_.faults, request.bytes)) {
    DeviceState untouched = state_;  // answered as a device that stored it would
    HandledRequest handled = HandleRequest(untouched, request.bytes);
    *summary = handled.summary + ", fault: write ignored";
    return std::move(handled.answer);
  }
  HandledRequest handled = HandleRequest(state_, request.bytes);
  if (handled.tableWritten) SaveState();
  *summary = std::move(handled.summary);
  return std::move(handled.answer);
}

Clock::time_point Emulator::DueTime(const ReceivedFrame& request, size_t answerBytes) const {
  if (!settings_.wireDelay) return request.lastByteTime + settings_.turnaround;
  const auto requestTime = TransmitTime(request.preambles + request.bytes.size(), listeningRate_);
  const auto requestEnd = std::max(request.lastByteTime, request.firstByteTime + requestTime);
  return requestEnd + settings_.turnaround + TransmitTime(answerBytes, listeningRate_);
}

void Emulator::SendDueAnswers(Clock::time_point now) {
  while (!answers_.empty() && answers_.front().due <= now) {
    const ScheduledAnswer answer = std::move(answers_.front());
    answers_.pop_front();
    if (answer.bytes.empty()) {
      log_.Line(answer.note);
    } else {
      Transmit(answer);
    }
    ListenAtMasterSpeed();
  }
}

void Emulator::Transmit(const ScheduledAnswer& answer) {
  size_t done = 0;
  while (done < answer.bytes.size()) {
    const ssize_t n =
        write(terminal_.controlFd(), answer.bytes.data() + done, answer.bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      // Nobody reads the terminal and its buffer is full: the rest of the
      // answer is lost, as on a line with nobody listening.
      log_.Notice("terminal full, " + std::to_string(answer.bytes.size() - done) +
                  " answer bytes lost");
      break;
    }
  }
  log_.Bytes("tx", std::span(answer.bytes).first(done), answer.note);
}

// Answers to a client that has gone would reach whoever opens the port next.
// They stay scheduled, empty, so that a new master speed still takes effect
// when the answer would have gone out.
void Emulator::ForgetPendingAnswers() {
  for (ScheduledAnswer& answer : answers_) {
    answer.bytes.clear();
    answer.note += ", not sent: client gone";
  }
}

void Emulator::ListenAtMasterSpeed() {
  const int32_t rate = MasterBitRate(state_);
  if (rate == listeningRate_) return;
  log_.Line("now listening at " + std::to_string(rate) + " bit/s");
  listeningRate_ = rate;
  decoder_.SetGap(FrameGap(rate));
}

}  // namespace emu
