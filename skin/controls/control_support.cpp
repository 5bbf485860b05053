#include "skin/controls/control_support.h"

#include "skin/engine/skin_utils.h"
#include "vcl/controls/application.h"

namespace skin {

const vcl::TEnumNames AnimatEventNames{"aeMouseEnter", "aeMouseLeave", "aeMouseDown", "aeMouseUp", "aeGlobalDef"};
const vcl::TEnumNames DisabledKindNames{"dkBlended", "dkGrayed"};
const vcl::TEnumNames AlignmentNames{"taLeftJustify", "taRightJustify", "taCenter"};

bool ForcePressed = false;

void FadeOnEvent(TsFadeTimer*& timer, TsCommonData* link, TacAnimatEvents events, TacAnimatEvent event, bool halve) {
  RepaintWithFade(timer, link, halve, 2, IsAnimEventEnabled(event, events, link->GetSkinManager()));
}

void ShowPressBeforeRelease(TsFadeTimer* timer, TsCommonData* link, vcl::TWinControl* control) {
  if (!timer || timer->FadeStepNo >= timer->FadeSteps) return;
  timer->SetEnabled(false);
  link->CacheStale = true;
  ForcePressed = true;
  RedrawWindow(control->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  ForcePressed = false;
  Sleep(30);
}

namespace {
bool hintsSuspended = false;
bool rememberedShowHint = true;
}  // namespace

void SuspendHints() {
  if (hintsSuspended || !vcl::Application) return;
  rememberedShowHint = vcl::Application->ShowHint();
  vcl::Application->SetShowHint(false);
  hintsSuspended = true;
}

void RestoreHints() {
  if (!hintsSuspended) return;
  hintsSuspended = false;
  if (vcl::Application) vcl::Application->SetShowHint(rememberedShowHint);
}

bool HintsSuspended() { return hintsSuspended; }

bool LiesInsideParent(vcl::TControl* control) {
  vcl::TWinControl* parent = control ? control->Parent() : nullptr;
  if (!parent) return false;
  return RectContainsRect(parent->ClientRect(), control->BoundsRect());
}

}  // namespace skin
