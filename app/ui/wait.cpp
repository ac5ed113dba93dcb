#include "app/ui/wait.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>

#include "widgets/widgets.h"

namespace vkt53 {

namespace {

constexpr int kWidth = 322;
constexpr int kHeight = 127;
constexpr int kLineInset = 8;
constexpr int kLineHeight = 18;

struct KindLines {
  const char* line2;
  const char* line3;
};

KindLines LinesOf(WaitKind kind) {
  if (kind == WaitKind::Writing) return {"Выполняется запись параметров", "конфигурации в кордин"};
  return {"Выполняется чтение", "таблиц параметров конфигурации"};
}

// A window that is never exposed (a locked screen) costs the opener no more.
constexpr std::chrono::milliseconds kExposeWait{500};

// Lets events through until the window has been exposed, and so painted, or
// the time is up. The user's input waits for the next turn of the loop.
class ExposeWait : public QObject {
 public:
  explicit ExposeWait(QWindow* window) : window_(window) { window_->installEventFilter(this); }

  void Run() {
    if (window_->isExposed()) return;
    QTimer::singleShot(kExposeWait, &loop_, &QEventLoop::quit);
    loop_.exec(QEventLoop::ExcludeUserInputEvents);
  }

 protected:
  // The loop ends once the window has handled the event, which paints it.
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Expose && window_->isExposed()) loop_.quit();
    return false;
  }

 private:
  QWindow* window_;
  QEventLoop loop_;
};

}  // namespace

WaitProgress::WaitProgress(QProgressBar* bar) : bar_(bar) { ShowOnBar(); }

void WaitProgress::SetMaximum(int maximum) {
  maximum_ = std::max(0, maximum);
  position_ = std::min(position_, maximum_);
  ShowOnBar();
}

void WaitProgress::SetPosition(int position) {
  position_ = std::clamp(position, 0, maximum_);
  ShowOnBar();
}

// An operation of no steps shows an empty bar, not Qt's busy animation.
void WaitProgress::ShowOnBar() {
  bar_->setRange(0, std::max(1, maximum_));
  bar_->setValue(position_);
}

TFormWait::TFormWait(WaitKind kind, QWidget* parent) : QDialog(parent), kind_(kind) {
  setObjectName("TFormWait");
  setWindowTitle(QStringLiteral("..."));
  // A title bar without a single button: the window offers no way to close it.
  SetTitleBar(this, TitleButtons::None);
  setModal(false);
  setFixedSize(kWidth, kHeight);

  auto makeLine = [this](const char* name, int top) {
    QLabel* line = MakeCentredLabel(this, name);
    line->setGeometry(kLineInset, top, kWidth - 2 * kLineInset, kLineHeight);
    return line;
  };
  Label1 = makeLine("Label1", 10);
  Label1->setText(QStringLiteral("Ожидайте..."));
  Label2 = makeLine("Label2", 34);
  Label3 = makeLine("Label3", 54);

  ProgressBar1 = MakeNamed<QProgressBar>("ProgressBar1", this);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setGeometry(16, 86, kWidth - 32, 18);
  progress_ = std::make_unique<WaitProgress>(ProgressBar1);
}

TFormWait::~TFormWait() = default;

// A new window appears only when the window system has mapped and exposed
// it, a round trip through the server and the window manager on X11. Letting
// the events through once right after show() comes too early for that, and
// the window would stay an empty frame until the first request is over.
void TFormWait::ShowPainted() {
  show();
  if (QWindow* window = windowHandle()) ExposeWait(window).Run();
  repaint();
}

void TFormWait::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TFormWait::FormShow() {
  const KindLines lines = LinesOf(kind_);
  Label2->setText(QString::fromUtf8(lines.line2));
  Label3->setText(QString::fromUtf8(lines.line3));
  CentreOnScreen(this);
}

// Alt+F4 and the like arrive as spontaneous close requests; only the opener
// may end the window.
void TFormWait::closeEvent(QCloseEvent* event) {
  if (event->spontaneous()) {
    event->ignore();
    return;
  }
  // Not through QDialog's handler, which would ask reject() and so refuse.
  event->accept();
}

// Esc would reject a dialog; the user must not be able to dismiss this one.
void TFormWait::reject() {}

}  // namespace vkt53
