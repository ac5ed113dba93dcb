// The folders that hold configuration files and the
// settings file, and the rules for the file names the file dialogs return.
// Paths are UTF-8; a folder path from WorkingFolder() ends in a separator.
#pragma once

#include <string>

namespace vkt53 {

// "%sCONFIG": where every configuration file dialog starts.
std::string ConfigFolderPath(const std::string& programFolder);
// "%sINI": where the settings file lives.
std::string IniFolderPath(const std::string& programFolder);

// Creates both folders where they are missing; existing folders and their
// contents are left alone. A folder that cannot be created shows up later as
// a file that cannot be written, so the outcome is only returned for tests.
bool CreateWorkingFolders(const std::string& programFolder);

// "Папка настроек и конфигураций: <folder>", the folder without its final
// separator: where the about window and the terminal tool's help say INI
// and CONFIG are.
std::string WorkingFolderLine(const std::string& workingFolder);

// The name a configuration file dialog proposes first in the online editor:
// "new.cnf" in the CONFIG folder.
std::string NewConfigFileProposal(const std::string& configFolder);

// The file name with its extension but without its folder, as messages show it.
std::string FileNameOfPath(const std::string& path);

// A file name has an extension when it holds a dot anywhere ("abc.", ".cnf",
// "a.b.c"); dots in folder names do not count.
bool HasExtension(const std::string& path);

// ".cnf" appended to a name without extension; any other name as it is.
std::string WithConfigFileExtension(const std::string& path);

}  // namespace vkt53
