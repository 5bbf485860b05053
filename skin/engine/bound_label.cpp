#include "skin/engine/bound_label.h"

#include <algorithm>

#include "skin/engine/common_data.h"
#include "skin/engine/skin_utils.h"
#include "vcl/classes/typeinfo.h"

namespace skin {

std::function<vcl::TCustomLabel*(vcl::TComponent* owner, TsBoundLabel* bound)> CreateBoundEditLabel;

namespace {

vcl::TAlignment AlignmentFor(TsCaptionLayout layout) {
  switch (layout) {
    case sclTopLeft:
      return vcl::taLeftJustify;
    case sclTopCenter:
      return vcl::taCenter;
    default:
      return vcl::taRightJustify;
  }
}

}  // namespace

TsBoundLabel::TsBoundLabel(TsCommonData* link) : link_(link), font_(std::make_unique<vcl::TFont>()) {}

TsBoundLabel::~TsBoundLabel() { SetActive(false); }

vcl::TWinControl* TsBoundLabel::Edit() const {
  return link_ ? dynamic_cast<vcl::TWinControl*>(link_->LinkedControl) : nullptr;
}

void TsBoundLabel::SetActive(bool value) {
  if (value == Active()) return;
  if (!value) {
    vcl::TCustomLabel* label = label_;
    label_ = nullptr;
    delete label;
    return;
  }
  vcl::TWinControl* edit = Edit();
  if (!edit) return;
  label_ = CreateBoundEditLabel ? CreateBoundEditLabel(edit, this) : new vcl::TLabel(edit);
  label_->SetVisible(false);
  label_->SetParent(edit->Parent());
  label_->SetFocusControl(edit);
  label_->SetAlignment(AlignmentFor(layout_));
  label_->Font()->Assign(font_.get());
  if (!edit->Name().empty()) label_->SetName(edit->Name() + "Label");
  if (caption_.empty()) caption_ = edit->Name();
  label_->SetText(caption_);
  label_->SetVisible(edit->Visible() || edit->ComponentState().Contains(vcl::csDesigning));
  label_->SetEnabled(edit->Enabled());
  AlignLabel();
}

void TsBoundLabel::SetCaption(const std::string& value) {
  if (value == caption_) return;
  caption_ = value;
  if (!label_) return;
  label_->SetText(caption_);
  AlignLabel();
}

void TsBoundLabel::SetIndent(int32_t value) {
  if (value == indent_) return;
  indent_ = value;
  AlignLabel();
}

void TsBoundLabel::SetMaxWidth(int32_t value) {
  if (value == maxWidth_) return;
  maxWidth_ = value;
  AlignLabel();
}

void TsBoundLabel::SetLayout(TsCaptionLayout value) {
  if (value == layout_) return;
  layout_ = value;
  if (!label_) return;
  label_->SetAlignment(AlignmentFor(layout_));
  AlignLabel();
}

vcl::TFont* TsBoundLabel::Font() const { return label_ ? label_->Font() : font_.get(); }

void TsBoundLabel::SetFont(vcl::TFont* value) {
  if (!value) return;
  // Without a label the value is kept for the label made on activation.
  font_->Assign(value);
  if (!label_) return;
  label_->Font()->Assign(value);
  if (vcl::TWinControl* edit = Edit()) label_->SetParent(edit->Parent());
  AlignLabel();
}

bool TsBoundLabel::UseSkinColor() const {
  if (!label_ || !ControlHasProp(label_, "UseSkinColor")) return true;
  return GetOrdPropByName(label_, "UseSkinColor") != 0;
}

void TsBoundLabel::SetUseSkinColor(bool value) {
  if (label_) SetOrdPropByName(label_, "UseSkinColor", value ? 1 : 0);
}

void TsBoundLabel::AlignLabel() {
  vcl::TWinControl* edit = Edit();
  if (!label_ || !edit || !label_->Visible()) return;
  label_->SetAutoSize(true);
  const vcl::TRect e = edit->BoundsRect();
  const int32_t ew = e.right - e.left, eh = e.bottom - e.top;
  const int32_t lw = label_->Width(), lh = label_->Height();
  switch (layout_) {
    case sclLeft:
      label_->SetBounds(e.left - lw - 4 - indent_, e.top + (eh - lh) / 2 - 1, lw, lh);
      break;
    case sclTopLeft:
      label_->SetBounds(e.left, e.top - lh - indent_, lw, lh);
      break;
    case sclTopCenter:
      label_->SetBounds(e.left + (ew - lw) / 2, e.top - lh - indent_, lw, lh);
      break;
    case sclTopRight:
      label_->SetBounds(e.left + ew - lw, e.top - lh - indent_, lw, lh);
      break;
  }
  label_->SetParent(edit->Parent());
  if (maxWidth_ != 0) {
    label_->SetAutoSize(false);
    label_->SetWidth(maxWidth_);
    label_->SetWordWrap(true);
    label_->SetHeight(std::max(label_->Height(), eh));
  }
}

VCL_PUBLISHED(TsBoundLabel, p) {
  using C = TsBoundLabel;
  p.Bool("Active", &C::Active, &C::SetActive, false)
      .String("Caption", &C::Caption, &C::SetCaption)
      .Integer("Indent", &C::Indent, &C::SetIndent, 0)
      .Object("Font", &C::Font, &C::SetFont)
      .Enum("Layout", &C::Layout, &C::SetLayout, {"sclLeft", "sclTopLeft", "sclTopCenter", "sclTopRight"}, sclLeft)
      .Integer("MaxWidth", &C::MaxWidth, &C::SetMaxWidth, 0)
      .Bool("UseSkinColor", &C::UseSkinColor, &C::SetUseSkinColor, true);
}

}  // namespace skin
