#include "platform/pump.h"

#include <gtest/gtest.h>

#include <vector>

#include "fake_platform.h"

namespace {

TEST(MessagePump, StepPumpsOnlyOnceTheIntervalHasPassed) {
  FakePlatform platform;
  platform.tickStep = 0;
  mwn::MessagePump pump(platform, 10);
  platform.tick += 9;
  pump.Step();
  EXPECT_EQ(platform.pumps, 0);
  platform.tick += 1;
  pump.Step();
  EXPECT_EQ(platform.pumps, 1);
  pump.Step();  // the interval starts again at the pump
  EXPECT_EQ(platform.pumps, 1);
  platform.tick += 10;
  pump.Step();
  EXPECT_EQ(platform.pumps, 2);
}

TEST(MessagePump, FullAlwaysPumpsAndRestartsTheInterval) {
  FakePlatform platform;
  platform.tickStep = 0;
  mwn::MessagePump pump(platform, 10);
  pump.Full();
  pump.Full();
  EXPECT_EQ(platform.pumps, 2);
  platform.tick += 9;
  pump.Step();
  EXPECT_EQ(platform.pumps, 2);
}

TEST(MessagePump, KeepsPumpingAcrossTheTickCountersWrap) {
  FakePlatform platform;
  platform.tickStep = 0;
  platform.tick = 0xFFFFFFF8u;
  mwn::MessagePump pump(platform, 10);
  platform.tick = 0x00000001u;  // 9 ms later, past the wrap
  pump.Step();
  EXPECT_EQ(platform.pumps, 0);
  platform.tick = 0x00000002u;
  pump.Step();
  EXPECT_EQ(platform.pumps, 1);
}

// A change held back for the next pump must be in place before any message
// is processed, and only pumps that happen run it: full ones, others when due.
TEST(MessagePump, HookRunsBeforeEachFullPumpAndOtherPumpsWhenDue) {
  FakePlatform platform;
  platform.tickStep = 0;
  mwn::MessagePump pump(platform, 10);
  std::vector<int> pumpsSeenByHook;
  pump.BeforeEachPump([&] { pumpsSeenByHook.push_back(platform.pumps); });
  pump.Step();
  platform.tick += 10;
  pump.Step();
  pump.Full();
  for (std::uint32_t wait : {10, 10, 9, 1, 0, 29, 10}) {  // 0: a message while the run waits
    platform.tick += wait;
    wait == 0 ? pump.Answer() : pump.Step();
  }
  EXPECT_EQ(pumpsSeenByHook, (std::vector<int>{0, 1, 4, 7}));
}

}  // namespace
