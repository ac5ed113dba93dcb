#include "widgets/int_edit_filter.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace vkt53 {

namespace {

bool IsShortcut(Qt::KeyboardModifiers modifiers) {
  // AltGr arrives as Ctrl+Alt on some systems and types real characters.
  return (modifiers & (Qt::ControlModifier | Qt::MetaModifier)) && !(modifiers & Qt::AltModifier);
}

bool IsAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// True when the key press types a character an integer field must discard.
bool IsRefusedIntKey(const QKeyEvent& event) {
  const QString text = event.text();
  if (text.isEmpty() || IsShortcut(event.modifiers())) return false;
  if (text.front().category() == QChar::Other_Control) return false;
  for (QChar c : text) {
    if (!IsAsciiDigit(c)) return true;
  }
  return false;
}

// Discards the refused key presses of the field it is installed on.
class IntEditFilter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && IsRefusedIntKey(static_cast<const QKeyEvent&>(*event))) return true;
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

void InstallIntEditFilter(QLineEdit* edit) { edit->installEventFilter(new IntEditFilter(edit)); }

}  // namespace vkt53
