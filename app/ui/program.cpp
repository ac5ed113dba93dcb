#include "app/ui/program.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QScreen>
#include <QTranslator>

#include <exception>

#include "app/ui/main_form.h"

int RunProgram(QApplication& app) {
  // The program speaks Russian whatever the system's language, and so do
  // the toolkit's own windows (the file dialogs).
  QTranslator toolkitTexts;
  if (toolkitTexts.load("qtbase_ru", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    app.installTranslator(&toolkitTexts);
  }
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
