#include "app/ui/program.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QScreen>
#include <QTranslator>

#include <exception>

#include "app/ui/main_form.h"

namespace vkt53 {

namespace {

// The program speaks Russian whatever the system's language, and so do the
// toolkit's own windows (the file dialogs). The Windows package carries the
// texts in translations/ beside the program; elsewhere they are the
// installed toolkit's.
void InstallToolkitTexts(QApplication& app, QTranslator& texts) {
  const QString besideProgram = QDir(QCoreApplication::applicationDirPath()).filePath("translations");
  if (texts.load("qtbase_ru", besideProgram) ||
      texts.load("qtbase_ru", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    app.installTranslator(&texts);
  }
}

}  // namespace

int RunProgram(QApplication& app) {
  app.setWindowIcon(QIcon(":/icons/vkt53.png"));
  QTranslator toolkitTexts;
  InstallToolkitTexts(app, toolkitTexts);
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
