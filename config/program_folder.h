// The folder of the running program, ending in a path separator. The INI and
// CONFIG folders and the port map live beside the program.
#pragma once

#include <string>

namespace vkt53 {

std::string ProgramFolder();

// Replaces the folder found from the program's own path (tests run the
// program's windows from a folder of their own).
void SetProgramFolder(const std::string& folder);

// The platform's path separator.
char PathSeparator();

}  // namespace vkt53
