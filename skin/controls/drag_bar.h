// TsDragBar: a panel that serves a form without a title bar as one: a left press on it starts
// the platform's window move of its DraggedControl (the form it sits on, unless the form data
// names another control).
#pragma once

#include "skin/controls/panel.h"

namespace skin {

class TsDragBar : public TsPanel {
  VCL_CLASS(TsDragBar, TsPanel)
 public:
  explicit TsDragBar(vcl::TComponent* owner);
  ~TsDragBar() override;

  vcl::TControl* DraggedControl() const { return draggedControl_; }
  void SetDraggedControl(vcl::TControl* value);

  void WndProc(vcl::TMessage& message) override;

 protected:
  void ReadState(vcl::TReader* reader) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
  bool FillsMaskCentre() const override { return true; }

 private:
  vcl::TControl* draggedControl_ = nullptr;
};

}  // namespace skin
