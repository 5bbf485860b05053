// What the skinned push button and bit button answer alike: the skinning commands that concern
// neither one's own drawing, the mouse entering or leaving, and the release of a press.
#pragma once

#include <functional>

#include "skin/controls/button_region.h"
#include "skin/controls/control_support.h"
#include "skin/controls/skin_commands.h"
#include "skin/engine/common_data.h"
#include "skin/engine/fade_timers.h"
#include "vcl/controls/controls.h"

namespace skin {

// Handles the skinning commands both buttons answer the same way (the skin refreshed, is
// skinned, stop the fade, the application, paint into the cache, a fade frame), and a skin set
// or removed with the button's own steps when it gives them; true when the message is answered
// and must go no further.
bool PushButtonCommand(vcl::TControl* button, vcl::TMessage& message, TsFadeTimer*& timer, TsCommonData* link,
                       TacButtonRegion& region, const std::function<void()>& prepareCache,
                       TSkinNewsSteps skinSet = {}, TSkinNewsSteps skinRemoved = {});
// The mouse entered (or left) an enabled button outside the designer: tells the handler, notes
// the hover and fades to the new look. Entering a button already hovered does nothing.
void PushButtonHover(vcl::TControl* button, TsCommonData* link, bool entered, const vcl::TNotifyEvent& handler,
                     TsFadeTimer*& timer, TacAnimatEvents events);

// The left button released over a pressed button: the pressed image shows for a moment while
// the press still fades in, then the button fades to its released look.
void PushButtonReleased(vcl::TWinControl* button, TsFadeTimer*& timer, TsCommonData* link, TacButtonRegion& region,
                        TacAnimatEvents events);

}  // namespace skin
