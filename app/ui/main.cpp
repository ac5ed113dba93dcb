// Program entry: the application object, then the program's run.
#include <QApplication>

#include "app/ui/program.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  return RunProgram(app);
}
