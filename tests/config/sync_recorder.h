// Watches the calls that make a save durable. config_tests defines fsync()
// and rename() itself, so the calls of the code under test come here before
// they go on to the C library; while a SyncRecorder lives they are noted,
// and a sync can be made to fail as a dying disk would fail it.
#pragma once

#include <string>
#include <vector>

namespace vkt53 {

class SyncRecorder {
 public:
  // Paths are noted relative to `folder` ("." for the folder itself).
  explicit SyncRecorder(const std::string& folder);
  ~SyncRecorder();
  SyncRecorder(const SyncRecorder&) = delete;
  SyncRecorder& operator=(const SyncRecorder&) = delete;

  // "sync NAME (N bytes)" for a file, "sync ." for the folder,
  // "rename FROM TO", in the order they came.
  std::vector<std::string> events;
  // A sync of this name fails with EIO (nothing fails while it is empty).
  std::string failSyncOf;

  std::string Relative(const std::string& path) const;

 private:
  std::string folder_;
};

}  // namespace vkt53
