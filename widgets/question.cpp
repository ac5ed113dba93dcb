#include "widgets/question.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QWindow>

#include <algorithm>

#include "widgets/widgets.h"

namespace vkt53 {

namespace {

constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kUnitsPerCharacter = 8;
constexpr int kLineInset = 14;
constexpr int kLineTop = 8;

struct KindLook {
  const char* caption;
  const char* line3;
  bool asks;
};

KindLook LookOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Error: return {"Ошибка", "", false};
    case MessageKind::InputError: return {"Ошибка ввода параметров", "", false};
    case MessageKind::Question: return {"?", "", true};
    case MessageKind::ExchangeResult: return {"Результат обмена с устройством", "", false};
    case MessageKind::RetryQuestion: return {"?", "Повторить попытку?", true};
    case MessageKind::Notice: break;
  }
  return {"", "", false};
}

}  // namespace

bool ShowMessage(MessageKind kind, const QString& line1, const QString& line2, QWidget* parent) {
  TFormQues form(parent);
  form.Prepare(kind, line1, line2);
  form.exec();
  return form.answeredYes();
}

TFormQues::TFormQues(QWidget* parent) : QDialog(parent) {
  setObjectName("TFormQues");
  SetTitleBar(this, TitleButtons::Close);
  Label1 = MakeCentredLabel(this, "Label1");
  Label2 = MakeCentredLabel(this, "Label2");
  Label3 = MakeCentredLabel(this, "Label3");

  // Enter answers with the button that has the focus.
  auto makeButton = [this](const char* name, const QString& text) {
    auto* button = MakeNamed<QPushButton>(name, text, this);
    button->setFixedSize(kButtonWidth, kButtonHeight);
    return button;
  };
  BitBtn1 = makeButton("BitBtn1", "Да");
  BitBtn2 = makeButton("BitBtn2", "Нет");
  BitBtn3 = makeButton("BitBtn3", "");
  BitBtn3->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  connect(BitBtn1, &QPushButton::clicked, this, &TFormQues::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TFormQues::BitBtn2Click);
  connect(BitBtn3, &QPushButton::clicked, this, &TFormQues::BitBtn3Click);
}

void TFormQues::Prepare(MessageKind kind, const QString& line1, const QString& line2) {
  const KindLook look = LookOf(kind);
  setWindowTitle(QString::fromUtf8(look.caption));
  lines_[0] = line1;
  lines_[1] = line2;
  lines_[2] = QString::fromUtf8(look.line3);
  BitBtn1->setVisible(look.asks);
  BitBtn2->setVisible(look.asks);
  BitBtn3->setVisible(!look.asks);
  answer_ = false;
}

void TFormQues::showEvent(QShowEvent* event) {
  FormShow();
  ShowEmptyCaption();
  QDialog::showEvent(event);
}

// The toolkit hands the window system the program's name in place of an
// empty caption (on X11); a blank one shows as the empty caption it is.
void TFormQues::ShowEmptyCaption() {
  QWindow* window = windowHandle();
  if (window && windowTitle().isEmpty()) window->setTitle(QStringLiteral(" "));
}

// Sizes the window by the lines in use and arranges the buttons.
void TFormQues::FormShow() {
  int height = 118, buttonsTop = 43, linesUsed = 1;
  if (!lines_[2].isEmpty()) {
    height = 170, buttonsTop = 100, linesUsed = 3;
  } else if (!lines_[1].isEmpty()) {
    height = 140, buttonsTop = 70, linesUsed = 2;
  }

  const QFontMetrics metrics(Label1->font());
  // A larger font than the sizes assume gets taller lines and pushes the
  // buttons down rather than clipping the text.
  const int lineHeight = std::max(18, metrics.lineSpacing() + 2);
  const int belowLines = kLineTop + linesUsed * lineHeight + 8;
  if (buttonsTop < belowLines) {
    height += belowLines - buttonsTop;
    buttonsTop = belowLines;
  }

  const QString texts[] = {windowTitle(), lines_[0], lines_[1], lines_[2]};
  int longest = 0, widestPixels = 0;
  for (const QString& text : texts) {
    longest = std::max(longest, static_cast<int>(text.size()));
    widestPixels = std::max(widestPixels, metrics.horizontalAdvance(text));
  }
  int width = std::max(kUnitsPerCharacter * longest + 10, 2 * kButtonWidth + 60);
  // A font wider than the rule assumes must not clip a line either, nor the
  // frame the caption.
  width = std::max({width, widestPixels + kLineInset + 16, CaptionWidth(windowTitle())});
  // Never wider than the screen: a longer line (a deep folder's path) is
  // cut in the middle there and shown whole as its tool tip.
  width = std::min(width, ScreenRoom().width());
  setFixedSize(width, height);

  QLabel* labels[] = {Label1, Label2, Label3};
  for (int i = 0; i < 3; ++i) {
    QLabel* label = labels[i];
    label->setGeometry(kLineInset / 2, kLineTop + i * lineHeight, width - kLineInset, lineHeight);
    const QString shown = metrics.elidedText(lines_[i], Qt::ElideMiddle, label->width());
    label->setText(shown);
    label->setToolTip(shown == lines_[i] ? QString() : lines_[i]);
  }

  BitBtn3->move((width - kButtonWidth) / 2, buttonsTop);
  const int gap = (width - 2 * kButtonWidth) / 3 - 3;
  BitBtn1->move(gap, buttonsTop);
  BitBtn2->move(gap + kButtonWidth + gap, buttonsTop);

  CentreOnScreen(this);
  (BitBtn1->isHidden() ? BitBtn3 : BitBtn1)->setFocus();
}

void TFormQues::BitBtn1Click() {
  answer_ = true;
  accept();
}

void TFormQues::BitBtn2Click() {
  answer_ = false;
  reject();
}

void TFormQues::BitBtn3Click() { accept(); }

}  // namespace vkt53
