// The rule every skinned control answers the common skinning messages by: whose news a control
// hears, when its skin link takes them, which steps run in which order, and what is answered.
#include "skin/controls/skin_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "skin/controls/speed_button.h"
#include "skin/engine/skin_types.h"
#include "tests/skin/controls/controls_fixture.h"

using namespace skin;
using controls_test::SkinnedControls;

namespace {

class SkinCommands : public SkinnedControls {
 protected:
  // Sends one command through the rule with steps that write down what ran.
  struct Outcome {
    bool answered;
    std::string ran;
  };
  Outcome Send(uint16_t command, bool fromOwnManager, bool everyManager, bool passOn) {
    auto* button = Add<TsSpeedButton>(nullptr, 10, 10, 50, 20);
    std::string ran;
    TSkinNewsSteps steps{.Before = [&](bool own) { ran += own ? "before(own) " : "before(other) "; },
                         .After =
                             [&](bool own) {
                               ran += own ? "after(own)" : "after(other)";
                               return !passOn;
                             },
                         .EveryManager = everyManager};
    vcl::TMessage message{};
    message.Msg = SM_ALPHACMD;
    message.WParam = MAKEWPARAM(0, command);
    message.LParam = fromOwnManager ? LPARAM(manager.get()) : LPARAM(0x1234);
    const bool answered = AnswerSkinCommand(button, message, button->SkinData(),
                                            {.SkinSet = steps, .SkinRemoved = steps, .SkinRefresh = steps});
    delete button;
    return {answered, ran};
  }
};

TEST_F(SkinCommands, NewsRunTheControlsStepsByWhoseTheyAre) {
  ActivateSkin();
  const struct {
    uint16_t command;
    bool own, everyManager, passOn;
    bool answered;
    const char* ran;
  } cases[] = {
      {cmdSkinSet, true, false, false, true, "before(own) after(own)"},
      {cmdSkinRemoved, true, false, true, false, "before(own) after(own)"},  // the steps let it go on
      {cmdSkinRefresh, false, false, false, false, ""},                      // another manager's news
      {cmdSkinRefresh, false, true, false, true, "before(other) after(other)"},  // a container hears all
      {cmdSkinSet, false, true, true, false, "before(other) after(other)"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = Send(c.command, c.own, c.everyManager, c.passOn);
    EXPECT_EQ(outcome.answered, c.answered) << c.command << " own " << c.own;
    EXPECT_EQ(outcome.ran, c.ran) << c.command << " own " << c.own;
  }
}

TEST_F(SkinCommands, QuestionsAreAnsweredAndOtherCommandsLeftAlone) {
  ActivateSkin();
  auto* button = Add<TsSpeedButton>(nullptr, 10, 10, 50, 20);
  auto ask = [&](uint16_t command, const TSkinCommandSteps& steps, LRESULT& result) {
    vcl::TMessage message{};
    message.Msg = SM_ALPHACMD;
    message.WParam = MAKEWPARAM(0, command);
    const bool answered = AnswerSkinCommand(button, message, button->SkinData(), steps);
    result = message.Result;
    return answered;
  };
  LRESULT result = 0;
  EXPECT_TRUE(ask(cmdIsSkinned, {}, result));
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(ask(cmdGetApplication, {}, result));
  EXPECT_EQ(result, LRESULT(vcl::Application));
  EXPECT_FALSE(ask(cmdIsSkinned, {.AnswersIsSkinned = false}, result));
  EXPECT_FALSE(ask(cmdRepaint, {}, result));
  // A control without steps for a news leaves it to the rest of its window procedure.
  EXPECT_FALSE(ask(cmdSkinSet, {}, result));
  vcl::TMessage other{};
  other.Msg = WM_PAINT;
  EXPECT_FALSE(IsCommonSkinCommand(other));
}

}  // namespace
