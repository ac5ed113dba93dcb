#include "app/ui/common/int_edit_filter.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace {

bool IsShortcut(Qt::KeyboardModifiers modifiers) {
  // AltGr arrives as Ctrl+Alt on some systems and types real characters.
  return (modifiers & (Qt::ControlModifier | Qt::MetaModifier)) && !(modifiers & Qt::AltModifier);
}

bool IsAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

}  // namespace

bool IsRefusedIntKey(const QKeyEvent& event) {
  const QString text = event.text();
  if (text.isEmpty() || IsShortcut(event.modifiers())) return false;
  if (text.front().category() == QChar::Other_Control) return false;
  for (QChar c : text) {
    if (!IsAsciiDigit(c)) return true;
  }
  return false;
}

bool IntEditFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && IsRefusedIntKey(*static_cast<QKeyEvent*>(event))) {
    return true;
  }
  return QObject::eventFilter(watched, event);
}

void InstallIntEditFilter(QLineEdit* edit) { edit->installEventFilter(new IntEditFilter(edit)); }
