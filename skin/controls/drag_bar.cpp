#include "skin/controls/drag_bar.h"

#include "vcl/classes/filer.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/forms.h"
#include "vcl/graphics/colours.h"

namespace skin {

TsDragBar::TsDragBar(vcl::TComponent* owner) : TsPanel(owner) {
  SkinData()->ControlCode = ccDragBar;
  SetCaption(" ");
  SetAlign(vcl::alTop);
  SetHeight(20);
  Font()->SetColor(vcl::clCaptionText);
  Font()->SetStyle(vcl::TFontStyles{vcl::fsBold});
  SetColor(vcl::clActiveCaption);
  SetCursor(vcl::crHandPoint);
}

TsDragBar::~TsDragBar() = default;

void TsDragBar::SetDraggedControl(vcl::TControl* value) {
  if (draggedControl_ == value) return;
  if (draggedControl_) draggedControl_->RemoveFreeNotification(this);
  draggedControl_ = value;
  if (draggedControl_) draggedControl_->FreeNotification(this);
}

void TsDragBar::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  TsPanel::Notification(component, operation);
  if (operation == vcl::opRemove && component == draggedControl_) draggedControl_ = nullptr;
}

void TsDragBar::ReadState(vcl::TReader* reader) {
  // The form being read is what the bar drags, unless the form data says otherwise.
  if (auto* parent = dynamic_cast<vcl::TControl*>(reader->Parent()); parent && !draggedControl_)
    SetDraggedControl(vcl::GetParentForm(parent));
  TsPanel::ReadState(reader);
}

void TsDragBar::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TsPanel::MouseDown(button, shift, x, y);
  if (button == vcl::mbLeft && draggedControl_) {
    ReleaseCapture();
    // SC_MOVE with the caption hit code: the platform moves the window with the mouse.
    draggedControl_->Perform(WM_SYSCOMMAND, 0xF012, 0);
  }
}

void TsDragBar::WndProc(vcl::TMessage& message) {
  TsPanel::WndProc(message);
  if (IsAlphaCmd(message, cmdSkinRemoved)) SetColor(vcl::clActiveCaption);
}

VCL_PUBLISHED(TsDragBar, p) {
  using C = TsDragBar;
  p.Enum("Alignment", &C::Alignment, &C::SetAlignment, AlignmentNames, vcl::taCenter)
      .Enum("Align", &C::Align, &C::SetAlign, {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"},
            vcl::alTop)
      .Integer("Color", &C::Color, &C::SetColor, vcl::clActiveCaption)
      .Idents(vcl::ColorToIdent, vcl::IdentToColor)
      .Component("DraggedControl", &C::DraggedControl, &C::SetDraggedControl);
}

}  // namespace skin
