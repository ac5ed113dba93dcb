#include "tests/support/temp_folder.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

namespace vkt53 {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vkt53-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  // A test may have taken the write permission away; give it back first.
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace vkt53
