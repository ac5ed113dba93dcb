#include "emulator/exchange_log.h"

#include <chrono>
#include <ctime>

#include "support/hex_text.h"

namespace emu {

using vkt53::HexText;

namespace {

std::string TimeStamp() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(ms.count()));
  return text;
}

}  // namespace

void ExchangeLog::Bytes(const char* direction, std::span<const uint8_t> bytes,
                        const std::string& decoded) {
  if (!enabled_) return;
  const std::string stamp = TimeStamp();
  Write(stamp + " " + direction + " " + HexText(bytes) + "\n" + std::string(stamp.size(), ' ') +
        "    " + decoded + "\n");
}

void ExchangeLog::Line(const std::string& text) {
  if (enabled_) Write(TimeStamp() + " " + text + "\n");
}

void ExchangeLog::Notice(const std::string& text) { Write(TimeStamp() + " " + text + "\n"); }

void ExchangeLog::Write(const std::string& text) {
  std::fputs(text.c_str(), out_);
  std::fflush(out_);
}

}  // namespace emu
