// The exchange monitor's lines written to a file as they come, for a hunt
// that runs for hours on a flaky line. Each line is handed to the system as
// soon as it is written, so that a crash, a kill or a pulled cable loses
// nothing already shown. Each file starts with a line that says when it was
// opened and from when the lines' times count.
//
// The file rolls over at a size limit: when the next line would take it
// past the limit, "traffic.log" becomes "traffic.1.log" (the number before
// the extension, so that the system still opens it as text), the older ones
// move up a number, the one beyond the count kept is removed, and a new
// "traffic.log" is started.
//
// A file that cannot be written, renamed or started again stops the log;
// the reason stays for whoever shows it. Nothing is thrown.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "link/clock.h"

namespace vkt53 {

class TrafficLog {
 public:
  static constexpr std::uintmax_t kSizeLimit = 10 * 1024 * 1024;
  static constexpr int kOlderFiles = 5;

  // Opens the file (UTF-8 path), appending to one that exists, and writes
  // its first line. The lines' times are milliseconds since epoch. Failure()
  // says why when it could not.
  TrafficLog(const std::string& utf8Path, SteadyClock::time_point epoch,
             std::uintmax_t sizeLimit = kSizeLimit, int olderFiles = kOlderFiles);

  TrafficLog(const TrafficLog&) = delete;
  TrafficLog& operator=(const TrafficLog&) = delete;

  // Appends the line and the platform's line end.
  void Write(const std::string& line);

  bool Writing() const { return failure_.empty(); }
  // Why the log stopped, in Russian, naming the file; empty while it runs.
  const std::string& Failure() const { return failure_; }
  const std::string& Path() const { return path_; }

 private:
  bool Open();
  bool RollOver();
  bool Append(const std::string& text);
  bool Stop(std::string failure);
  std::filesystem::path OlderFile(int number) const;

  std::string path_;
  std::filesystem::path file_;
  SteadyClock::time_point epoch_;
  std::uintmax_t sizeLimit_;
  int olderFiles_;
  std::ofstream out_;
  std::uintmax_t size_ = 0;
  bool headerOnly_ = false;  // the file holds nothing but its first line
  std::string failure_;
};

}  // namespace vkt53
