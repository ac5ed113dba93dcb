// The program-wide state: how it starts, and closing the link's port while
// exchanges may still be asked of it.
#include "app/program_state.h"

#include <gtest/gtest.h>

#include "tests/support/scripted_port.h"
#include "tests/support/test_link.h"

using namespace vkt53;

TEST(ProgramState, StartsWithoutAPortOrASupportedDevice) {
  ProgramState state;
  EXPECT_EQ(state.link.context.deviceAddress, 0);
  EXPECT_FALSE(state.link.IsOpen());
  EXPECT_FALSE(state.supportedDevice);
  EXPECT_EQ(state.link.settings, LinkSettings{});
  EXPECT_TRUE(state.configFilePath.empty());
  EXPECT_EQ(state.record, ConfigRecord{});
}

TEST(ProgramState, ClosingThePortFailsTheExchangesInsteadOfLeavingThemAPort) {
  FakeClock clock;
  ProgramState state;
  auto port = std::make_shared<ScriptedPort>(clock, [](const Bytes&, int32_t) {
    Bytes data = {0, 0, 17};
    data.resize(20, 0);
    return Answer(0, 0x9D, data);
  });
  state.link.Attach(port);
  ASSERT_TRUE(RequestIdentification(state.link.context));

  state.link.Close();
  EXPECT_FALSE(state.link.IsOpen());
  EXPECT_FALSE(port->IsOpen());
  EXPECT_FALSE(RequestIdentification(state.link.context));
  EXPECT_EQ(state.link.context.resultCode, kResultWriteFailed);
  EXPECT_EQ(port->sent().size(), 1u) << "nothing more reached the line";

  state.link.Close();  // a second close, and one without a port, do nothing
  EXPECT_FALSE(state.link.IsOpen());
}
