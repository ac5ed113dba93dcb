// Driving windows from a test: finding a named control, pressing a named
// button, and acting on a modal window once it is up (checked on the event
// loop, bounded by a deadline).
#pragma once

#include <QApplication>
#include <QPushButton>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

// The control of `window` with that objectName; null (and a warning) if none.
template <typename T>
T* Child(QWidget* window, const char* name) {
  T* child = window->findChild<T*>(name);
  if (!child) qWarning("no child %s", name);
  return child;
}

inline void Click(QWidget* window, const char* button) { Child<QPushButton>(window, button)->click(); }

// Runs `action` on the first modal window of class T to appear within
// `timeoutMs`. Call it before the code that opens the window.
template <typename T>
void WhenModal(std::function<void(T*)> action, int timeoutMs = 10000) {
  auto* clock = new QElapsedTimer;
  clock->start();
  auto* poll = new QTimer;
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, [poll, clock, action, timeoutMs] {
    if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      delete clock;
      action(window);
    } else if (clock->elapsed() > timeoutMs) {
      poll->stop();
      poll->deleteLater();
      delete clock;
    }
  });
  poll->start();
}
