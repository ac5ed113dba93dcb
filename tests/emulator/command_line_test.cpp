// Starting and stopping the emulator: its options, its link, its signals
// and its log.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <utility>

#include "tests/emulator/running_device.h"

using namespace vkt53;

namespace {

std::string LinkTarget(const std::string& link) {
  char target[256] = {};
  const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<size_t>(n)) : std::string();
}

// A pseudo-terminal of the test's own, there while the object lives.
class TerminalOfTheTest {
 public:
  TerminalOfTheTest() : master_(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
  ~TerminalOfTheTest() { close(master_); }
  TerminalOfTheTest(const TerminalOfTheTest&) = delete;
  TerminalOfTheTest& operator=(const TerminalOfTheTest&) = delete;

  std::string path() const {
    const char* name = master_ >= 0 ? ptsname(master_) : nullptr;
    return name != nullptr ? name : "";
  }

 private:
  int master_;
};

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

}  // namespace

TEST(CommandLine, BadOptionsEndTheStartWithStatus2) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--speed", "1000"},
                                               {"--address", "255"},
                                               {"--corrupt", "8"},
                                               {"--fault-error", "24:x"},
                                               {"--fault-drop", "-1"},
                                               // Numbers that would wrap to a valid value.
                                               {"--address", "18446744073709551616"},
                                               {"--speed", "4294968496"},  // 2^32 + 1200
                                               {"--type", "264"},
                                               {"--corrupt", "4294967299"},
                                               {"--turnaround", "18446744073709551619"},
                                               {"--fault-error", "280"},  // 256 + 24
                                               {"--fault-error", "24:261"},
                                               {"--fault-drop", "18446744073709551617"},
                                               {"--fault-seed", "4294967297"},
                                               {"--fault-skip", "-1"},
                                               {"--fault-ignore-write", "1"},  // not writable
                                               {"--fault-ignore-write", "8"},
                                               {"--no-such-option"},
                                               {"--link"}}) {
    SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
    const FinishedRun run = RunEmulatorToEnd(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(run.errors.empty());
    EXPECT_TRUE(run.output.empty());
  }
}

TEST(TerminalLink, StaleLinkIsReplacedByOneToTheTerminal) {
  // A link to a terminal that never was, and one made while its terminal
  // was open, as an emulator that did not end cleanly leaves it. The closed
  // terminal's number may belong to a newer terminal by now (another test's,
  // or the emulator's own), which the link, made before it, did not name.
  for (const bool closedTerminal : {false, true}) {
    SCOPED_TRACE(closedTerminal ? "closed terminal" : "no such terminal");
    TempFolder folder;
    if (closedTerminal) {
      const TerminalOfTheTest terminal;
      ASSERT_EQ(symlink(terminal.path().c_str(), folder.File("tty").c_str()), 0);
    } else {
      ASSERT_EQ(symlink("/dev/pts/no-such-terminal", folder.File("tty").c_str()), 0);
    }
    EmulatorProcess process(folder, kFast);
    EXPECT_EQ(process.terminalPath().rfind("/dev/pts/", 0), 0u) << process.terminalPath();
    EXPECT_EQ(LinkTarget(process.linkPath()), process.terminalPath());
  }
}

TEST(TerminalLink, AnythingButALinkToAGoneTerminalIsLeftAlone) {
  TempFolder folder;
  std::ofstream(folder.File("keep.txt")) << "mine";
  const TerminalOfTheTest terminal;  // in use, made before the link to it
  ASSERT_EQ(symlink(folder.File("keep.txt").c_str(), folder.File("to-file").c_str()), 0);
  ASSERT_EQ(symlink(terminal.path().c_str(), folder.File("to-terminal").c_str()), 0);
  for (const auto& [name, target] : {std::pair<std::string, std::string>{"keep.txt", ""},
                                     {"to-file", folder.File("keep.txt")},
                                     {"to-terminal", terminal.path()}}) {
    SCOPED_TRACE(name);
    const FinishedRun run = RunEmulatorToEnd({"--link", folder.File(name)});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.errors.find(folder.File(name) + " "), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find(target), std::string::npos) << run.errors;
    EXPECT_EQ(LinkTarget(folder.File(name)), target);
  }
  std::ifstream file(folder.File("keep.txt"));
  std::string text;
  file >> text;
  EXPECT_EQ(text, "mine");
}

TEST(Signals, InterruptEndsLikeTerminate) {
  TempFolder folder;
  EmulatorProcess process(folder, FastWith({"--state", folder.File("state.txt")}));
  ASSERT_TRUE(Exists(process.linkPath()));
  EXPECT_EQ(process.Stop(SIGINT), 0);
  EXPECT_FALSE(Exists(process.linkPath()));
  EXPECT_TRUE(Exists(folder.File("state.txt")));
}

TEST(ExchangeLog, RequestsAndAnswersAreWrittenInHexAndDecoded) {
  RunningDevice device(FastWith({"--log"}));
  ASSERT_EQ(device.Exchange(ReadRequest(0, 3, 0, 7)).size(), 3u + 16u);
  ASSERT_EQ(device.Exchange(ReadRequest(0, 2, 0, 1)).size(), 3u + 7u);
  // The first answer's line was written before the second request came.
  const std::string log = device.process.ErrorOutput();
  EXPECT_NE(log.find(" rx CC 00 0C 1D 03 00 07 00 00 00 "), std::string::npos) << log;
  EXPECT_NE(log.find("read table 3 fields 0..6 -> answered"), std::string::npos) << log;
  EXPECT_NE(log.find(" tx FF FF FF 33 00 10 9D 03 00 07 02 03 05 01 00 00 00 "), std::string::npos)
      << log;
  EXPECT_NE(log.find("read table 2 fields 0..0 -> error 9"), std::string::npos) << log;
}
