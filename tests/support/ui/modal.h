// Driving windows from a test: finding a named control, pressing a named
// button, and acting on a modal window once it is up (checked on the event
// loop, bounded by a deadline).
//
// Each wait belongs to the test function (and data row) that armed it: it
// fails that test when its window does not come, and it never acts after
// that test has ended. A test class that waits ends its waits in cleanup():
//
//   void cleanup() { EndModalWaits(); }
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace vkt53 {

// The control of `window` with that objectName; fails the test if there is none.
template <typename T>
T* Child(QWidget* window, const char* name) {
  T* child = window ? window->findChild<T*>(name) : nullptr;
  if (!child) {
    const QString where = window ? window->objectName() : QStringLiteral("no window");
    QTest::qFail(qPrintable(QStringLiteral("no control %1 in %2").arg(name, where)), __FILE__, __LINE__);
  }
  return child;
}

inline void Click(QWidget* window, const char* button) {
  if (auto* control = Child<QPushButton>(window, button)) control->click();
}

// Closes a modal window as its opener would see a refusal.
inline void CloseModal(QWidget* window) {
  if (auto* dialog = qobject_cast<QDialog*>(window)) {
    dialog->reject();
  } else {
    window->close();
  }
}

namespace modal_detail {

inline QString RunningTest() {
  return QStringLiteral("%1 %2").arg(QString::fromLatin1(QTest::currentTestFunction()),
                                     QString::fromLatin1(QTest::currentDataTag()));
}

// The running test's waits are the children of one owner, made anew for each
// test, so that no wait is carried into the next one.
struct TestWaits {
  QString test;
  std::unique_ptr<QObject> owner;
};

inline TestWaits& Waits() {
  static TestWaits waits;
  return waits;
}

inline QObject* TestOwner() {
  TestWaits& waits = Waits();
  if (!waits.owner || waits.test != RunningTest()) {
    waits.owner = std::make_unique<QObject>();
    waits.test = RunningTest();
  }
  return waits.owner.get();
}

// A wait that is over leaves its test's owner.
inline void Finish(QTimer* poll) {
  poll->stop();
  poll->setParent(nullptr);
  poll->deleteLater();
}

}  // namespace modal_detail

// Runs `action` on the first modal window of class T to appear within
// `timeoutMs`. Call it before the code that opens the window. The test fails
// if no such window comes in time; a window the action leaves open (a check
// inside it failed, or it pressed nothing that closes it) is closed, so that
// its opener returns instead of holding the test until its time-out.
template <typename T>
void WhenModal(std::function<void(T*)> action, int timeoutMs = 10000) {
  auto* poll = new QTimer(modal_detail::TestOwner());
  poll->setObjectName(QString::fromLatin1(T::staticMetaObject.className()));
  QElapsedTimer clock;
  clock.start();
  QObject::connect(poll, &QTimer::timeout, [poll, clock, action, timeoutMs, test = modal_detail::RunningTest()] {
    if (test != modal_detail::RunningTest()) return modal_detail::Finish(poll);
    QPointer<T> window = qobject_cast<T*>(QApplication::activeModalWidget());
    if (!window) {
      if (clock.elapsed() <= timeoutMs) return;
      const QString name = poll->objectName();
      modal_detail::Finish(poll);
      QTest::qFail(qPrintable(QStringLiteral("no %1 window came within %2 ms").arg(name).arg(timeoutMs)),
                   __FILE__, __LINE__);
      return;
    }
    modal_detail::Finish(poll);
    action(window);
    if (window && window->isVisible()) {
      CloseModal(window);
      if (!QTest::currentTestFailed()) {
        QTest::qFail(qPrintable(QStringLiteral("%1 was left open").arg(T::staticMetaObject.className())), __FILE__,
                     __LINE__);
      }
    }
  });
  poll->start(10);
}

// The running test's waits whose windows have not come yet.
inline int PendingModalWaits() {
  const auto& waits = modal_detail::Waits();
  return waits.owner && waits.test == modal_detail::RunningTest() ? int(waits.owner->children().size()) : 0;
}

// Ends the running test's waits; each whose window never came fails the test.
inline void EndModalWaits() {
  auto& waits = modal_detail::Waits();
  if (!waits.owner) return;
  for (const QObject* wait : waits.owner->children()) {
    QTest::qFail(qPrintable(QStringLiteral("no %1 window came before the test ended").arg(wait->objectName())),
                 __FILE__, __LINE__);
  }
  waits.owner.reset();
}

}  // namespace vkt53
