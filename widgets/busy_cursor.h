// The busy mouse cursor for the lifetime of a scope, so that it is restored
// on every path out of the work.
#pragma once

#include <QApplication>
#include <QCursor>

namespace vkt53 {

class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~BusyCursor() { Restore(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

  // Restores the normal cursor before the scope ends (e.g. before a message).
  void Restore() {
    if (active_) QApplication::restoreOverrideCursor();
    active_ = false;
  }

 private:
  bool active_ = true;
};

}  // namespace vkt53
