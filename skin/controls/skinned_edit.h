// TsEdit: the platform's single-line edit with its frame, colours and disabled look taken
// from the active skin. While enabled the platform's window draws the text and the caret; the
// skin only sets the colours before it paints and lays its frame over the border. A disabled
// edit is drawn wholly from the cached image, in the skin's disabled look.
#pragma once

#include <memory>

#include "skin/engine/bound_label.h"
#include "skin/engine/common_data.h"
#include "skin/engine/graphics/disabled_look.h"
#include "vcl/stdctrls/stdctrls.h"

namespace skin {

class TsEdit : public vcl::TEdit, public IacSkinLinked {
  VCL_CLASS(TsEdit, vcl::TEdit)
  explicit TsEdit(vcl::TComponent* owner);
  ~TsEdit() override;

  void AfterConstruction() override;
  void Loaded() override;
  void WndProc(vcl::TMessage& message) override;

  TsCommonData* SkinData() const { return skinData_.get(); }
  TsCommonData* SkinLink() const override { return skinData_.get(); }
  TsBoundLabel* BoundLabel() const { return boundLabel_.get(); }
  TsDisabledKind DisabledKind() const { return disabledKind_; }
  void SetDisabledKind(TsDisabledKind value);

  // Composes background, border, text and disabled look in the cache.
  virtual void PrepareCache();
  // Draws the text into the cache.
  virtual void PaintText();
  // Copies the composed image to the DC (the window DC when none is given).
  void PaintFromCache(HDC dc = nullptr);
  // Copies only the border strips of the composed image to the window DC.
  void PaintBorder();

 protected:
  // Width of the platform's border: 2 with the 3-D look, 1 without, 0 without a border.
  int32_t FrameWidth();
  // The two halves of PrepareCache: background, border and text; then the disabled look.
  void ComposeCache();
  void FinishCache();
  // Keeps the bound label beside the edit (also while the edit is unskinned).
  void UpdateBoundLabel(const vcl::TMessage& message);

 private:
  void PaintSkinned(vcl::TMessage& message);
  void ChooseStateColours();
  void PrintSkinned(vcl::TMessage& message);

  std::unique_ptr<TsCommonData> skinData_;
  std::unique_ptr<TsBoundLabel> boundLabel_;
  TsDisabledKind disabledKind_{dkBlended};
};

}  // namespace skin
