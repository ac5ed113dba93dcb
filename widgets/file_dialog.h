// The program's file dialogs: the toolkit's own rather than the desktop's,
// so that they look and behave the same on every platform and tests can
// drive them, and in the program's language whatever the system's.
#pragma once

class QFileDialog;
class QWidget;

namespace vkt53 {

// A file dialog owned by `owner`, named `name`.
QFileDialog* MakeFileDialog(QWidget* owner, const char* name);

}  // namespace vkt53
