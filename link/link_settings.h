// The link settings: the record the connection dialog edits and the settings
// file stores. Its stored form is 21 packed little-endian bytes.
#pragma once

#include <array>
#include <cstdint>

namespace vkt53 {

inline constexpr std::size_t kLinkSettingsSize = 21;
using LinkSettingsBytes = std::array<uint8_t, kLinkSettingsSize>;

struct LinkSettings {
  uint8_t tableWriteLock = 0;          // offset 0: nonzero = the table status window offers no writing
  uint8_t reserved = 0;                // offset 1: carried through, never interpreted
  uint8_t portNumber = 1;              // offset 2: n of COMn, 1..255
  int32_t exchangeSpeed = 1200;        // offset 3: bit/s
  uint8_t preambleCount = 0;           // offset 7
  uint8_t attemptCount = 1;            // offset 8: 1..5
  int32_t followingBytesWaitMs = 100;  // offset 9: 55..5000 ms
  int32_t firstByteWaitSec = 2;        // offset 13: 1..120 s
  int32_t rtsPauseMs = 2;              // offset 17: 2..1000 ms

  bool operator==(const LinkSettings&) const = default;
};

// Byte-exact stored form, fields at their offsets, 32-bit values little-endian.
LinkSettingsBytes EncodeLinkSettings(const LinkSettings& settings);
LinkSettings DecodeLinkSettings(const LinkSettingsBytes& bytes);

}  // namespace vkt53
