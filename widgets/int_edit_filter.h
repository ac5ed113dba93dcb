// The typed-character filter of integer edit fields: only the digits "0".."9"
// and backspace may be typed. Keys that type nothing (arrows, Delete),
// control characters (backspace, Enter, Esc, Tab) and shortcuts (Ctrl+V,
// Ctrl+C) pass. Pasted text is let through on purpose; the dialog's action
// button refuses what is not a number (see decimal_field.h).
#pragma once


class QLineEdit;

namespace vkt53 {

// Installs the filter on the field, which owns it.
void InstallIntEditFilter(QLineEdit* edit);

}  // namespace vkt53
