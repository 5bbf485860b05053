#include "tests/placement/stored_components.h"

#include "vcl/classes/typeinfo.h"

using namespace vcl;

namespace placement_test {

VCL_PUBLISHED(TGadgetFrame, p) {
  p.Integer("Thickness", &TGadgetFrame::Thickness, &TGadgetFrame::SetThickness, 1)
      .String("Title", &TGadgetFrame::Title, &TGadgetFrame::SetTitle);
}

VCL_PUBLISHED(TGadgetPart, p) {
  p.Integer("Width", &TGadgetPart::Width, &TGadgetPart::SetWidth, 10)
      .String("Label", &TGadgetPart::Label, &TGadgetPart::SetLabel);
}

VCL_PUBLISHED(TGadget, p) {
  p.Integer("Count", &TGadget::Count, &TGadget::SetCount, 0)
      .Integer("Big", &TGadget::Big, &TGadget::SetBig, 0)
      .Char("Letter", &TGadget::Letter, &TGadget::SetLetter, 'a')
      .Bool("Enabled", &TGadget::Enabled, &TGadget::SetEnabled, true)
      .Enum("Kind", &TGadget::Kind, &TGadget::SetKind, {"gkPlain", "gkFancy", "gkOdd"}, gkPlain)
      .Set("Flags", &TGadget::Flags, &TGadget::SetFlags, {"gfRed", "gfGreen", "gfBlue"}, 0)
      .String("Folder", &TGadget::Folder, &TGadget::SetFolder)
      .Float("Ratio", &TGadget::Ratio, &TGadget::SetRatio)
      .Float("Scale", &TGadget::Scale, &TGadget::SetScale)
      .Float("Precise", &TGadget::Precise, &TGadget::SetPrecise)
      .Object("Lines", &TGadget::Lines, &TGadget::SetLines)
      .Object("Parts", &TGadget::Parts)
      .Object("Frame", &TGadget::Frame)
      .Component("Buddy", &TGadget::Buddy, &TGadget::SetBuddy);
}

TGadget::TGadget(TComponent* owner)
    : TComponent(owner),
      lines_(std::make_unique<TStringList>()),
      parts_(std::make_unique<TOwnedCollection>(this, TCollectionItemClass::Of<TGadgetPart>())),
      frame_(std::make_unique<TGadgetFrame>()) {}

TGadget::~TGadget() { SetBuddy(nullptr); }

void TGadget::SetBuddy(TComponent* v) {
  if (buddy_ == v) return;
  if (buddy_ != nullptr) buddy_->RemoveFreeNotification(this);
  buddy_ = v;
  if (buddy_ != nullptr) buddy_->FreeNotification(this);
}

void TGadget::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == buddy_) buddy_ = nullptr;
}

}  // namespace placement_test
