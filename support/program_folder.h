// The folder of the running program, ending in a path separator. The INI and
// CONFIG folders and the port map live beside the program, unless the
// program cannot write there (see WorkingFolder).
#pragma once

#include <string>

namespace vkt53 {

std::string ProgramFolder();

// Replaces the folder found from the program's own path (tests run the
// program's windows from a folder of their own).
void SetProgramFolder(const std::string& folder);

// The folder that holds INI and CONFIG, ending in a path separator: the
// program folder when files can be created there (the portable package, a
// build), else the user's own folder "vkt53" in $HOME on Linux and in
// %LOCALAPPDATA% on Windows, as for a program in Program Files. A program
// under /usr always uses the user's folder: it is installed there, and
// root, who could write beside it, must not. Without a home to go to it
// stays the program folder.
std::string WorkingFolder();

// Whether a file can be created in the folder, found by creating one and
// removing it: permission bits cannot tell, as root writes past them, a
// read-only mount refuses everyone and Windows decides by access lists.
bool CanCreateFilesIn(const std::string& folder);

// The platform's path separator.
char PathSeparator();

}  // namespace vkt53
