// The skinning news and questions that every skinned control hears: a manager set (1), removed
// (2) or refreshed (3) the skin, "are you skinned" (7) and "which application" (60). Each
// control lists what it does on them; the rule that ties the steps together lives here once.
#pragma once

#include <functional>

#include "skin/engine/common_data.h"
#include "vcl/controls/controls.h"

namespace skin {

// What a control does on one of the news 1, 2 and 3. A control hears only its own manager's
// news unless it hands every manager's news to its children (EveryManager). The skin link
// takes its own manager's news between Before and After; `own` tells the steps whose news it
// is. After says whether the message is answered (true) or goes on through the rest of the
// window procedure; without an After it is answered. A command with no step at all is left
// to the rest of the window procedure.
struct TSkinNewsSteps {
  std::function<void(bool own)> Before{};
  std::function<bool(bool own)> After{};
  bool EveryManager = false;
  // False: a control being destroyed lets the news go on untouched.
  bool WhileDestroying = true;
};

struct TSkinCommandSteps {
  TSkinNewsSteps SkinSet{}, SkinRemoved{}, SkinRefresh{};
  // False where the link is another control's (a tab sheet shows its page control's): the
  // news only says whose it is.
  bool LinkTakesNews = true;
  bool AnswersIsSkinned = true;
  bool AnswersApplication = true;
};

// True for the commands AnswerSkinCommand knows.
bool IsCommonSkinCommand(const vcl::TMessage& message);
// Runs the control's steps for a common command; true when the message is answered and must
// go no further.
bool AnswerSkinCommand(vcl::TComponent* control, vcl::TMessage& message, TsCommonData* link,
                       const TSkinCommandSteps& steps);

}  // namespace skin
