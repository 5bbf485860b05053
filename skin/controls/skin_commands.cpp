#include "skin/controls/skin_commands.h"

#include "skin/controls/control_support.h"
#include "vcl/controls/application.h"

namespace skin {

bool IsCommonSkinCommand(const vcl::TMessage& message) {
  switch (AlphaCommand(message)) {
    case cmdSkinSet:
    case cmdSkinRemoved:
    case cmdSkinRefresh:
    case cmdIsSkinned:
    case cmdGetApplication:
      return true;
    default:
      return false;
  }
}

bool AnswerSkinCommand(vcl::TComponent* control, vcl::TMessage& message, TsCommonData* link,
                       const TSkinCommandSteps& steps) {
  const TSkinNewsSteps* news = nullptr;
  switch (AlphaCommand(message)) {
    case cmdIsSkinned:
      if (!steps.AnswersIsSkinned) return false;
      message.Result = 1;
      return true;
    case cmdGetApplication:
      if (!steps.AnswersApplication) return false;
      message.Result = LRESULT(vcl::Application);
      return true;
    case cmdSkinSet: news = &steps.SkinSet; break;
    case cmdSkinRemoved: news = &steps.SkinRemoved; break;
    case cmdSkinRefresh: news = &steps.SkinRefresh; break;
    default: return false;
  }
  if (!news->Before && !news->After) return false;
  const bool own = ForOwnManager(message, link);
  if (!own && !news->EveryManager) return false;
  if (!news->WhileDestroying && IsDestroying(control)) return false;
  if (news->Before) news->Before(own);
  if (own && steps.LinkTakesNews) PreprocessControlMessage(message, link);
  return news->After ? news->After(own) : true;
}

}  // namespace skin
