#include "dialogs/speed_search.h"

#include <array>

#include "link/plcbox.h"
#include "link/serial_port.h"
#include "config/speed_table.h"

namespace vkt53 {

namespace {

// Read table 0, fields 0..16, write nothing: the identification read.
constexpr std::array<uint8_t, 6> kProbe = {0, 0, 17, 0, 0, 0};

bool Probe(ExchangeContext& context, int32_t speed) {
  context.exchangeSpeed = speed;
  return RunRequest(context, kTableFunction, kProbe.data(), static_cast<int>(kProbe.size()), 0);
}

}  // namespace

std::string SpeedSearchRefusal(const ExchangeContext& context) {
  if (!context.port || context.port->SetsLineSpeed()) return {};
  return "Определение скорости обмена невозможно: скорость линии порта tcp:// задаёт "
         "сервер портов. Для определения скорости нужен порт rfc2217://.";
}

int32_t SearchExchangeSpeed(ExchangeContext& context, const std::function<void(int32_t)>& beforeTry,
                            const std::function<bool()>& stopRequested) {
  if (!SpeedSearchRefusal(context).empty()) return 0;
  context.followingBytesWaitMs = kSearchFollowingBytesWaitMs;
  context.firstByteWaitMs = kSearchFirstByteWaitMs;
  context.attemptCount = kSearchAttemptCount;
  for (std::size_t i = 1; i < kExchangeSpeeds.size(); ++i) {
    const int32_t speed = kExchangeSpeeds[i];
    if (beforeTry) beforeTry(speed);
    if (stopRequested && stopRequested()) return 0;
    if (Probe(context, speed)) return speed;
  }
  return 0;
}

}  // namespace vkt53
