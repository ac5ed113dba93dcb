// The device's state file: what the tool writes survives a restart, what a
// person writes is read, and restore flags clear as tables are written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "emulator/state_file.h"
#include "tests/emulator/running_device.h"

using namespace vkt53;

namespace {

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

std::vector<std::string> FilesBeginningWith(const TempFolder& folder, const std::string& start) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(start, 0) == 0) names.push_back(name);
  }
  return names;
}

std::vector<std::string> StateArgs(const TempFolder& folder, std::vector<std::string> more = {}) {
  more.insert(more.begin(), {"--state", folder.File("state.txt")});
  return FastWith(more);
}

Bytes Exchange(TerminalClient& client, const Bytes& request) {
  client.Send(request);
  return client.ReceiveAnswer();
}

}  // namespace

TEST(StateFile, EveryWriteIsSavedAtOnce) {
  TempFolder folder;
  const Bytes parameters = {0x0F, 0x03, 0x05, 0x01, 0x00, 0x00, 0x00};  // 19200 bit/s
  Bytes modem(64, 0);
  modem[0] = 'A';
  modem[1] = '\r';
  {
    EmulatorProcess process(folder, StateArgs(folder));
    TerminalClient client(process.linkPath(), 1200);
    ASSERT_EQ(Exchange(client, WriteRequest(0, 6, 100, 3, {0x2B, 0x4C, 0x6D})),
              WriteAnswer(0, 6, 100, 3));
    ASSERT_EQ(Exchange(client, WriteRequest(0, 5, 0, 1, modem)), WriteAnswer(0, 5, 0, 1));
    ASSERT_EQ(Exchange(client, WriteRequest(0, 3, 0, 7, parameters)), WriteAnswer(0, 3, 0, 7));
    // Killed without a chance to save at exit.
  }
  EXPECT_EQ(FilesBeginningWith(folder, "state.txt"), std::vector<std::string>{"state.txt"})
      << "no temporary file is left beside the state file";
  EmulatorProcess process(folder, StateArgs(folder));
  TerminalClient client(process.linkPath(), 19200);  // the written master speed
  EXPECT_EQ(Exchange(client, ReadRequest(0, 6, 99, 5)),
            ReadAnswer(0, 6, 99, 5, {0x00, 0x2B, 0x4C, 0x6D, 0x00}));
  EXPECT_EQ(Exchange(client, ReadRequest(0, 5, 0, 1)), ReadAnswer(0, 5, 0, 1, modem));
  EXPECT_EQ(Exchange(client, ReadRequest(0, 3, 0, 7)), ReadAnswer(0, 3, 0, 7, parameters));
}

TEST(StateFile, TerminateSavesRemovesTheLinkAndExitsWithZero) {
  TempFolder folder;
  {
    EmulatorProcess process(folder, StateArgs(folder, {"--address", "9", "--type", "6"}));
    ASSERT_TRUE(Exists(process.linkPath()));
    EXPECT_EQ(process.Stop(), 0);
    EXPECT_FALSE(Exists(process.linkPath()));
  }
  EmulatorProcess process(folder, StateArgs(folder));
  TerminalClient client(process.linkPath(), 1200);
  Bytes identification = DefaultIdentification();
  identification[1] = 6;
  EXPECT_EQ(Exchange(client, ReadRequest(9, 0, 0, 17)), ReadAnswer(9, 0, 0, 17, identification));
}

TEST(StateFile, HandWrittenFileAndCommandLineOverrides) {
  TempFolder folder;
  // Saved by Notepad, which starts the file with a UTF-8 byte-order mark.
  std::ofstream(folder.File("state.txt")) << "\xEF\xBB\xBFtype = 9\n"
                                             "# a device set up by hand\n"
                                             "software = 0x04\n"
                                             "master_speed_index = 11\n"
                                             "modem = ATDT1\n"
                                             "table6.5 = 0x2B 4c\n"
                                             "unit_speed_mask = 0x00000F0F\n";
  EmulatorProcess process(folder, StateArgs(folder, {"--type", "8"}));
  TerminalClient client(process.linkPath(), 9600);
  Bytes identification = DefaultIdentification();
  identification[3] = 4;
  EXPECT_EQ(Exchange(client, ReadRequest(0, 0, 0, 17)), ReadAnswer(0, 0, 0, 17, identification));
  EXPECT_EQ(Exchange(client, ReadRequest(0, 6, 4, 3)), ReadAnswer(0, 6, 4, 3, {0, 0x2B, 0x4C}));
  EXPECT_EQ(Exchange(client, ReadRequest(0, 1, 1, 1)), ReadAnswer(0, 1, 1, 1, {0x0F, 0x0F, 0, 0}));
  Bytes modem(64, 0);
  const std::string text = "ATDT1\r";
  std::copy(text.begin(), text.end(), modem.begin());
  EXPECT_EQ(Exchange(client, ReadRequest(0, 5, 0, 1)), ReadAnswer(0, 5, 0, 1, modem));
}

TEST(StateFile, BadLineStopsTheStartWithItsNumber) {
  TempFolder folder;
  std::ofstream(folder.File("state.txt")) << "type = 8\ntable3 = 02 03 zz\n";
  const FinishedRun run = RunEmulatorToEnd({"--state", folder.File("state.txt")});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.errors.find("line 2"), std::string::npos) << run.errors;
  EXPECT_TRUE(run.output.empty());
}

TEST(StateFile, PathThatCannotTakeTheStateStopsTheStart) {
  TempFolder folder;
  std::filesystem::create_directory(folder.File("folder"));
  for (const std::string& path : {folder.File("folder"), folder.File("missing/state.txt")}) {
    SCOPED_TRACE(path);
    const FinishedRun run = RunEmulatorToEnd({"--state", path});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.errors.find(path + ": "), std::string::npos) << run.errors;
    EXPECT_TRUE(run.output.empty());
  }
}

TEST(StateFile, ReadOnlyFolderStopsTheStart) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into a read-only folder";
  TempFolder folder;
  const std::string readOnly = folder.File("read-only");
  std::filesystem::create_directory(readOnly);
  chmod(readOnly.c_str(), 0555);
  const FinishedRun run = RunEmulatorToEnd({"--state", readOnly + "/state.txt"});
  chmod(readOnly.c_str(), 0755);
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.errors.find("Permission denied"), std::string::npos) << run.errors;
}

TEST(StateFile, StateThatCannotBeSavedAtExitIsReportedWithTheReason) {
  TempFolder folder;
  EmulatorProcess process(folder, StateArgs(folder));
  std::filesystem::create_directory(folder.File("state.txt"));  // taken while it runs
  EXPECT_EQ(process.Stop(), 0);
  EXPECT_NE(process.ErrorOutput().find(folder.File("state.txt") + ": a folder"), std::string::npos)
      << process.ErrorOutput();
}

TEST(StateFile, NumbersThatWrapOrRunPastATableAreRefusedNamingTheLine) {
  struct Case {
    const char* line;
    const char* named;  // what the message must name besides the line number
  };
  const Case refused[] = {
      {"table0.18446744073709551615 = 07", "table0.18446744073709551615"},  // offset + 1 wraps to 0
      {"table0.18446744073709551600 = 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11",
       "table0.18446744073709551600"},
      {"table0.17 = 07", "table0.17"},  // one past the last byte
      {"table6.254 = 01 02", "table6.254"},
      {"table0. -1 = 07", "table0. -1"},                                // a sign behind a blank
      {"table18446744073709551619 = 00", "table18446744073709551619"},  // 2^64 + 3
      {"table0.18446744073709551616 = 07", "table0.18446744073709551616"},
      {"address = 18446744073709551616", "0..254"},  // 2^64, not 0
      {"master_speed_mask = 0x10000000000000001", "32-bit"},
      {"master_speed_index = 256", "0..255"},
  };
  const std::string fresh = emu::StateText(emu::DefaultDeviceState());
  for (const Case& c : refused) {
    SCOPED_TRACE(c.line);
    emu::DeviceState state = emu::DefaultDeviceState();
    std::string error;
    EXPECT_FALSE(emu::ApplyStateText(std::string("type = 8\n") + c.line + "\n", state, &error));
    EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
    EXPECT_NE(error.find(c.named), std::string::npos) << error;
    EXPECT_EQ(emu::StateText(state), fresh) << "nothing outside the tables changed";
  }

  emu::DeviceState state = emu::DefaultDeviceState();
  std::string error;
  ASSERT_TRUE(emu::ApplyStateText("table0.16 = 07\ntable6.253 = 01 02\n", state, &error)) << error;
  EXPECT_EQ(state.identification[16], 7) << "the last byte of a table is still in reach";
  EXPECT_EQ(state.unitLinks[254], 2);
  EXPECT_EQ(state.address, 0);

  // The emulator refuses to start on such a file and says which line it is.
  TempFolder folder;
  std::ofstream(folder.File("state.txt")) << "table0.18446744073709551615 = 07\n";
  const FinishedRun run = RunEmulatorToEnd({"--state", folder.File("state.txt")});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.errors.find("line 1: table0.18446744073709551615"), std::string::npos)
      << run.errors;
}

TEST(RestoreFlags, WritingTheFlaggedTablesClearsThemAndThenByteZero) {
  TempFolder folder;
  std::ofstream(folder.File("state.txt")) << "table0 = 03\ntable7 = 00 00 00 01 00 01 00 00\n";
  EmulatorProcess process(folder, StateArgs(folder));
  TerminalClient client(process.linkPath(), 1200);
  Bytes identification = DefaultIdentification();

  ASSERT_EQ(Exchange(client, WriteRequest(0, 3, 1, 1, {0x03})), WriteAnswer(0, 3, 1, 1));
  identification[0] = 5;  // table 5 is still to be restored
  EXPECT_EQ(Exchange(client, ReadRequest(0, 0, 0, 17)), ReadAnswer(0, 0, 0, 17, identification));
  EXPECT_EQ(Exchange(client, ReadRequest(0, 7, 0, 8)),
            ReadAnswer(0, 7, 0, 8, {0, 0, 0, 0, 0, 1, 0, 0}));

  ASSERT_EQ(Exchange(client, WriteRequest(0, 5, 0, 1, Bytes(64, 0))), WriteAnswer(0, 5, 0, 1));
  identification[0] = 0;
  EXPECT_EQ(Exchange(client, ReadRequest(0, 0, 0, 17)), ReadAnswer(0, 0, 0, 17, identification));
  EXPECT_EQ(Exchange(client, ReadRequest(0, 7, 0, 8)), ReadAnswer(0, 7, 0, 8, Bytes(8, 0)));
}
