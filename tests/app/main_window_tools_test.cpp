// The tool and jog buttons, and Init Cutter as a blocking sequence.
#include <gtest/gtest.h>

#include "main_window_fixture.h"

namespace orvex::test {
namespace {

using namespace window_id;

TEST_F(MainWindowModelTest, InitCutterDefersTicksToItsEndAndRunsTheSequence) {
  std::vector<int> ticksSeen;
  clock.duringSleep = [&] {
    ticksSeen.push_back(model->Ticks());
    model->OnTimer();
    model->OnTimer();
  };
  model->OnInitCutter();
  clock.duringSleep = nullptr;
  ASSERT_FALSE(ticksSeen.empty());
  for (int seen : ticksSeen) EXPECT_EQ(seen, 0);
  EXPECT_EQ(model->Ticks(), 1);  // every tick that arrived meanwhile ran as one, afterwards
  EXPECT_EQ(view.cursorLog, (std::vector<bool>{true, false}));
  EXPECT_EQ(cutterTransport.opens.size(), 8U);  // the whole sequence, checked in the run's tests
}

TEST_F(MainWindowModelTest, ToolButtonsAndJogSendTheirCommandsWithTheirPauses) {
  view.Click(kCreaseButton);
  EXPECT_EQ(cutterTransport.opens.size(), 2U);  // 112, then 140
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{100}));
  view.Click(kBladeButton);
  EXPECT_EQ(cutterTransport.opens.size(), 5U);  // 112, 150, 151
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{100, 100, 100}));
  view.Click(kCycleButton);  // the engine's tool cycle: the head parks first
  EXPECT_EQ(run.headCross, 110);
  view.Click(kWidenButton);
  EXPECT_EQ(view.widenedPast, std::make_pair(kWidenButton, 25));

  // The jog buttons reach the engine's jog: one command at the press, one at the release.
  const std::size_t sent = cutterTransport.opens.size();
  model->OnJogPress(false);
  EXPECT_TRUE(model->Jogging());
  EXPECT_EQ(cutterTransport.opens.size(), sent + 1);
  model->OnJogRelease();
  EXPECT_FALSE(model->Jogging());
  EXPECT_EQ(cutterTransport.opens.size(), sent + 2);
}

}  // namespace
}  // namespace orvex::test
