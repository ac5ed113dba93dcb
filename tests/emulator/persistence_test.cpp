// The device's state file: what the tool writes survives a restart, what a
// person writes is read, and restore flags clear as tables are written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "running_device.h"

namespace {

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
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
  EXPECT_FALSE(Exists(folder.File("state.txt.tmp")));
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

TEST(StateFile, HandWrittenKeysAndCommandLineOverrides) {
  TempFolder folder;
  std::ofstream(folder.File("state.txt")) << "# a device set up by hand\n"
                                             "type = 9\n"
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
