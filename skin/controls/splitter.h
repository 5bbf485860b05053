// TsSplitter: the platform's splitter bar painted from its skin section ("SPLITTER"), with an
// optional centred glyph and a pressed look while it resizes in rsUpdate mode. Hints stay off
// while it is dragged.
#pragma once

#include <memory>

#include "skin/controls/control_support.h"
#include "skin/engine/common_data.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/stdctrls/extctrls.h"

namespace skin {

class TsSplitter : public vcl::TSplitter, public IacSkinLinked {
  VCL_CLASS(TsSplitter, vcl::TSplitter)
 public:
  explicit TsSplitter(vcl::TComponent* owner);
  ~TsSplitter() override;

  TsCommonData* SkinData() const { return skinData_.get(); }
  TsCommonData* SkinLink() const override { return skinData_.get(); }
  vcl::TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(vcl::TBitmap* value);
  bool Sizing() const { return sizing_; }

  vcl::TNotifyEvent OnMouseEnter, OnMouseLeave;

  void AfterConstruction() override;
  void WndProc(vcl::TMessage& message) override;

 protected:
  void Loaded() override;
  void Paint() override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;

 private:
  void PaintGlyph(vcl::TBitmap* target, const TsBackgroundInfo& info);

  std::unique_ptr<TsCommonData> skinData_;
  bool sizing_ = false;
  std::unique_ptr<vcl::TBitmap> glyph_;
};

}  // namespace skin
