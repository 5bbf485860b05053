// TsCommonData: the link through which one skinned control, form provider or window adapter
// is tied to the skin: its section and manager, its cached image, its hot, focus and update
// state, and its answers to the skinning message.
//
// The link's fields keep these names in every layer: UpdatePending ("updating"), HasFocus
// ("focus flag"), LinkedControl ("owner control"), ParentImageForced ("cache frozen", set by
// cmdSetParentImage), PaintFlags ("control-flag word"), CacheStale ("background changed").
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "skin/engine/skin_painting.h"
#include "skin/engine/skin_types.h"
#include "vcl/controls/controls.h"
#include "vcl/controls/messages.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/persistent.h"

namespace vcl {
class TCustomForm;
}

namespace skin {

class TsSkinManager;
class TsCommonData;

// What the engine needs of a form's skin provider (form skinning implements it). A form
// answers cmdGetProvider with its provider as a pointer to this interface.
class IacProviderOwner {
 public:
  virtual vcl::TCustomForm* ProviderForm() const = 0;
  // Drops the cached frame image so that it is rebuilt.
  virtual void DiscardFrameCache() = 0;
  virtual TsCommonData* ProviderSkinLink() const = 0;
  // Marks the provider as frozen for a skin change.
  virtual void SetSkinChangeLock(bool locked) = 0;
  virtual bool DrawsNonClientArea() const = 0;
  // Rebuilds the region cut-outs and sets the form's window region.
  virtual void UpdateWindowRegion() = 0;

 protected:
  ~IacProviderOwner() = default;
};

// A control that holds a skin link (the skinned controls implement it).
class IacSkinLinked {
 public:
  virtual TsCommonData* SkinLink() const = 0;

 protected:
  ~IacSkinLinked() = default;
};

// Bits of TsCommonData::PaintFlags.
constexpr uint16_t pfFastPaint = 0x0001;        // the container paints without its cache
constexpr uint16_t pfProviderUpdate = 0x0400;   // used by form skinning
constexpr uint16_t pfUpdateAnnounced = 0x0800;  // BeginUpdate was called

class TsCommonData : public vcl::TPersistent {
  VCL_CLASS(TsCommonData, vcl::TPersistent)
 public:
  // makeCache: the link starts with an empty 24-bit cache bitmap.
  TsCommonData(vcl::TPersistent* owner, bool makeCache);
  ~TsCommonData() override;

  // ---- Published ----
  bool CustomColor() const { return customColor_; }
  void SetCustomColor(bool value);
  bool CustomFont() const { return customFont_; }
  void SetCustomFont(bool value);
  // The own manager, else DefaultManager; null when neither exists.
  TsSkinManager* GetSkinManager() const;
  TsSkinManager* SkinManager() const { return GetSkinManager(); }
  // DefaultManager is stored as none, so the link follows a later default.
  void SetSkinManager(TsSkinManager* manager);
  bool HasOwnManager() const { return ownManager_ != nullptr; }
  // Drops the own manager without telling anyone (it is being destroyed).
  void ForgetOwnManager() { ownManager_ = nullptr; }
  // Always upper case; "UNKNOWN" for an empty value.
  const std::string& SkinSection() const { return skinSection_; }
  void SetSkinSection(const std::string& name);

  // ---- State ----
  int32_t GlowHandle = -1;
  bool UpdatePending = false;
  int32_t BorderMaskIndex = -1;
  int32_t SectionIndex = -1;
  int32_t PatternIndex = -1;
  int32_t HotPatternIndex = -1;
  bool ParentImageForced = false;
  bool CacheStale = true;
  bool PartlyHidden = true;
  vcl::TControl* LinkedControl = nullptr;
  vcl::TPersistent* LinkedObject = nullptr;
  std::unique_ptr<vcl::TBitmap> CacheBitmap;
  int32_t ControlCode = 0;
  bool HasFocus = false;
  bool MouseOver = false;
  uint16_t PaintFlags = 0;
  uint16_t BackgroundKinds = 0;

  // ---- Life ----
  // Called by the owner once it is loaded or constructed.
  void Loaded();
  void ApplyDefaultSection();
  void ResolveSkinIndexes();

  // ---- Queries ----
  bool IsSkinned(bool requireActive = true) const;
  bool SectionIsTransparent() const;
  // The widest margin of the border mask; 0 without one or when it paints nothing normally.
  int32_t GetBorderWidth() const;
  bool CacheRequired() const;
  bool NeedsCache();
  void UpdateFastFlag(bool recurse);
  bool IsUpdating() const;
  bool InHotState() const;
  bool ShowsParentImage() const;

  // ---- Cache and updates ----
  void PrepareCacheBmp();
  void InitCacheBmp24();
  void Invalidate();
  void SetUpdating(bool value) { UpdatePending = value; }
  void BeginUpdate();
  void EndUpdate(bool invalidate);
  // Shows the section's glow around the control while the mouse is over it (and its left button
  // is not down on it), or around `window` for a link without control; frees it otherwise.
  void UpdateGlowEffect(bool remove, HWND window);
  // Frees the glow this link showed, if it is still there.
  void FreeOwnGlow();

  // ---- Colours and backgrounds ----
  // state 0 normal, any other hot.
  int32_t BgColorForState(int32_t state, HWND window = nullptr) const;
  // Answers a child's background request (the child lies at OffsetX, OffsetY).
  void ProvideBgInfo(TsBackgroundRequest& request, int32_t state, HWND window = nullptr);
  void GetParentBgInfo(TsBackgroundInfo& info) const;
  // The colour behind the link's children (the answer to cmdGetBgColor).
  int32_t ChildrenBgColor() const;

  IacProviderOwner* Provider() const;

 private:
  bool OwnerDestroying() const;
  int32_t OwnColor() const;
  void ApplyEditColours();
  void AnnounceUpdate(uint16_t command);
  void RefreshOrRemove(TsSkinManager* manager);
  const struct TsGeneralData* Section() const;

  bool customColor_ = false;
  bool customFont_ = false;
  TsSkinManager* ownManager_ = nullptr;
  std::string skinSection_;
};

// The section whose font colours a windowless control takes: its parent's, walking up past
// parents more than half transparent, when that section gives its own font; else `def`.
int32_t GetParentFontSkinIndex(vcl::TControl* control, int32_t def, TsSkinManager* manager);
// The background behind a plain window; EmptyBackgroundInfo without a parent.
void GetWndParentBgInfo(HWND window, TsBackgroundInfo& info);

// The common SM_ALPHACMD handler; true when the message is consumed.
bool ProcessAlphaCmd(vcl::TMessage& message, TsCommonData* link);
// The common pre-handler of a skinned control's messages: SM_ALPHACMD goes to
// ProcessAlphaCmd; other messages update the link and answer false.
bool PreprocessControlMessage(vcl::TMessage& message, TsCommonData* link);

// Copies the link's cache from src's top-left into dst of the DC, leaving out the
// container's children (windows without the opaque style and graphic children as the options
// say); children's bounds move by (x, y).
void CopyCacheExceptChildren(vcl::TWinControl* container, TsCommonData* link, const vcl::TRect& src,
                             const vcl::TRect& dst, HDC dc, bool fixCorners, int32_t x, int32_t y);
// The same for a plain window and its visible child windows (moved by (-x, -y)); group boxes
// leave out only their frame strips.
void CopyCacheExceptChildWnds(HWND window, TsCommonData* link, const vcl::TRect& src, const vcl::TRect& dst, HDC dc,
                              bool fixCorners, int32_t x, int32_t y);

}  // namespace skin
