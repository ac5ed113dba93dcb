#include "app/ui/about.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "widgets/widgets.h"
#include "support/program_folder.h"
#include "config/working_folders.h"

namespace vkt53 {

namespace {

constexpr int kWidth = 420;
constexpr int kHeight = 150;
constexpr int kFolderLineHeight = 44;

QLabel* MakeLine(QWidget* parent, const char* name, const QString& text, int top) {
  QLabel* line = MakeCentredLabel(parent, name, text);
  line->setTextFormat(Qt::PlainText);
  line->setWordWrap(true);
  line->setGeometry(10, top, kWidth - 20, 40);
  return line;
}

// The folder line, when there is one, moves the button down by its height.
int FolderLineHeight(const QWidget* window) {
  return window->findChild<QLabel*>("LabelFolder") ? kFolderLineHeight : 0;
}

}  // namespace

TFormAbout::TFormAbout(QWidget* parent) : QDialog(parent) {
  setObjectName("TFormAbout");
  setWindowTitle(QStringLiteral("О программе"));
  SetTitleBar(this, TitleButtons::Close);

  QLabel* name = MakeLine(this, "Label1",
                          QStringLiteral("Программа обслуживания устройства параллельного доступа "
                                         "КОРДИН (vkt53-sx)"),
                          12);
  QFont bold = name->font();
  bold.setBold(true);
  name->setFont(bold);
  MakeLine(this, "Label2", QStringLiteral("Версия        " VKT53_VERSION), 56);
  // Where INI and CONFIG went when they could not be kept beside the program.
  const std::string folder = WorkingFolder();
  if (folder != ProgramFolder()) {
    MakeLine(this, "LabelFolder", QString::fromStdString(WorkingFolderLine(folder)), 100);
  }

  BitBtn1 = MakeNamed<QPushButton>("BitBtn1", this);
  BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
  BitBtn1->setToolTip(QStringLiteral("Закрыть"));
  BitBtn1->setGeometry((kWidth - 75) / 2, 106 + FolderLineHeight(this), 75, 28);
  connect(BitBtn1, &QPushButton::clicked, this, &TFormAbout::BitBtn1Click);
}

void TFormAbout::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TFormAbout::FormShow() {
  setFixedSize(kWidth, kHeight + FolderLineHeight(this));
  CentreOnScreen(this);
  BitBtn1->setFocus();
}

void TFormAbout::BitBtn1Click() { close(); }

}  // namespace vkt53
