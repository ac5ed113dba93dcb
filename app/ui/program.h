// The program's run once its application object exists: the toolkit's own
// texts in Russian, the main window over the whole screen, the message loop.
#pragma once


class QApplication;

namespace vkt53 {

// Returns the program's exit code.
int RunProgram(QApplication& app);

}  // namespace vkt53
