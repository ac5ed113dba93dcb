#include "link_settings.h"

namespace {

void PutInt32(LinkSettingsBytes& bytes, std::size_t offset, int32_t value) {
  const auto u = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t GetInt32(const LinkSettingsBytes& bytes, std::size_t offset) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(bytes[offset + i]) << (8 * i);
  return static_cast<int32_t>(u);
}

}  // namespace

LinkSettingsBytes EncodeLinkSettings(const LinkSettings& s) {
  LinkSettingsBytes bytes{};
  bytes[0] = s.tableWriteLock;
  bytes[1] = s.reserved;
  bytes[2] = s.portNumber;
  PutInt32(bytes, 3, s.exchangeSpeed);
  bytes[7] = s.preambleCount;
  bytes[8] = s.attemptCount;
  PutInt32(bytes, 9, s.followingBytesWaitMs);
  PutInt32(bytes, 13, s.firstByteWaitSec);
  PutInt32(bytes, 17, s.rtsPauseMs);
  return bytes;
}

LinkSettings DecodeLinkSettings(const LinkSettingsBytes& bytes) {
  LinkSettings s;
  s.tableWriteLock = bytes[0];
  s.reserved = bytes[1];
  s.portNumber = bytes[2];
  s.exchangeSpeed = GetInt32(bytes, 3);
  s.preambleCount = bytes[7];
  s.attemptCount = bytes[8];
  s.followingBytesWaitMs = GetInt32(bytes, 9);
  s.firstByteWaitSec = GetInt32(bytes, 13);
  s.rtsPauseMs = GetInt32(bytes, 17);
  return s;
}
