// Files and folders for the tests of the file handling.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

namespace vkt53 {

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

#ifndef _WIN32
// While it lives, files cannot grow beyond the limit: a write fails part way,
// as on a full disk, and unlike a permission this holds for root too.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = nullptr;
};
#endif

}  // namespace vkt53
