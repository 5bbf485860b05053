#include "skin/controls/push_button_messages.h"

#include "skin/engine/window_messages.h"
#include "vcl/controls/application.h"

namespace skin {

bool PushButtonCommand(vcl::TControl* button, vcl::TMessage& message, TsFadeTimer*& timer, TsCommonData* link,
                       TacButtonRegion& region, const std::function<void()>& prepareCache) {
  switch (AlphaCommand(message)) {
    case cmdSkinRefresh:
      if (!ForOwnManager(message, link)) break;
      StopFadeTimer(timer, link);
      PreprocessControlMessage(message, link);
      region.Stale = true;
      button->Repaint();
      return true;
    case cmdIsSkinned:
      message.Result = 1;
      return true;
    case cmdStopFade:
      StopFadeTimer(timer, link);
      return true;
    case cmdGetApplication:
      message.Result = LRESULT(vcl::Application);
      return true;
    case cmdPaintToCache:
      prepareCache();
      break;
    case cmdFadeFrame:
      region.Drop();
      break;
  }
  return false;
}

void PushButtonHover(vcl::TControl* button, TsCommonData* link, bool entered, const vcl::TNotifyEvent& handler,
                     TsFadeTimer*& timer, TacAnimatEvents events) {
  if (!button->Enabled() || IsDesigning(button) || (entered && link->MouseOver)) return;
  if (handler) handler(button);
  link->MouseOver = entered;
  link->CacheStale = false;
  FadeOnEvent(timer, link, events, entered ? aeMouseEnter : aeMouseLeave, false);
}

void PushButtonReleased(vcl::TWinControl* button, TsFadeTimer*& timer, TsCommonData* link, TacButtonRegion& region,
                        TacAnimatEvents events) {
  ShowPressBeforeRelease(timer, link, button);
  link->UpdatePending = false;
  region.Stale = true;
  link->CacheStale = false;
  FadeOnEvent(timer, link, events, aeMouseUp, true);
}

}  // namespace skin
