// What a window manager's title bar leaves of a window's width for the
// caption: openbox, as it frames a dialog under Xvfb, draws the window's
// icon and three buttons whatever the window asks for, and cuts a longer
// caption short in the middle ("Ошибк…метров").
#pragma once

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QWidget>

namespace vkt53 {

inline bool CaptionFitsTitleBar(const QWidget* window) {
  constexpr int kIconAndButtons = 75;  // measured on its screenshots
  QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  font.setBold(true);
  return QFontMetrics(font).horizontalAdvance(window->windowTitle()) + kIconAndButtons <= window->width();
}

}  // namespace vkt53
