// TsMaskEdit: the platform's masked edit with its frame, text and disabled look composed from
// the skin's "EDIT" section. In the normal state the whole control comes from its cached image;
// while it is hot (focused or under the mouse) the platform draws its text and caret and the
// skin only lays its frame over the border. Base of the combo and numeric edits.
#pragma once

#include <functional>
#include <memory>

#include "skin/engine/bound_label.h"
#include "skin/engine/common_data.h"
#include "skin/engine/graphics/disabled_look.h"
#include "vcl/stdctrls/mask.h"

namespace skin {

class TsMaskEdit : public vcl::TMaskEdit, public IacSkinLinked {
  VCL_CLASS(TsMaskEdit, vcl::TMaskEdit)
  explicit TsMaskEdit(vcl::TComponent* owner);
  ~TsMaskEdit() override;

  void AfterConstruction() override;
  void Loaded() override;
  void WndProc(vcl::TMessage& message) override;

  TsCommonData* SkinData() const { return skinData_.get(); }
  TsCommonData* SkinLink() const override { return skinData_.get(); }
  TsBoundLabel* BoundLabel() const { return boundLabel_.get(); }
  TsDisabledKind DisabledKind() const { return disabledKind_; }
  virtual void SetDisabledKind(TsDisabledKind value);

  // Leaves room in the platform's formatting rectangle (the combo edit's button); nothing here.
  virtual void UpdateEditRect() {}
  // Copies the border strips of the cache onto the DC (the window DC when none is given).
  virtual void PaintBorder(HDC dc = nullptr);
  // Draws the text with the mask applied into the cache.
  virtual void PaintText();
  // The full-image paint from the cache.
  virtual void PaintHandler(HDC dc = nullptr);
  // The skin state of the border: 0 normal, 1 hot.
  virtual int32_t CurrentState();
  // Composes background, border, text and disabled look in the cache.
  void PrepareCache();
  // 3 with the 3-D look, 2 without, 0 without a border.
  int32_t BorderWidth();

 protected:
  void UpdateBoundLabel(const vcl::TMessage& message);
  // Whether the message was answered as the skinned mask edit answers it; false passes it on.
  bool SkinCommand(vcl::TMessage& message);
  // The text the cache shows: the masked edit text.
  std::string ShownText();
  // Copies the border strips of the cache (composed first when stale) onto the DC, the window DC
  // when none is given; `afterCopy` may draw over them. Nothing while the control cannot show
  // or its image is updating.
  void CopyBorderFromCache(HDC dc, const std::function<void(HDC)>& afterCopy = {});

 private:
  bool SkinnedMessage(vcl::TMessage& message);

  std::unique_ptr<TsCommonData> skinData_;
  std::unique_ptr<TsBoundLabel> boundLabel_;
  TsDisabledKind disabledKind_{dkBlended};
};

}  // namespace skin
