#include "skin/engine/anim_effects.h"

#include "skin/engine/published_field.h"
#include "vcl/classes/typeinfo.h"

namespace skin {

const TacBtnEvent AnimEventToBtnEvent[5] = {beMouseEnter, beMouseLeave, beMouseDown, beMouseUp, beMouseUp};

TacBtnEffects::TacBtnEffects() = default;
TacBtnEffects::~TacBtnEffects() = default;

TacFormAnimation::TacFormAnimation(uint16_t time, TacAnimType mode) : Time(time), Mode(mode) {}
TacFormAnimation::~TacFormAnimation() = default;

void TacFormAnimation::Assign(vcl::TPersistent* source) {
  auto* s = dynamic_cast<TacFormAnimation*>(source);
  if (!s) return inherited::Assign(source);
  Time = s->Time;
  Active = s->Active;
  Mode = s->Mode;
}

TacFormShow::TacFormShow() : TacFormAnimation(0, atAero) {}
TacPageChange::TacPageChange() : TacFormAnimation(0, atAero) {}
TacDialogShow::TacDialogShow() : TacFormAnimation(0, atAero) {}
TacSkinChanging::TacSkinChanging() : TacFormAnimation(100, atFading) {}

TacAnimEffects::TacAnimEffects(TsSkinManager* manager)
    : buttons_(std::make_unique<TacBtnEffects>()),
      dialogShow_(std::make_unique<TacDialogShow>()),
      formShow_(std::make_unique<TacFormShow>()),
      skinChanging_(std::make_unique<TacSkinChanging>()),
      pageChange_(std::make_unique<TacPageChange>()),
      manager_(manager) {
  buttons_->Manager = manager;
}

TacAnimEffects::~TacAnimEffects() = default;

void TacAnimEffects::SetManager(TsSkinManager* manager) {
  manager_ = manager;
  buttons_->Manager = manager;
}

VCL_PUBLISHED(TacBtnEffects, p) {
  p.Set("Events", SKIN_FIELD(TacBtnEffects, Events), {"beMouseEnter", "beMouseLeave", "beMouseDown", "beMouseUp"},
        AllBtnEvents);
}

const vcl::TEnumNames AnimTypeNames = {"atFading", "atAero"};

VCL_PUBLISHED(TacFormAnimation, p) {
  p.Bool("Active", SKIN_FIELD(TacFormAnimation, Active), true).Integer("Time", SKIN_FIELD(TacFormAnimation, Time), 0);
}
VCL_PUBLISHED(TacFormShow, p) { p.Enum("Mode", SKIN_FIELD(TacFormShow, Mode), AnimTypeNames, atAero); }
VCL_PUBLISHED(TacDialogShow, p) { p.Enum("Mode", SKIN_FIELD(TacDialogShow, Mode), AnimTypeNames, atAero); }
VCL_PUBLISHED(TacPageChange, p) { (void)p; }
VCL_PUBLISHED(TacSkinChanging, p) {
  p.Integer("Time", SKIN_FIELD(TacSkinChanging, Time), 100)
      .Enum("Mode", SKIN_FIELD(TacSkinChanging, Mode), AnimTypeNames, atFading);
}

VCL_PUBLISHED(TacAnimEffects, p) {
  using C = TacAnimEffects;
  p.Object("Buttons", &C::Buttons)
      .Object("DialogShow", &C::DialogShow)
      .Object("FormShow", &C::FormShow)
      .Object("PageChange", &C::PageChange)
      .Object("SkinChanging", &C::SkinChanging);
}

}  // namespace skin
