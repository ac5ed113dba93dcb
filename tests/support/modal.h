// Driving modal windows from a test: the action runs once a modal window of
// the wanted class is up (checked on the event loop, bounded by a deadline).
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

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
