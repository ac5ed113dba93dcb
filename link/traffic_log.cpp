#include "link/traffic_log.h"

#include <chrono>
#include <ctime>
#include <system_error>

#include "config/configuration_backup.h"
#include "support/file_io.h"
#include "support/text_format.h"

namespace vkt53 {

namespace fs = std::filesystem;

namespace {

// "08.12.2026 19:15:02", with ".123" milliseconds when asked.
std::string WallTime(std::chrono::system_clock::time_point moment, bool milliseconds) {
  std::string text = DateTimeText(LocalTime(std::chrono::system_clock::to_time_t(moment)));
  if (milliseconds) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        moment.time_since_epoch() % std::chrono::seconds(1))
                        .count();
    text += Format(".%03d", static_cast<int>(ms));
  }
  return text;
}

// The wall-clock moments of now and of the lines' zero, so that an
// hour-long log can be laid beside the clock.
std::string HeaderLine(SteadyClock::time_point epoch) {
  const auto now = std::chrono::system_clock::now();
  const auto zero =
      now - std::chrono::duration_cast<std::chrono::system_clock::duration>(ClockNow() - epoch);
  return "Журнал обмена открыт " + WallTime(now, false) + "; время строк - мс от " +
         WallTime(zero, true);
}

}  // namespace

TrafficLog::TrafficLog(const std::string& utf8Path, SteadyClock::time_point epoch,
                       std::uintmax_t sizeLimit, int olderFiles)
    : path_(utf8Path),
      file_(PathFromUtf8(utf8Path)),
      epoch_(epoch),
      sizeLimit_(sizeLimit),
      olderFiles_(olderFiles < 0 ? 0 : olderFiles) {
  Open();
}

void TrafficLog::Write(const std::string& line) {
  if (!Writing()) return;
  const std::string text = line + kTextLineEnd;
  // A line longer than the limit still goes into a file of its own.
  if (!headerOnly_ && size_ + text.size() > sizeLimit_ && !RollOver()) return;
  if (Append(text)) headerOnly_ = false;
}

bool TrafficLog::Open() {
  std::error_code ec;
  const std::uintmax_t existing = fs::file_size(file_, ec);
  size_ = ec ? 0 : existing;
  out_.open(file_, std::ios::binary | std::ios::app);
  if (!out_.is_open()) return Stop("Файл журнала обмена не открыт: " + path_);
  headerOnly_ = size_ == 0;
  return Append(HeaderLine(epoch_) + kTextLineEnd);
}

// Every rename goes to a name that is free by then (the oldest is removed
// first), as a rename on Windows will not replace a file.
bool TrafficLog::RollOver() {
  out_.close();
  std::error_code ec;
  if (olderFiles_ == 0) {
    fs::remove(file_, ec);
    if (ec) return Stop("Файл журнала обмена не удалён: " + path_);
    return Open();
  }
  fs::remove(OlderFile(olderFiles_), ec);
  for (int number = olderFiles_; number >= 1; --number) {
    const fs::path from = number == 1 ? file_ : OlderFile(number - 1);
    if (!fs::exists(from, ec)) continue;
    fs::rename(from, OlderFile(number), ec);
    if (ec) {
      return Stop("Файл журнала обмена не переименован: " + Utf8OfPath(from) + " -> " +
                  Utf8OfPath(OlderFile(number)));
    }
  }
  return Open();
}

bool TrafficLog::Append(const std::string& text) {
  out_.write(text.data(), static_cast<std::streamsize>(text.size()));
  out_.flush();
  if (!out_) return Stop("Ошибка записи файла журнала обмена: " + path_);
  size_ += text.size();
  return true;
}

bool TrafficLog::Stop(std::string failure) {
  out_.close();
  failure_ = std::move(failure);
  return false;
}

fs::path TrafficLog::OlderFile(int number) const {
  // Appended piece by piece: the "literal" + temporary form trips a false
  // -Wrestrict warning of GCC 12 at -O3.
  std::string suffix(".");
  suffix += std::to_string(number);
  fs::path name = file_.stem();
  name += suffix;
  name += file_.extension();
  return file_.parent_path() / name;
}

}  // namespace vkt53
