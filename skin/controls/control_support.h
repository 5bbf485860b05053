// Small rules that every skinned control shares: reading the skinning message, the component
// states they test, the names their published sets use, and the hint suppression that holds
// hints back while a mouse button is held on a button, speed button, track bar or splitter.
#pragma once

#include <cstdint>

#include "skin/engine/anim_effects.h"
#include "skin/engine/common_data.h"
#include "skin/engine/component_state.h"
#include "skin/engine/fade_timers.h"
#include "skin/engine/graphics/disabled_look.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/controls.h"
#include "vcl/controls/messages.h"

namespace skin {

// The command of an SM_ALPHACMD message (its high word of wParam); 0 for any other message.
inline uint16_t AlphaCommand(const vcl::TMessage& message) {
  return message.Msg == SM_ALPHACMD ? HIWORD(message.WParam) : 0;
}
inline bool IsAlphaCmd(const vcl::TMessage& message, uint16_t command) {
  return message.Msg == SM_ALPHACMD && HIWORD(message.WParam) == command;
}
// True when lParam names the link's manager (commands 1, 2 and 3 concern one manager).
inline bool ForOwnManager(const vcl::TMessage& message, const TsCommonData* link) {
  return link && message.LParam == LPARAM(link->GetSkinManager());
}

// Names of the published sets and enumerations the controls share.
extern const vcl::TEnumNames AnimatEventNames;   // TacAnimatEvents, aeGlobalDef by default
extern const vcl::TEnumNames DisabledKindNames;  // TsDisabledKind
extern const vcl::TEnumNames AlignmentNames;     // TAlignment
constexpr TacAnimatEvents DefaultAnimatEvents = 1u << aeGlobalDef;

// Hints stay off while a mouse button is held on a skinned button, speed button, track bar or
// splitter. Suspending twice keeps the first remembered value; restoring gives it back once.
void SuspendHints();
void RestoreHints();
bool HintsSuspended();

// The state a press shows for a moment before the release fades (read by the buttons' state).
extern bool ForcePressed;

// Repaints a control after a mouse event, fading when its animated events and the skin allow.
void FadeOnEvent(TsFadeTimer*& timer, TsCommonData* link, TacAnimatEvents events, TacAnimatEvent event, bool halve);
// At a release while the press still fades in, the pressed image is shown for a moment first.
void ShowPressBeforeRelease(TsFadeTimer* timer, TsCommonData* link, vcl::TWinControl* control);

// The bounds of a control in its parent's client area, and whether they lie wholly inside it.
bool LiesInsideParent(vcl::TControl* control);

}  // namespace skin
