#include "skin/forms/title_items.h"

#include "skin/forms/skin_provider.h"
#include "skin/forms/title_animation.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"

namespace skin {

// ---- TsTitleIcon ----

TsTitleIcon::TsTitleIcon() : glyph_(std::make_unique<vcl::TBitmap>()) {}
TsTitleIcon::~TsTitleIcon() = default;

VCL_PUBLISHED(TsTitleIcon, p) {
  using C = TsTitleIcon;
  p.Object("Glyph", &C::Glyph, &C::SetGlyph)
      .Integer("Height", &C::Height, &C::SetHeight, 0)
      .Integer("Width", &C::Width, &C::SetWidth, 0);
}

// ---- TsTitleButton ----

TsTitleButton::TsTitleButton(vcl::TCollection* collection)
    : vcl::TCollectionItem(collection), glyph_(std::make_unique<vcl::TBitmap>()) {
  if (name_.empty()) name_ = ClassName();
}

TsTitleButton::~TsTitleButton() { delete Data.Timer; }

void TsTitleButton::Assign(vcl::TPersistent* source) {
  auto* other = dynamic_cast<TsTitleButton*>(source);
  if (!other) {
    inherited::Assign(source);
    return;
  }
  enabled_ = other->enabled_;
  glyph_->Assign(other->glyph_.get());
  hint_ = other->hint_;
  name_ = other->name_;
  useSkinData_ = other->useSkinData_;
  OnMouseDown = other->OnMouseDown;
  OnMouseUp = other->OnMouseUp;
}

TsSkinProvider* TsTitleButton::Provider() const {
  auto* buttons = dynamic_cast<TsTitleButtons*>(Collection());
  return buttons ? buttons->Provider() : nullptr;
}

void TsTitleButton::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  if (TsSkinProvider* provider = Provider()) provider->RepaintFrame();
}

void TsTitleButton::FireMouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TsTitleButton::FireMouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

VCL_PUBLISHED(TsTitleButton, p) {
  using C = TsTitleButton;
  p.Bool("UseSkinData", &C::UseSkinData, &C::SetUseSkinData, true)
      .String("Name", &C::Name, &C::SetName)
      .Object("Glyph", &C::Glyph, &C::SetGlyph)
      .Event("OnMouseUp", &C::OnMouseUp)
      .Event("OnMouseDown", &C::OnMouseDown)
      .Bool("Enabled", &C::Enabled, &C::SetEnabled, true)
      .String("Hint", &C::Hint, &C::SetHint)
      .Bool("Visible", &C::Visible, &C::SetVisible, true);
}

// ---- TsTitleButtons ----

TsTitleButtons::TsTitleButtons(TsSkinProvider* owner) : TTypedCollection(owner) {}

VCL_PUBLISHED(TsTitleButtons, p) { (void)p; }

// ---- TacAddedTitle ----

TacAddedTitle::TacAddedTitle(TsSkinProvider* provider)
    : provider_(provider), font_(std::make_unique<vcl::TFont>()) {
  font_->SetColor(vcl::clNone);
}

TacAddedTitle::~TacAddedTitle() = default;

void TacAddedTitle::SetText(const std::string& value) {
  if (text_ == value) return;
  text_ = value;
  if (provider_) provider_->RepaintFrame();
}

VCL_PUBLISHED(TacAddedTitle, p) {
  using C = TacAddedTitle;
  p.String("Text", &C::Text, &C::SetText).Object("Font", &C::Font, &C::SetFont);
}

}  // namespace skin
