// Program entry: the application object, then the program's run.
#include <QApplication>

#include "app/ui/program.h"

using namespace vkt53;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  return RunProgram(app);
}
