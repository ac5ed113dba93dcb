#include "link/plcbox.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "support/byte_order.h"
#include "link/crc16.h"
#include "link/exchange_reports.h"
#include "link/link_settings.h"
#include "link/port_operations.h"
#include "support/text_format.h"

namespace vkt53 {

namespace {

constexpr int kMaxFrame = 255;
constexpr int kChecksumSize = 2;
constexpr int kDataStart = 4;  // after start symbol, address, length and function code

// Bytes of a frame, request and response alike, before the function's data.
constexpr int kStartByte = 0;
constexpr int kAddressByte = 1;
constexpr int kLengthByte = 2;
constexpr int kFunctionByte = 3;
constexpr int kFrameHeadSize = 3;  // start symbol, address and length, read one by one
constexpr int kErrorCodeByte = 4;  // of an error response
constexpr uint8_t kShortestResponse = 4;

constexpr uint8_t kPreamble = 0xFF;
constexpr uint8_t kAnyAddress = 0xFF;  // a request to it is answered by whoever is there
constexpr uint8_t kReplyBit = 0x80;

// The user name and password of the functions that carry them.
constexpr int kNameOffset = 4;
constexpr int kPasswordOffset = 16;
constexpr int kAfterCredentials = 20;

// Function 8, the identified request: bits 7..6 of request byte 8 and of
// response byte 6 carry the request identifier.
constexpr uint8_t kIdentifiedFunction = 8;
constexpr int kIdentifierByte = 8;
constexpr int kResponseIdentifierByte = 6;
constexpr int kIdentifierShift = 6;
constexpr uint8_t kIdentifierBits = 0xC0;
constexpr int kIdentifierCount = 4;

// Function 2, a write with the user name and password. A request of it
// with 13, 0 in bytes 21 and 22 is answered from the address in its byte 24.
constexpr uint8_t kCredentialedWriteFunction = 2;
constexpr int kCommandByte = 21;
constexpr uint8_t kAddressCommand[] = {13, 0};
constexpr int kAnsweringAddressByte = 24;

constexpr int kWriteCountByte = kDataStart + 5;  // the write field count of a function 29 block

// The port's time-outs in an attempt: the writes', and the reads' per byte
// while hunting for a start symbol and once a frame has begun.
constexpr uint32_t kWritePerByteMs = 50;
constexpr uint32_t kWriteConstantMs = 50;
constexpr uint32_t kHuntReadPerByteMs = 1000;
constexpr uint32_t kFrameReadPerByteMs = 100;

// The transmit hold time the device's line converter is built for: 10 bits a
// byte at 1200 bit/s, whatever the exchange speed.
constexpr double kHoldBitRate = 1200.0;
constexpr double kHoldBitsPerByte = 10.0;

constexpr double kBitsPerCharacter = 10.0;  // 8N1 on the line

const char* const kIdentifierMismatch = "Несоответствие идентификатора запроса в ответе(%d->%d)";

// Where a function's request puts its data (after the user name and
// password for those that carry them) and how many bytes it takes.
struct RequestLayout {
  uint8_t function;
  bool credentials;
  int valueByte;  // where the caller's value byte goes; 0: none
  int dataOffset;
  int dataBytes;      // exactly, or at most when variableData
  bool variableData;  // the caller's data length sets the frame length
};

// Variable data fills a frame at most.
constexpr int DataRoomFrom(int offset) { return kMaxFrame - offset - kChecksumSize; }

constexpr RequestLayout kRequestLayouts[] = {
    {1, false, kDataStart, kDataStart + 1, 3, false},
    {kCredentialedWriteFunction, true, kAfterCredentials, kAfterCredentials + 1,
     DataRoomFrom(kAfterCredentials + 1), true},
    {7, false, 0, kDataStart, 7, false},
    {kIdentifiedFunction, false, 0, kDataStart, 15, false},
    {9, true, 0, kAfterCredentials, 12, false},
    {11, true, 0, kAfterCredentials, 8, false},
    {12, true, 0, kAfterCredentials, 2, false},
    {25, true, 0, kAfterCredentials, 0, false},
    {kTableFunction, false, 0, kDataStart, DataRoomFrom(kDataStart), true},
};

const RequestLayout* LayoutOf(uint8_t function) {
  for (const RequestLayout& layout : kRequestLayouts) {
    if (layout.function == function) return &layout;
  }
  return nullptr;
}

bool Fail(ExchangeContext& context, int code) {
  context.resultCode = code;
  return false;
}

bool ExchangeAttempt(ExchangeContext& context, int frameLength, int attempt, int attempts);

void PutCredentials(ExchangeContext& context) {
  std::copy(context.userName.begin(), context.userName.end(),
            context.request.begin() + kNameOffset);
  std::copy(context.password.begin(), context.password.end(),
            context.request.begin() + kPasswordOffset);
}

void PutData(ExchangeContext& context, int offset, const uint8_t* data, int count) {
  if (count > 0)
    std::memcpy(context.request.data() + offset, data, static_cast<std::size_t>(count));
}

// Lays out the function's data and returns the frame length, or 0 when the
// function code or the data length cannot be built into a frame.
int BuildFrame(ExchangeContext& context, uint8_t function, const uint8_t* data, int length,
               uint8_t value) {
  const RequestLayout* layout = LayoutOf(function);
  if (!layout || length < 0) return 0;
  if (layout->credentials) PutCredentials(context);
  if (layout->valueByte != 0) context.request[layout->valueByte] = value;
  const bool fits =
      layout->variableData ? length <= layout->dataBytes : length == layout->dataBytes;
  if (!fits || (length > 0 && data == nullptr)) return 0;
  PutData(context, layout->dataOffset, data, length);
  return layout->dataOffset + length + kChecksumSize;
}

void PutChecksum(ExchangeContext& context, int frameLength) {
  const uint16_t crc =
      Crc16(context.request.data(), static_cast<std::size_t>(frameLength - kChecksumSize));
  PutUint16Le(context.request.data() + frameLength - kChecksumSize, crc);
}

bool IsWriteRequest(const ExchangeContext& context, uint8_t function) {
  return function == kCredentialedWriteFunction ||
         (function == kTableFunction && context.request[kWriteCountByte] != 0);
}

// A damaged settings file can hold an attempt count of 0; one attempt is
// always made, so that a request is never reported done without being sent.
int Attempts(const ExchangeContext& context) { return std::max<int>(context.attemptCount, 1); }

bool RunIdentifiedRequest(ExchangeContext& context, int frameLength) {
  uint8_t& idByte = context.request[kIdentifierByte];
  int identifier = idByte >> kIdentifierShift;
  for (int attempt = 1;; ++attempt) {
    PutChecksum(context, frameLength);
    if (ExchangeAttempt(context, frameLength, attempt, Attempts(context)) ||
        attempt >= Attempts(context)) {
      break;
    }
    identifier = (identifier + 1) % kIdentifierCount;
    idByte = static_cast<uint8_t>((idByte & ~kIdentifierBits) | (identifier << kIdentifierShift));
  }
  if (context.resultCode != kResultOk) return false;
  const int received = context.response[kResponseIdentifierByte] >> kIdentifierShift;
  if (received != identifier) {
    context.messages[kResultIdentifierMismatch] = Format(kIdentifierMismatch, identifier, received);
    Fail(context, kResultIdentifierMismatch);
    ReportFailure(context, kIdentifiedFunction, identifier, received);
    return false;
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

ReadOutcome PortRead(const PortHandle& port, uint8_t* into, std::size_t count,
                     std::size_t* gotOut = nullptr) {
  std::size_t got = 0;
  const bool read = port && port->Read(into, count, got);
  if (gotOut) *gotOut = read ? got : 0;
  if (!read) {
    ClearPortErrors(port);
    return ReadOutcome::Failed;
  }
  return got == count ? ReadOutcome::Ok : ReadOutcome::Short;
}

// The line's direction as the converter wants it: RTS raised for sending
// and dropped for receiving (normal), the other way round (inverted), or
// never touched by a converter that switches by itself (off). The timing
// around it is the same in every mode.
void SwitchToSending(const ExchangeContext& context, bool sending) {
  switch (context.rtsMode) {
    case RtsMode::Normal: PortSetRts(context.port, sending); break;
    case RtsMode::Inverted: PortSetRts(context.port, !sending); break;
    case RtsMode::Off: break;
  }
}

void PrepareAttempt(ExchangeContext& context) {
  const PortHandle& port = context.port;
  SetPortSpeed(port, context.exchangeSpeed);
  SetWriteTimeouts(port, kWritePerByteMs, kWriteConstantMs);
  SetReadTimeouts(port, context.firstByteWaitMs, kHuntReadPerByteMs, context.firstByteWaitMs);
  PortPurge(port);
  PortSetDtr(port, true);
  SwitchToSending(context, true);
}

std::vector<uint8_t> TransmitBytes(const ExchangeContext& context, int frameLength) {
  std::vector<uint8_t> bytes(context.preambleCount, kPreamble);
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
  const auto& request = context.request;
  if (request[kAddressByte] == kAnyAddress) {
    context.deviceAddress = responder;
    return true;
  }
  return request[kFunctionByte] == kCredentialedWriteFunction &&
         request[kCommandByte] == kAddressCommand[0] &&
         request[kCommandByte + 1] == kAddressCommand[1] &&
         responder == request[kAnsweringAddressByte];
}

// A response's start symbol, address and length byte. False when the hunt
// must go on; lineGaveNothing then tells whether a read failed or brought no
// byte (rather than a byte that was skipped), headBytes how many came.
bool ReadFrameHead(ExchangeContext& context, bool& lineGaveNothing, int& headBytes,
                   HuntNotes* notes) {
  const PortHandle& port = context.port;
  uint8_t* response = context.response.data();
  headBytes = 0;
  auto readByte = [&](int at) {
    lineGaveNothing = PortRead(port, &response[at], 1) != ReadOutcome::Ok;
    if (!lineGaveNothing) ++headBytes;
    return !lineGaveNothing;
  };
  if (!readByte(kStartByte) || response[kStartByte] != kResponseStart) return false;
  if (notes) notes->startSymbolAt = ClockNow();
  SetReadTimeouts(port, context.followingBytesWaitMs, kFrameReadPerByteMs, context.firstByteWaitMs);
  return readByte(kAddressByte) && AddressAccepted(context, response[kAddressByte]) &&
         readByte(kLengthByte) && response[kLengthByte] >= kShortestResponse;
}

// The rest of a frame whose head has come; returns the final result code.
int ReadFrameBody(ExchangeContext& context, std::size_t& bodyBytes) {
  uint8_t* response = context.response.data();
  const int length = response[kLengthByte];
  const ReadOutcome body = PortRead(context.port, &response[kFrameHeadSize],
                                    static_cast<std::size_t>(length - kFrameHeadSize), &bodyBytes);
  if (body == ReadOutcome::Failed) return kResultReadFailed;
  if (body == ReadOutcome::Short) return kResultShortBody;
  if (Crc16(response, static_cast<std::size_t>(length)) != 0) return kResultBadChecksum;
  if (response[kFunctionByte] == (context.request[kFunctionByte] | kReplyBit)) return kResultOk;
  return DecodeDeviceError(context.messages, &response[kErrorCodeByte]);
}

// A line whose far end is gone fails every read at once; hunting on without
// a pause would spin a processor core until the deadline. The pause lasts
// until the next character could have come, and at least a few ms.
void PauseTheHunt(const ExchangeContext& context, SteadyClock::time_point deadline) {
  constexpr auto kShortestPause = std::chrono::milliseconds(5);
  SteadyClock::duration pause = kShortestPause;
  if (context.exchangeSpeed > 0) {
    const std::chrono::duration<double> character(kBitsPerCharacter / context.exchangeSpeed);
    pause = std::max(pause, std::chrono::duration_cast<SteadyClock::duration>(character));
  }
  SleepUntil(std::min(ClockNow() + pause, deadline));
}

// Hunts for one response frame until a final outcome; returns the result code.
int Receive(ExchangeContext& context, SteadyClock::time_point receiveStart, HuntNotes* notes) {
  const auto deadline = receiveStart + std::chrono::milliseconds(context.firstByteWaitMs);
  for (;;) {
    context.resultCode = kResultOk;
    bool lineGaveNothing = false;
    int headBytes = 0;
    if (ReadFrameHead(context, lineGaveNothing, headBytes, notes)) {
      std::size_t bodyBytes = 0;
      const int code = ReadFrameBody(context, bodyBytes);
      if (notes) {
        notes->startSymbolSeen = true;
        notes->frameBytes = kFrameHeadSize + bodyBytes;
      }
      return code;
    }
    if (notes && headBytes > 0)
      notes->Skip(context.response.data(), static_cast<std::size_t>(headBytes));
    if (ClockNow() > deadline) return kResultNoAnswer;
    if (lineGaveNothing) PauseTheHunt(context, deadline);
  }
}

}  // namespace

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
  context.request[kStartByte] = kRequestStart;
  context.request[kAddressByte] = context.deviceAddress;
  context.request[kFunctionByte] = function;

  const int frameLength = BuildFrame(context, function, data, length, value);
  if (frameLength == 0) {
    Fail(context, kResultBadFunction);
    ReportFailure(context, function);
    return false;
  }
  context.request[kLengthByte] = static_cast<uint8_t>(frameLength);
  if (function == kIdentifiedFunction) return RunIdentifiedRequest(context, frameLength);

  PutChecksum(context, frameLength);
  const uint32_t plainWait = context.firstByteWaitMs;
  if (IsWriteRequest(context, function)) context.firstByteWaitMs += kWriteAnswerExtensionMs;
  for (int attempt = 1; attempt <= Attempts(context); ++attempt) {
    if (ExchangeAttempt(context, frameLength, attempt, Attempts(context))) break;
  }
  context.firstByteWaitMs = plainWait;
  return context.resultCode == kResultOk;
}

bool ExchangeOnce(ExchangeContext& context, int frameLength) {
  return ExchangeAttempt(context, frameLength, 1, 1);
}

namespace {

bool ExchangeAttempt(ExchangeContext& context, int frameLength, int attempt, int attempts) {
  context.resultCode = kResultOk;
  if (context.request[kStartByte] != kRequestStart) return Fail(context, kResultBadStartSymbol);

  const std::vector<uint8_t> transmit = TransmitBytes(context, frameLength);
  PrepareAttempt(context);
  const bool observed = context.observer != nullptr;
  const SteadyClock::time_point rtsRaised = observed ? ClockNow() : SteadyClock::time_point{};
  WaitMs(context.rtsPauseMs);

  TransmitTiming& timing = context.lastTiming;
  timing.writeStart = ClockNow();
  timing.holdUntil = timing.writeStart + TransmitHold(context, transmit.size());
  if (!PortWrite(context.port, transmit)) {
    ClearPortErrors(context.port);
    Fail(context, kResultWriteFailed);
    if (observed) ReportSent(context, frameLength, attempt, attempts, rtsRaised, true);
    return false;
  }
  WaitUntilPrecise(timing.holdUntil);
  SwitchToSending(context, false);
  timing.rtsDropped = ClockNow();
  if (observed) ReportSent(context, frameLength, attempt, attempts, rtsRaised, false);

  std::optional<HuntNotes> notes;
  if (observed) notes.emplace();
  context.resultCode = Receive(context, timing.rtsDropped, notes ? &*notes : nullptr);
  PortPurge(context.port);
  if (observed) ReportAnswer(context, frameLength, attempt, attempts, *notes);
  return context.resultCode == kResultOk;
}

}  // namespace

const std::string& FailureText(ExchangeContext& context) {
  const int code = context.resultCode;
  // The text is copied first: for some codes it may be the buffer itself.
  const std::string text =
      code >= 0 && code < kMessageCount ? context.messages[code] : std::string();
  context.textBuffer = FailureLine(context.lastFunctionCode, text);
  return context.textBuffer;
}

}  // namespace vkt53
