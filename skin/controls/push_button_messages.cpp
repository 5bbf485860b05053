#include "skin/controls/push_button_messages.h"

#include "skin/engine/window_messages.h"

namespace skin {

bool PushButtonCommand(vcl::TControl* button, vcl::TMessage& message, TsFadeTimer*& timer, TsCommonData* link,
                       TacButtonRegion& region, const std::function<void()>& prepareCache,
                       TSkinNewsSteps skinSet, TSkinNewsSteps skinRemoved) {
  if (IsCommonSkinCommand(message))
    return AnswerSkinCommand(button, message, link,
                             {.SkinSet = std::move(skinSet),
                              .SkinRemoved = std::move(skinRemoved),
                              .SkinRefresh = {.Before = [&](bool) { StopFadeTimer(timer, link); },
                                              .After = [&](bool) {
                                                region.Stale = true;
                                                button->Repaint();
                                                return true;
                                              }}});
  switch (AlphaCommand(message)) {
    case cmdStopFade:
      StopFadeTimer(timer, link);
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
