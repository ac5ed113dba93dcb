// What the windows build their controls with, one way each: named controls
// (the objectName is the name a control is known by, in the tests too), the
// text colour of a control, the title bar of a dialog and its place on the
// screen.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <QStyle>

#include <string>
#include <utility>

class QColor;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace vkt53 {

// A text of the core (UTF-8) as a window shows it.
inline QString Q(const std::string& text) { return QString::fromStdString(text); }

// A control of class W built from `args` (its owner among them), named.
template <typename W, typename... Args>
W* MakeNamed(const QString& name, Args&&... args) {
  auto* control = new W(std::forward<Args>(args)...);
  control->setObjectName(name);
  return control;
}

// A label whose text is centred in it.
QLabel* MakeCentredLabel(QWidget* owner, const char* name, const QString& text = QString());

// A button that Enter does not press unless it has the focus: Enter in an
// edit field must not press a button behind the user's back.
QPushButton* MakeButton(QWidget* owner, const char* name, const QString& text);
QPushButton* MakeButton(QWidget* owner, const char* name, const QString& text, QStyle::StandardPixmap icon);

// A drop-down list to choose from (not to type in).
QComboBox* MakeList(QWidget* owner, const char* name, const QStringList& items = {});

// An integer edit field: at most maxLength characters, and only digits and
// backspace may be typed (see int_edit_filter.h).
QLineEdit* MakeIntEdit(QWidget* owner, const char* name, int maxLength);

void SetTextColour(QLabel* label, const QColor& colour);
void SetTextColour(QLineEdit* box, const QColor& colour);

// The dialogs' title bar: the caption and, with TitleButtons::Close, the
// close button; never minimise, maximise or help. A window manager may draw
// its three buttons anyway (openbox does, whatever the window asks).
enum class TitleButtons { None, Close };
void SetTitleBar(QWidget* window, TitleButtons buttons);

// The width a window needs for `caption` to show whole in its title bar,
// beside the frame's icon and three buttons.
int CaptionWidth(const QString& caption);

// Moves the window to the middle of the primary screen's free area.
void CentreOnScreen(QWidget* window);

// The largest window contents the primary screen's free area holds with the
// window's frame around them.
QSize ScreenRoom();

}  // namespace vkt53
