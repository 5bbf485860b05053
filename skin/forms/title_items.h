// The published sub-objects of a skin provider that change its title bar: the title icon, the
// user title buttons and the added title text. They hold data only; the provider lays them
// out, paints and hit-tests them, and fires the buttons' events.
#pragma once

#include <memory>
#include <string>

#include "skin/forms/form_skinning.h"
#include "vcl/classes/collection.h"
#include "vcl/controls/controls.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/gdiobjects.h"

namespace vcl {
class THintWindow;
}

namespace skin {

class TsSkinProvider;

// The picture drawn at the left of the title in place of the form's icon; a size of 0 means
// the size the title height gives.
class TsTitleIcon : public vcl::TPersistent {
  VCL_CLASS(TsTitleIcon, vcl::TPersistent)
  TsTitleIcon();
  ~TsTitleIcon() override;

  vcl::TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(vcl::TBitmap* value) { glyph_->Assign(value); }
  int32_t Height() const { return height_; }
  void SetHeight(int32_t value) { height_ = value; }
  int32_t Width() const { return width_; }
  void SetWidth(int32_t value) { width_ = value; }

 private:
  std::unique_ptr<vcl::TBitmap> glyph_;
  int32_t height_ = 0;
  int32_t width_ = 0;
};

// One extra button of the title bar, left of the system buttons; its hit code is 1000 + its
// index.
class TsTitleButton : public vcl::TCollectionItem {
  VCL_CLASS(TsTitleButton, vcl::TCollectionItem)
  explicit TsTitleButton(vcl::TCollection* collection);
  ~TsTitleButton() override;
  // Copies every published property but Visible.
  void Assign(vcl::TPersistent* source) override;

  bool UseSkinData() const { return useSkinData_; }
  void SetUseSkinData(bool value) { useSkinData_ = value; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& value) { name_ = value; }
  vcl::TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(vcl::TBitmap* value) { glyph_->Assign(value); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& value) { hint_ = value; }
  bool Visible() const { return visible_; }
  // A change repaints the provider's whole frame: the buttons left of it move.
  void SetVisible(bool value);

  void FireMouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y);
  void FireMouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y);

  vcl::TMouseEvent OnMouseDown;
  vcl::TMouseEvent OnMouseUp;
  TitleButtonData Data;
  std::unique_ptr<vcl::THintWindow> HintWnd;

 protected:
  std::string GetDisplayName() override { return name_; }

 private:
  TsSkinProvider* Provider() const;

  bool useSkinData_ = true;
  std::string name_;
  std::unique_ptr<vcl::TBitmap> glyph_;
  bool enabled_ = true;
  std::string hint_;
  bool visible_ = true;
};

class TsTitleButtons : public vcl::TTypedCollection<TsTitleButton, TsSkinProvider> {
  VCL_CLASS(TsTitleButtons, vcl::TCollection)
  explicit TsTitleButtons(TsSkinProvider* owner);
  TsSkinProvider* Provider() const { return OwnerObject(); }
};

// Text drawn after the caption, in a font of its own.
class TacAddedTitle : public vcl::TPersistent {
  VCL_CLASS(TacAddedTitle, vcl::TPersistent)
  explicit TacAddedTitle(TsSkinProvider* provider);
  ~TacAddedTitle() override;

  const std::string& Text() const { return text_; }
  void SetText(const std::string& value);
  vcl::TFont* Font() const { return font_.get(); }
  void SetFont(vcl::TFont* value) { font_->Assign(value); }

 private:
  TsSkinProvider* provider_;
  std::string text_;
  std::unique_ptr<vcl::TFont> font_;
};

}  // namespace skin
