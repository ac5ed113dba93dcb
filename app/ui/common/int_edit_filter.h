// The typed-character filter of integer edit fields: only the digits "0".."9"
// and backspace may be typed. Pasted text is let through on purpose; the
// dialog's action button refuses what is not a number (see decimal_field.h).
#pragma once

#include <QObject>

class QKeyEvent;
class QLineEdit;

// True when the key press types a character an integer field must discard.
// Keys that type nothing (arrows, Delete), control characters (backspace,
// Enter, Esc, Tab) and shortcuts (Ctrl+V, Ctrl+C) are never discarded.
bool IsRefusedIntKey(const QKeyEvent& event);

// An event filter that discards refused key presses of the widgets it is
// installed on.
class IntEditFilter : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// Installs one filter, owned by the field.
void InstallIntEditFilter(QLineEdit* edit);
