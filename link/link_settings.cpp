#include "link/link_settings.h"

#include "support/byte_order.h"

namespace vkt53 {

namespace {

void PutInt32(LinkSettingsBytes& bytes, std::size_t offset, int32_t value) {
  PutUint32Le(bytes.data() + offset, static_cast<uint32_t>(value));
}

int32_t GetInt32(const LinkSettingsBytes& bytes, std::size_t offset) {
  return static_cast<int32_t>(GetUint32Le(bytes.data() + offset));
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

}  // namespace vkt53
