#include "test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "link/program_folder.h"

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::random_device random;
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name =
      std::string("vkt53-") + (test ? test->name() : "test") + "-" + std::to_string(random());
  const fs::path path = fs::temp_directory_path() / name;
  fs::create_directories(path);
  path_ = path.string();
}

TempFolder::~TempFolder() {
  std::error_code ec;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string TempFolder::File(const std::string& name) const {
  return path_ + PathSeparator() + name;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifndef _WIN32
FileSizeLimit::FileSizeLimit(rlim_t bytes) {
  getrlimit(RLIMIT_FSIZE, &saved_);
  previousHandler_ = signal(SIGXFSZ, SIG_IGN);  // the write is to fail, not the process
  rlimit limited = saved_;
  limited.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &limited);
}

FileSizeLimit::~FileSizeLimit() {
  setrlimit(RLIMIT_FSIZE, &saved_);
  signal(SIGXFSZ, previousHandler_);
}
#endif
