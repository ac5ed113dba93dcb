#include "app/ui/program.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QTranslator>

#include <exception>

#include "app/ui/main_form.h"

namespace vkt53 {

// The texts of the toolkit's own windows (the file dialogs, the standard
// buttons) come from its Russian translation: on Windows the package's, in
// translations/ beside the program; elsewhere the installed toolkit's.
// Numbers, sizes and dates follow the default locale.
void UseProgramLanguage(QApplication& app) {
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  auto* texts = new QTranslator(&app);
  const QString besideProgram = QDir(QCoreApplication::applicationDirPath()).filePath("translations");
  if (texts->load("qtbase_ru", besideProgram) ||
      texts->load("qtbase_ru", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    app.installTranslator(texts);
  }
}

int RunProgram(QApplication& app) {
  UseProgramLanguage(app);
  app.setWindowIcon(QIcon(":/icons/vkt53.png"));
  try {
    TFormMain window;
    // Sized to the screen first: without a window manager (a bare X server,
    // a kiosk session) a request to maximise alone leaves the window tiny.
    if (const QScreen* screen = QApplication::primaryScreen()) window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    return app.exec();
  } catch (const std::exception& error) {
    // Nothing in the program's own logic throws; this is the last resort
    // for a failure of the toolkit or the library underneath.
    QMessageBox::critical(nullptr, "vkt53", QString::fromLocal8Bit(error.what()));
    return 1;
  }
}

}  // namespace vkt53
