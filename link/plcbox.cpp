#include "link/plcbox.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "link/crc16.h"
#include "link/link_settings.h"
#include "link/port.h"
#include "link/text_format.h"

namespace {

constexpr int kMaxFrame = 255;
constexpr int kNameOffset = 4;
constexpr int kPasswordOffset = 16;
constexpr int kAfterCredentials = 20;
constexpr int kIdentifiedFrameLength = 21;
constexpr int kIdentifierByte = 8;
constexpr int kResponseIdentifierByte = 6;
constexpr int kWriteCountByte = 9;  // write field count of a function 29 block
constexpr uint8_t kReplyBit = 0x80;

// The transmit hold time the device's line converter is built for: 10 bits a
// byte at 1200 bit/s, whatever the exchange speed.
constexpr double kHoldBitRate = 1200.0;
constexpr double kHoldBitsPerByte = 10.0;

const char* const kIdentifierMismatch = "Несоответствие идентификатора запроса в ответе(%d->%d)";

bool Fail(ExchangeContext& context, int code) {
  context.resultCode = code;
  return false;
}

void PutCredentials(ExchangeContext& context) {
  std::copy(context.userName.begin(), context.userName.end(), context.request.begin() + kNameOffset);
  std::copy(context.password.begin(), context.password.end(),
            context.request.begin() + kPasswordOffset);
}

void PutData(ExchangeContext& context, int offset, const uint8_t* data, int count) {
  if (count > 0) std::memcpy(context.request.data() + offset, data, static_cast<std::size_t>(count));
}

// Lays out the function's data and returns the frame length, or 0 when the
// function code or the data length cannot be built into a frame.
int BuildFrame(ExchangeContext& context, uint8_t function, const uint8_t* data, int length,
               uint8_t value) {
  auto fixed = [&](int needed, int offset, int frameLength) {
    if (length != needed || (needed > 0 && data == nullptr)) return 0;
    PutData(context, offset, data, needed);
    return frameLength;
  };
  if (length < 0) return 0;
  switch (function) {
    case 1:
      context.request[4] = value;
      return fixed(3, 5, 10);
    case 2:
      if (length > 232 || (length > 0 && data == nullptr)) return 0;
      PutCredentials(context);
      context.request[kAfterCredentials] = value;
      PutData(context, kAfterCredentials + 1, data, length);
      return 23 + length;
    case 7:
      return fixed(7, 4, 13);
    case 8:
      return fixed(15, 4, kIdentifiedFrameLength);
    case 9:
      PutCredentials(context);
      return fixed(12, kAfterCredentials, 34);
    case 11:
      PutCredentials(context);
      return fixed(8, kAfterCredentials, 30);
    case 12:
      PutCredentials(context);
      return fixed(2, kAfterCredentials, 24);
    case 25:
      PutCredentials(context);
      return fixed(0, kAfterCredentials, 22);
    case kTableFunction:
      if (length > kMaxFrame - 6 || (length > 0 && data == nullptr)) return 0;
      PutData(context, 4, data, length);
      return 6 + length;
    default:
      return 0;
  }
}

void PutChecksum(ExchangeContext& context, int frameLength) {
  const uint16_t crc = Crc16(context.request.data(), static_cast<std::size_t>(frameLength - 2));
  context.request[frameLength - 2] = static_cast<uint8_t>(crc & 0xFF);
  context.request[frameLength - 1] = static_cast<uint8_t>(crc >> 8);
}

bool IsWriteRequest(const ExchangeContext& context, uint8_t function) {
  return function == 2 || (function == kTableFunction && context.request[kWriteCountByte] != 0);
}

// A damaged settings file can hold an attempt count of 0; one attempt is
// always made, so that a request is never reported done without being sent.
int Attempts(const ExchangeContext& context) { return std::max<int>(context.attemptCount, 1); }

bool RunIdentifiedRequest(ExchangeContext& context) {
  uint8_t& idByte = context.request[kIdentifierByte];
  int identifier = idByte >> 6;
  for (int attempt = 1;; ++attempt) {
    PutChecksum(context, kIdentifiedFrameLength);
    if (ExchangeOnce(context, kIdentifiedFrameLength) || attempt >= Attempts(context)) break;
    identifier = (identifier + 1) & 3;
    idByte = static_cast<uint8_t>((idByte & 0x3F) | (identifier << 6));
  }
  if (context.resultCode != kResultOk) return false;
  const int received = context.response[kResponseIdentifierByte] >> 6;
  if (received != identifier) {
    context.messages[kResultIdentifierMismatch] = Format(kIdentifierMismatch, identifier, received);
    return Fail(context, kResultIdentifierMismatch);
  }
  return true;
}

// The port calls of one attempt; a missing port fails like a closed one.
bool PortPurge(const PortHandle& port) { return port && port->Purge(); }
bool PortSetDtr(const PortHandle& port, bool up) { return port && port->SetDtr(up); }
bool PortSetRts(const PortHandle& port, bool up) { return port && port->SetRts(up); }
bool PortWrite(const PortHandle& port, const std::vector<uint8_t>& bytes) {
  return port && port->Write(bytes.data(), bytes.size());
}

enum class ReadOutcome { Ok, Failed, Short };

ReadOutcome PortRead(const PortHandle& port, uint8_t* into, std::size_t count) {
  std::size_t got = 0;
  if (!port || !port->Read(into, count, got)) {
    ClearPortErrors(port);
    return ReadOutcome::Failed;
  }
  return got == count ? ReadOutcome::Ok : ReadOutcome::Short;
}

void PrepareAttempt(ExchangeContext& context) {
  const PortHandle& port = context.port;
  SetPortSpeed(port, context.exchangeSpeed);
  SetWriteTimeouts(port, 50, 50);
  SetReadTimeouts(port, context.firstByteWaitMs, 1000, context.firstByteWaitMs);
  PortPurge(port);
  PortSetDtr(port, true);
  PortSetRts(port, true);
}

std::vector<uint8_t> TransmitBytes(const ExchangeContext& context, int frameLength) {
  std::vector<uint8_t> bytes(context.preambleCount, 0xFF);
  bytes.insert(bytes.end(), context.request.begin(), context.request.begin() + frameLength);
  return bytes;
}

// How long RTS stays raised, counted from the write: the time computed for
// 1200 bit/s, or, where the bytes take longer on the wire at the port's bit
// rate (below 1200 bit/s, or with more bits a character), their own wire
// time plus one character, so that the transmitter is never switched off
// under the last byte. Timing rather than the system's drain, which waits
// for the driver's queue, not the line, and has no time-out.
SteadyClock::duration TransmitHold(const ExchangeContext& context, std::size_t bytes) {
  const double characters = static_cast<double>(bytes + 1);
  double seconds = characters * kHoldBitsPerByte / kHoldBitRate;
  LineSettings line;
  if (context.port && context.port->GetLineSettings(line)) {
    const double bitRate = ClampPortSpeed(context.exchangeSpeed);
    seconds = std::max(seconds, characters * CharacterBits(line) / bitRate);
  }
  return std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(seconds));
}

bool AddressAccepted(ExchangeContext& context, uint8_t responder) {
  if (responder == context.deviceAddress) return true;
  if (context.request[1] == 0xFF) {
    context.deviceAddress = responder;
    return true;
  }
  return context.request[3] == 2 && context.request[21] == 13 && context.request[22] == 0 &&
         responder == context.request[24];
}

// A response's start symbol, address and length byte. False when the hunt
// must go on; lineGaveNothing then tells whether a read failed or brought no
// byte (rather than a byte that was skipped).
bool ReadFrameHead(ExchangeContext& context, bool& lineGaveNothing) {
  const PortHandle& port = context.port;
  uint8_t* response = context.response.data();
  auto readByte = [&](int at) {
    lineGaveNothing = PortRead(port, &response[at], 1) != ReadOutcome::Ok;
    return !lineGaveNothing;
  };
  if (!readByte(0) || response[0] != kResponseStart) return false;
  SetReadTimeouts(port, context.followingBytesWaitMs, 100, context.firstByteWaitMs);
  return readByte(1) && AddressAccepted(context, response[1]) && readByte(2) &&
         response[2] >= 4;
}

// The rest of a frame whose head has come; returns the final result code.
int ReadFrameBody(ExchangeContext& context) {
  uint8_t* response = context.response.data();
  const int length = response[2];
  const ReadOutcome body =
      PortRead(context.port, &response[3], static_cast<std::size_t>(length - 3));
  if (body == ReadOutcome::Failed) return kResultReadFailed;
  if (body == ReadOutcome::Short) return kResultShortBody;
  if (Crc16(response, static_cast<std::size_t>(length)) != 0) return kResultBadChecksum;
  if (response[3] == (context.request[3] | kReplyBit)) return kResultOk;
  return DecodeDeviceError(context.messages, &response[4]);
}

// A line whose far end is gone fails every read at once; hunting on without
// a pause would spin a processor core until the deadline. The pause lasts
// until the next character could have come, and at least a few ms.
void PauseTheHunt(const ExchangeContext& context, SteadyClock::time_point deadline) {
  constexpr auto kShortestPause = std::chrono::milliseconds(5);
  SteadyClock::duration pause = kShortestPause;
  if (context.exchangeSpeed > 0) {
    const std::chrono::duration<double> character(10.0 / context.exchangeSpeed);
    pause = std::max(pause, std::chrono::duration_cast<SteadyClock::duration>(character));
  }
  SleepUntil(std::min(SteadyClock::now() + pause, deadline));
}

// Hunts for one response frame until a final outcome; returns the result code.
int Receive(ExchangeContext& context, SteadyClock::time_point receiveStart) {
  const auto deadline = receiveStart + std::chrono::milliseconds(context.firstByteWaitMs);
  for (;;) {
    context.resultCode = kResultOk;
    bool lineGaveNothing = false;
    if (ReadFrameHead(context, lineGaveNothing)) return ReadFrameBody(context);
    if (SteadyClock::now() > deadline) return kResultNoAnswer;
    if (lineGaveNothing) PauseTheHunt(context, deadline);
  }
}

}  // namespace

ExchangeContext::ExchangeContext(uint8_t address)
    : deviceAddress(address), messages(MakeMessageTable()), tables(MakeConfigTableList()) {
  userName.fill(' ');
  password.fill(' ');
}

void LoadExchangeParameters(ExchangeContext& context, const LinkSettings& settings,
                            const PortHandle& port) {
  auto nonNegative = [](int32_t v) { return static_cast<uint32_t>(std::max<int32_t>(v, 0)); };
  context.port = port;
  context.exchangeSpeed = settings.exchangeSpeed;
  context.preambleCount = settings.preambleCount;
  context.followingBytesWaitMs = nonNegative(settings.followingBytesWaitMs);
  context.firstByteWaitMs = nonNegative(settings.firstByteWaitSec) * 1000;
  context.rtsPauseMs = nonNegative(settings.rtsPauseMs);
  context.attemptCount = settings.attemptCount;
}

bool RunRequest(ExchangeContext& context, uint8_t function, const uint8_t* data, int length,
                uint8_t value) {
  context.resultCode = kResultOk;
  context.lastFunctionCode = function;
  context.request.fill(0);
  context.request[0] = kRequestStart;
  context.request[1] = context.deviceAddress;
  context.request[3] = function;

  const int frameLength = BuildFrame(context, function, data, length, value);
  if (frameLength == 0) return Fail(context, kResultBadFunction);
  context.request[2] = static_cast<uint8_t>(frameLength);
  if (function == 8) return RunIdentifiedRequest(context);

  PutChecksum(context, frameLength);
  const uint32_t plainWait = context.firstByteWaitMs;
  if (IsWriteRequest(context, function)) context.firstByteWaitMs += kWriteAnswerExtensionMs;
  for (int attempt = 0; attempt < Attempts(context); ++attempt) {
    if (ExchangeOnce(context, frameLength)) break;
  }
  context.firstByteWaitMs = plainWait;
  return context.resultCode == kResultOk;
}

bool ExchangeOnce(ExchangeContext& context, int frameLength) {
  context.resultCode = kResultOk;
  if (context.request[0] != kRequestStart) return Fail(context, kResultBadStartSymbol);

  const std::vector<uint8_t> transmit = TransmitBytes(context, frameLength);
  PrepareAttempt(context);
  WaitMs(context.rtsPauseMs);

  TransmitTiming& timing = context.lastTiming;
  timing.writeStart = SteadyClock::now();
  timing.holdUntil = timing.writeStart + TransmitHold(context, transmit.size());
  if (!PortWrite(context.port, transmit)) {
    ClearPortErrors(context.port);
    return Fail(context, kResultWriteFailed);
  }
  WaitUntilPrecise(timing.holdUntil);
  PortSetRts(context.port, false);
  timing.rtsDropped = SteadyClock::now();

  context.resultCode = Receive(context, timing.rtsDropped);
  PortPurge(context.port);
  return context.resultCode == kResultOk;
}

const std::string& FailureText(ExchangeContext& context) {
  const int code = context.resultCode;
  // The text is copied first: for some codes it may be the buffer itself.
  const std::string text = code >= 0 && code < kMessageCount ? context.messages[code] : std::string();
  context.textBuffer = FailureLine(context.lastFunctionCode, text);
  return context.textBuffer;
}
