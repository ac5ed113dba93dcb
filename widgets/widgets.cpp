#include "widgets/widgets.h"

#include <QApplication>
#include <QColor>
#include <QComboBox>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include "widgets/int_edit_filter.h"

namespace vkt53 {

namespace {

void SetPaletteColour(QWidget* control, QPalette::ColorRole role, const QColor& colour) {
  QPalette palette = control->palette();
  palette.setColor(role, colour);
  control->setPalette(palette);
}

}  // namespace

QLabel* MakeCentredLabel(QWidget* owner, const char* name, const QString& text) {
  auto* label = MakeNamed<QLabel>(name, text, owner);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

QPushButton* MakeButton(QWidget* owner, const char* name, const QString& text) {
  auto* button = MakeNamed<QPushButton>(name, text, owner);
  button->setAutoDefault(false);
  return button;
}

QPushButton* MakeButton(QWidget* owner, const char* name, const QString& text, QStyle::StandardPixmap icon) {
  QPushButton* button = MakeButton(owner, name, text);
  button->setIcon(owner->style()->standardIcon(icon));
  return button;
}

QComboBox* MakeList(QWidget* owner, const char* name, const QStringList& items) {
  auto* list = MakeNamed<QComboBox>(name, owner);
  list->addItems(items);
  return list;
}

QLineEdit* MakeIntEdit(QWidget* owner, const char* name, int maxLength) {
  auto* edit = MakeNamed<QLineEdit>(name, owner);
  edit->setMaxLength(maxLength);
  InstallIntEditFilter(edit);
  return edit;
}

void SetTextColour(QLabel* label, const QColor& colour) { SetPaletteColour(label, QPalette::WindowText, colour); }

void SetTextColour(QLineEdit* box, const QColor& colour) { SetPaletteColour(box, QPalette::Text, colour); }

void SetTitleBar(QWidget* window, TitleButtons buttons) {
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (buttons == TitleButtons::Close) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  window->setWindowFlags(flags);
}

int CaptionWidth(const QString& caption) {
  // The frame's icon and three buttons with their margins: about 75 pixels
  // under openbox, 70 on Windows with only the close button.
  constexpr int kFrameButtons = 100;
  // Title bars mostly write the caption bold.
  QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  font.setBold(true);
  return QFontMetrics(font).horizontalAdvance(caption) + kFrameButtons;
}

void CentreOnScreen(QWidget* window) {
  if (QScreen* screen = QApplication::primaryScreen()) {
    window->move(screen->availableGeometry().center() - window->rect().center());
  }
}

QSize ScreenRoom() {
  // Left for the frame: its borders and its title bar.
  constexpr int kFrameWidth = 16;
  constexpr int kFrameHeight = 40;
  const QScreen* screen = QApplication::primaryScreen();
  if (!screen) return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  return screen->availableGeometry().size() - QSize(kFrameWidth, kFrameHeight);
}

}  // namespace vkt53
