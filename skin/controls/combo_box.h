// TsComboBox: the platform's combo box with its closed face (frame, drop-down button and arrow,
// selected text) composed from the skin's "COMBOBOX" and "COMBOBTN" sections and its combo
// arrow mask, and a read-only mode that blocks the keyboard, the list and editing.
#pragma once

#include <memory>

#include "skin/engine/bound_label.h"
#include "skin/engine/common_data.h"
#include "skin/engine/graphics/disabled_look.h"
#include "skin/forms/adapters/combo_box_wnd.h"
#include "vcl/stdctrls/stdctrls.h"

namespace skin {

class TsCustomComboBox : public vcl::TCustomComboBox, public IacSkinLinked {
  VCL_CLASS(TsCustomComboBox, vcl::TCustomComboBox)
  explicit TsCustomComboBox(vcl::TComponent* owner);
  ~TsCustomComboBox() override;

  void AfterConstruction() override;
  void Loaded() override;
  void WndProc(vcl::TMessage& message) override;
  bool Focused() override;
  void Invalidate() override;
  void SetDropDownCount(int value) override;

  TsCommonData* SkinData() const { return skinData_.get(); }
  TsCommonData* SkinLink() const override { return skinData_.get(); }
  TsBoundLabel* BoundLabel() const { return boundLabel_.get(); }
  vcl::TAlignment Alignment() const { return alignment_; }
  void SetAlignment(vcl::TAlignment value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  TsDisabledKind DisabledKind() const { return disabledKind_; }
  void SetDisabledKind(TsDisabledKind value);
  // Whether the list is open as far as the box knows (CBN_DROPDOWN to CBN_CLOSEUP).
  bool Dropped() const { return dropped_; }

  // The drop-down button's area; empty for csSimple.
  vcl::TRect ButtonRect();
  // The adapter of the drop-down list, once the list asked for its colours with more items
  // than it shows at once; null before and without a skin.
  TacComboListWnd* ListAdapter() const { return listAdapter_.get(); }
  // Composes frame, button and selected text in the cache.
  void PrepareCache();
  // Paints the closed box from the cache into the DC (a DC of its own when none is given).
  void PaintControl(HDC dc = nullptr);

 protected:
  void CreateWnd() override;
  void DrawItem(int index, const vcl::TRect& rect, vcl::TOwnerDrawState state) override;
  void ComboWndProc(vcl::TMessage& message, HWND comboWnd, WNDPROC comboProc) override;

 private:
  bool OwnerDrawn() const;
  void ApplySkinColours();
  void PaintButton();
  void PaintSelectedText();
  int32_t ArrowHeight() const;
  // Filters the keys, commands and clicks that a read-only box refuses; true when swallowed.
  bool ReadOnlyFilter(vcl::TMessage& message);
  bool SkinnedMessage(vcl::TMessage& message);
  void HandleMouseHover(vcl::TMessage& message);
  void UpdateBoundLabel(const vcl::TMessage& message);
  void AdaptList(HWND list);
  void FreeListAdapter();

  std::unique_ptr<TsCommonData> skinData_;
  std::unique_ptr<TsBoundLabel> boundLabel_;
  vcl::TAlignment alignment_ = vcl::taLeftJustify;
  bool readOnly_ = false;
  TsDisabledKind disabledKind_{dkBlended};
  bool showButton_ = true;
  bool dropped_ = false;
  HWND listWnd_ = nullptr;
  std::unique_ptr<TacComboListWnd> listAdapter_;
};

class TsComboBox : public TsCustomComboBox {
  VCL_CLASS(TsComboBox, TsCustomComboBox)
  explicit TsComboBox(vcl::TComponent* owner);
  ~TsComboBox() override;
};

}  // namespace skin
