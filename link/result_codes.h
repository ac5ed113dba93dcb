// Result codes of a request, the device's error and reason codes, and their
// Russian texts.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vkt53 {

inline constexpr int kResultOk = 0;
inline constexpr int kResultBadStartSymbol = 1;
inline constexpr int kResultBadFunction = 2;
inline constexpr int kResultWriteFailed = 3;
inline constexpr int kResultReadFailed = 4;
inline constexpr int kResultShortBody = 5;
inline constexpr int kResultBadChecksum = 7;
inline constexpr int kResultDeviceError = 8;
inline constexpr int kResultNoAnswer = 10;
inline constexpr int kResultValveError = 12;
inline constexpr int kReasonSlot = 13;
inline constexpr int kResultIdentifierMismatch = 18;

inline constexpr int kMessageCount = 128;
inline constexpr int kDeviceErrorBase = 19;  // entry of device error e: 19 + e
inline constexpr int kReasonBase = 76;       // entry of reason r: 76 + r

// 0..18 result codes, 20..75 device errors 1..56, 76..127 reasons 0..51.
// The entries of codes 8 and 18 and the reason slot 13 are filled when the
// failure happens.
using MessageTable = std::array<std::string, kMessageCount>;

MessageTable MakeMessageTable();

// "Команда %d.  %s": the line shown for a failed request.
std::string FailureLine(int functionCode, const std::string& resultText);

// Decodes an error response's data (from response byte 4 on) into the
// message table: the text of result code 8, or for device error 24 the
// reason slot. Returns the result code: 8, or 12 for error 24.
int DecodeDeviceError(MessageTable& messages, const uint8_t* errorData);

}  // namespace vkt53
