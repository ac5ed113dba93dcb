#include "app/ui/about.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

constexpr int kWidth = 420;
constexpr int kHeight = 150;

QLabel* MakeLine(QWidget* parent, const char* name, const QString& text, int top) {
  auto* line = new QLabel(text, parent);
  line->setObjectName(name);
  line->setAlignment(Qt::AlignCenter);
  line->setTextFormat(Qt::PlainText);
  line->setWordWrap(true);
  line->setGeometry(10, top, kWidth - 20, 40);
  return line;
}

}  // namespace

TFormAbout::TFormAbout(QWidget* parent) : QDialog(parent) {
  setObjectName("TFormAbout");
  setWindowTitle(QStringLiteral("О программе"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);

  QLabel* name = MakeLine(this, "Label1",
                          QStringLiteral("Программа обслуживания устройства параллельного доступа "
                                         "КОРДИН (vkt53-sx)"),
                          12);
  QFont bold = name->font();
  bold.setBold(true);
  name->setFont(bold);
  MakeLine(this, "Label2", QStringLiteral("Версия        " VKT53_VERSION), 56);

  BitBtn1 = new QPushButton(this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
  BitBtn1->setToolTip(QStringLiteral("Закрыть"));
  BitBtn1->setGeometry((kWidth - 75) / 2, 106, 75, 28);
  connect(BitBtn1, &QPushButton::clicked, this, &TFormAbout::BitBtn1Click);
}

void TFormAbout::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TFormAbout::FormShow() {
  setFixedSize(kWidth, kHeight);
  if (QScreen* screen = QApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  BitBtn1->setFocus();
}

void TFormAbout::BitBtn1Click() { close(); }
