// Closing a window as its frame's close button (or Alt+F4) does: a
// spontaneous close request, which the window may refuse.
#pragma once

#include <QApplication>
#include <QCloseEvent>
#include <QWidget>
#include <QtTest/qtestspontaneevent.h>

namespace vkt53 {

// Returns whether the window accepted the request; when it did, it is hidden,
// as the windowing system would do.
inline bool CloseByFrame(QWidget* window) {
  QCloseEvent request;
  QSpontaneKeyEvent::setSpontaneous(&request);
  qApp->notify(window, &request);
  if (request.isAccepted() && window->isVisible()) window->hide();
  return request.isAccepted();
}

}  // namespace vkt53
