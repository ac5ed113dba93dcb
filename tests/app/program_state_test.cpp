// The program-wide state: how it starts, and closing the port while the
// exchange context still holds a copy of it.
#include "app/program_state.h"

#include <gtest/gtest.h>

#include "tests/support/scripted_port.h"
#include "tests/support/test_link.h"

using namespace vkt53;

TEST(ProgramState, StartsWithoutAPortOrASupportedDevice) {
  ProgramState state;
  ASSERT_TRUE(state.context);
  EXPECT_EQ(state.context->deviceAddress, 0);
  EXPECT_FALSE(state.port);
  EXPECT_FALSE(state.supportedDevice);
  EXPECT_EQ(state.settings, LinkSettings{});
  EXPECT_TRUE(state.configFilePath.empty());
  EXPECT_EQ(state.record, ConfigRecord{});
}

TEST(ProgramState, ClosingThePortFailsTheContextsExchangesInsteadOfLeavingThemAPort) {
  FakeClock clock;
  ProgramState state;
  auto port = std::make_shared<ScriptedPort>(clock, [](const Bytes&, int32_t) {
    Bytes data = {0, 0, 17};
    data.resize(20, 0);
    return Answer(0, 0x9D, data);
  });
  state.port = port;
  LoadExchangeParameters(*state.context, state.settings, state.port);
  ASSERT_TRUE(RequestIdentification(*state.context));

  state.ClosePort();
  EXPECT_FALSE(state.port);
  EXPECT_FALSE(port->IsOpen());
  EXPECT_FALSE(RequestIdentification(*state.context));
  EXPECT_EQ(state.context->resultCode, kResultWriteFailed);
  EXPECT_EQ(port->sent().size(), 1u) << "nothing more reached the line";

  state.ClosePort();  // a second close, and one without a port, do nothing
  EXPECT_FALSE(state.port);
}
