// The program's run once its application object exists: its language, the
// main window over the whole screen, the message loop.
#pragma once

class QApplication;

namespace vkt53 {

// The program speaks Russian whatever the system's language, and so do the
// toolkit's own windows and the numbers and dates they show. Before any window.
void UseProgramLanguage(QApplication& app);

// Returns the program's exit code.
int RunProgram(QApplication& app);

}  // namespace vkt53
