// Program entry: the main window and the message loop.
#include <QApplication>
#include <QMessageBox>

#include <exception>

#include "app/main_form.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  try {
    TFormMain window;
    window.showMaximized();
    return app.exec();
  } catch (const std::exception& error) {
    // Nothing in the program's own logic throws; this is the last resort
    // for a failure of the toolkit or the library underneath.
    QMessageBox::critical(nullptr, "vkt53", QString::fromLocal8Bit(error.what()));
    return 1;
  }
}
