// How soon the windows are up. Prints two figures, each the median of
// several runs, with the fastest and the slowest, and beside each the
// processor time it took (all threads of the process; where a core is free,
// work on a thread of the toolkit's own does not show in the wall time):
//  - cold start: from starting a process to the connection dialog painted.
//    The process is this program again, running the program's own start
//    (the main window, its 100 ms start timer, the connection dialog) in a
//    program folder of the benchmark's, kept across the starts;
//  - editor opening: from choosing "Параметры конфигурации" to the online
//    editor painted, against the emulator at 115200 bit/s. That includes the
//    reading of the tables under the wait window (its transmit holds and its
//    500 ms pause at the end are the device's timing), so the part after the
//    reading, from the wait window gone to the editor painted, is printed
//    too: the editor's own opening.
//
//   window_start_bench [STARTS [OPENINGS]]     (9 and 9 when not given)
//
// Without a display it runs on Qt's offscreen platform.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/ui/main_form.h"
#include "app/ui/program.h"
#include "support/program_folder.h"
#include "tests/support/emulator_process.h"
#include "tests/support/temp_folder.h"

using namespace vkt53;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDefaultRuns = 9;
constexpr int kStartDeadlineMs = 20000;
constexpr const char* kChildOption = "--child";

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double ProcessCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Wall time and processor time of one run, in ms.
struct Run {
  double wall = 0;
  double cpu = 0;
};

[[noreturn]] void GiveUp(const char* why) {
  std::fprintf(stderr, "window_start_bench: %s\n", why);
  std::fflush(stderr);
  std::_Exit(1);
}

// Calls `painted` once, after the first paint of the window named `name`
// (and of its controls, which are painted in the same pass) is done.
class PaintWatch : public QObject {
 public:
  PaintWatch(QString name, std::function<void()> painted) : name_(std::move(name)), painted_(std::move(painted)) {}

  void Rearm() { seen_ = false; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!seen_ && event->type() == QEvent::Paint && watched->objectName() == name_) {
      seen_ = true;
      QTimer::singleShot(0, this, painted_);
    }
    return false;
  }

 private:
  QString name_;
  std::function<void()> painted_;
  bool seen_ = false;
};

// The offscreen platform's notes on what it cannot do would bury the figures.
void KeepToolkitNotesOut() {
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
  });
}

// The started process: the program's start, its processor time so far on
// standard output once the connection dialog is painted, and the end.
int RunChild(int argc, char** argv, const std::string& programFolder) {
  KeepToolkitNotesOut();
  QApplication app(argc, argv);
  SetProgramFolder(programFolder);
  PaintWatch watch("TFormConnPar", [] {
    std::printf("%.3f\n", ProcessCpuMs());
    std::fflush(stdout);
    std::_Exit(0);
  });
  app.installEventFilter(&watch);
  return RunProgram(app);
}

// One process start to the report of the painted dialog.
Run ColdStart(const std::string& self, const std::string& programFolder) {
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) GiveUp("no pipe");
  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child < 0) GiveUp("cannot start a process");
  if (child == 0) {
    dup2(report[1], STDOUT_FILENO);
    execl(self.c_str(), self.c_str(), kChildOption, programFolder.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(report[1]);
  pollfd ready{report[0], POLLIN, 0};
  char line[64] = {};
  const bool reported = poll(&ready, 1, kStartDeadlineMs) == 1 && read(report[0], line, sizeof line - 1) > 0;
  Run run{MsSince(start), std::atof(line)};
  // The rest of the line, should it come in two pieces.
  for (std::size_t got = std::strlen(line); reported && line[got - 1] != '\n' && got < sizeof line - 1;) {
    const ssize_t more = read(report[0], line + got, sizeof line - 1 - got);
    if (more <= 0) break;
    got += static_cast<std::size_t>(more);
    run.cpu = std::atof(line);
  }
  close(report[0]);
  if (!reported) kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  if (!reported) GiveUp("the started program did not paint the connection dialog");
  return run;
}

// Waits on the event loop until `done` holds.
void WaitUntil(const std::function<bool()>& done, const char* what) {
  const Clock::time_point start = Clock::now();
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (done()) loop.quit();
    if (MsSince(start) > kStartDeadlineMs) GiveUp(what);
  });
  poll.start(5);
  if (!done()) loop.exec();
}

// The main window connected to the emulator through its own start-up
// sequence: the connection dialog at 115200 bit/s, then "Связаться".
void Connect(TFormMain& main) {
  bool answered = false;
  WaitUntil(
      [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!answered && dialog && dialog->objectName() == "TFormConnPar") {
          auto* speeds = dialog->findChild<QComboBox*>("ComboBox2");
          speeds->setCurrentIndex(speeds->findText("115200"));
          answered = true;
          dialog->findChild<QPushButton*>("BitBtn1")->click();
        }
        return main.findChild<QMenu*>("NWorkPar")->menuAction()->isVisible();
      },
      "the main window did not connect to the emulator");
}

// Notes when the wait window of a table operation goes, and the processor
// time then.
class WaitWindowWatch : public QObject {
 public:
  WaitWindowWatch(Clock::time_point& gone, double& cpuWhenGone) : gone_(gone), cpuWhenGone_(cpuWhenGone) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->objectName() == "TFormWait") {
      connect(watched, &QObject::destroyed, this, [this] {
        gone_ = Clock::now();
        cpuWhenGone_ = ProcessCpuMs();
      });
    }
    return false;
  }

 private:
  Clock::time_point& gone_;
  double& cpuWhenGone_;
};

struct EditorFigures {
  std::vector<Run> fromChoice;
  std::vector<Run> afterReading;
};

EditorFigures EditorOpenings(int argc, char** argv, int openings) {
  KeepToolkitNotesOut();
  QApplication app(argc, argv);
  TempFolder programFolder;
  EmulatorProcess emulator(VKT53_EMU_PATH, {"--speed", "115200", "--no-wire-delay"});
  SetProgramFolder(programFolder.path());
  EditorFigures figures;
  {
    TFormMain main;  // makes the INI folder
    std::ofstream(programFolder.File("INI/comports")) << "COM1=" << emulator.terminalPath() << "\n";
    main.show();
    Connect(main);

    Clock::time_point chosen, readingDone;
    double cpuChosen = 0, cpuReadingDone = 0;
    WaitWindowWatch waitWatch(readingDone, cpuReadingDone);
    app.installEventFilter(&waitWatch);
    PaintWatch watch("TFormRealConfig", [&] {
      const double cpu = ProcessCpuMs();
      figures.fromChoice.push_back({MsSince(chosen), cpu - cpuChosen});
      figures.afterReading.push_back({MsSince(readingDone), cpu - cpuReadingDone});
      if (auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget())) editor->reject();
    });
    app.installEventFilter(&watch);
    auto* command = main.findChild<QAction*>("N2");
    for (int i = 0; i < openings; ++i) {
      watch.Rearm();
      const std::size_t before = figures.fromChoice.size();
      chosen = Clock::now();
      cpuChosen = ProcessCpuMs();
      command->trigger();  // returns when the editor is closed
      if (figures.fromChoice.size() == before) GiveUp("the online editor was not painted");
    }
  }
  SetProgramFolder("");
  return figures;
}

void Print(const char* what, const std::vector<Run>& runs) {
  std::vector<double> wall, cpu;
  for (const Run& run : runs) wall.push_back(run.wall), cpu.push_back(run.cpu);
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  std::printf("%-44s median %7.1f ms  fastest %7.1f ms  slowest %7.1f ms  processor %7.1f ms  (%zu runs)\n", what,
              wall[wall.size() / 2], wall.front(), wall.back(), cpu[cpu.size() / 2], runs.size());
}

int RunCount(int argc, char** argv, int which) {
  const int count = argc > which ? std::atoi(argv[which]) : kDefaultRuns;
  return std::max(1, count);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == kChildOption) return RunChild(argc, argv, argv[2]);
  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  const int starts = RunCount(argc, argv, 1);
  const int openings = RunCount(argc, argv, 2);

  std::vector<Run> coldStarts;
  {
    TempFolder programFolder;
    const std::string self = "/proc/self/exe";
    for (int i = 0; i < starts; ++i) coldStarts.push_back(ColdStart(self, programFolder.path()));
  }
  const EditorFigures editor = EditorOpenings(argc, argv, openings);

  Print("cold start to connection dialog painted", coldStarts);
  Print("choice to online editor painted", editor.fromChoice);
  Print("  of it, wait window gone to editor painted", editor.afterReading);
  return 0;
}
