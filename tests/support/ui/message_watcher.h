// Answers the message boxes that come up while a test drives a flow, as a
// user who always gives the same answer, and keeps what they said.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <utility>
#include <vector>

#include "widgets/question.h"
#include "tests/support/ui/modal.h"

namespace vkt53 {

struct MessageSeen {
  QString caption, line1, line2;
  bool busyCursor = false;  // the busy cursor was still up while it showed
};

// Questions get the given answer, everything else is acknowledged. With
// closeOtherWindows, any other modal window is closed at once and its name
// kept, so that a window the flow should not have opened cannot hold the
// test up; windows named in `driven` are left to the test.
class MessageWatcher {
 public:
  explicit MessageWatcher(bool answerYes = false, bool closeOtherWindows = false, QStringList driven = {})
      : answerYes_(answerYes), closeOtherWindows_(closeOtherWindows), driven_(std::move(driven)) {
    QObject::connect(&poll_, &QTimer::timeout, [this] { Look(); });
    poll_.start(10);
  }
  // Runs as each message is found, before it is answered: how the windows
  // under it stand while the user reads it.
  void OnEachMessage(std::function<void()> look) { onEachMessage_ = std::move(look); }
  const std::vector<MessageSeen>& seen() const { return seen_; }
  // Modal windows other than message boxes, closed at once (closeOtherWindows).
  const QStringList& otherWindows() const { return otherWindows_; }
  QStringList FirstLines() const {
    QStringList lines;
    for (const auto& message : seen_) lines << message.line1;
    return lines;
  }

 private:
  void Look() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    auto* box = qobject_cast<TFormQues*>(modal);
    if (!box) {
      if (closeOtherWindows_ && !driven_.contains(modal->objectName())) {
        otherWindows_ << modal->objectName();
        CloseModal(modal);
      }
      return;
    }
    const auto* line1 = Child<QLabel>(box, "Label1");
    const auto* line2 = Child<QLabel>(box, "Label2");
    const auto* yes = Child<QPushButton>(box, "BitBtn1");
    seen_.push_back({box->windowTitle(), line1 ? line1->text() : QString(), line2 ? line2->text() : QString(),
                     QApplication::overrideCursor() != nullptr});
    if (onEachMessage_) onEachMessage_();
    const bool question = yes && yes->isVisible();
    Click(box, question ? (answerYes_ ? "BitBtn1" : "BitBtn2") : "BitBtn3");
    // A box the click did not close would be counted again at every look.
    if (box->isVisible()) CloseModal(box);
  }

  bool answerYes_;
  bool closeOtherWindows_;
  QStringList driven_;
  QStringList otherWindows_;
  QTimer poll_;
  std::vector<MessageSeen> seen_;
  std::function<void()> onEachMessage_;
};

}  // namespace vkt53
