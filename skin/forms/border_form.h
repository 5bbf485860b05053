// TacBorderForm: the extended border of a skinned form. A borderless, layered, non-activating
// tool window lies just below the form in Z order, a little larger than it, and shows the
// form's whole frame image (title, borders and the soft shadow around them) with its alpha.
// The form itself keeps only its client area visible. The border window answers the mouse on
// the frame by testing the form's title items and forwards non-client clicks to the form; over
// the shadow it lets the mouse through to the windows below.
#pragma once

#include <cstdint>
#include <memory>

#include "vcl/runtime/persistent.h"
#include "skin/engine/show_animations.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/window_proc_chain.h"
#include "vcl/graphics/bitmap.h"

namespace skin {

class TsSkinProvider;
class TsCommonData;

class TacBorderForm : public vcl::TPersistent, public IacBorderFrame {
  VCL_CLASS(TacBorderForm, vcl::TPersistent)
  // Made by the provider when the form gets its extended border; the provider then sets
  // SkinData.
  explicit TacBorderForm(TsSkinProvider* owner);
  ~TacBorderForm() override;
  TacBorderForm(const TacBorderForm&) = delete;
  TacBorderForm& operator=(const TacBorderForm&) = delete;

  // Places the border window around the form, renders the frame and shows it at `alpha`.
  void UpdateLayeredBorder(bool repaint, uint8_t alpha);
  // The hit code of a screen point on the border window: a title item (made the form's hot
  // item), a sizing edge, the title, the menu line, the grip, or -1.
  int32_t HitTest(vcl::TPoint screenPoint);
  // Puts the border window back just below the form in Z order.
  void KeepBelowOwner() override;
  // The border window's region: null for the whole window.
  HRGN BuildRegion();
  // True when the point of a mouse message lies in the shadow margins.
  bool InShadow(UINT msg, LPARAM lParam);
  // Sets the cursor WM_SETCURSOR asks for; false leaves it to the default processing.
  bool SetCursorFor();
  HWND GetOwnerHandle() const;
  HWND Handle() const;
  vcl::TForm* Window() const { return aForm_.get(); }
  // The shadow margins: left, top, right, bottom.
  vcl::TRect GetShadowMargins() const;
  // How far the border window's left and top edges lie left of and above the form's.
  int32_t TitleTopOffset() const;
  int32_t LeftOffset() const;
  int32_t TopOffset() const;

  // The view of the form's show animation.
  vcl::TWinControl* BorderOwner() const override;
  vcl::TBitmap* RenderBorderImage() override;
  vcl::TPoint BorderOrigin() const override;
  vcl::TPoint BorderClientOffset() const override;
  void ShowBorder(uint8_t alpha) override;

  TsSkinProvider* Owner() const { return owner_; }
  TsCommonData* SkinData = nullptr;
  bool InForwarding = false;
  bool Updating = false;
  // The manager's extended-border image for the form's current activation, set by the frame
  // renderer; not owned.
  vcl::TBitmap* BorderImage = nullptr;

 private:
  void BorderWndProc(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleBorderMessage(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void ForwardFromShadow(vcl::TMessage& message);
  void HandleDoubleClick(vcl::TMessage& message);
  vcl::TPoint ScreenToBorder(vcl::TPoint screenPoint) const;
  int32_t Width() const;
  int32_t Height() const;

  TsSkinProvider* owner_;
  std::unique_ptr<vcl::TForm> aForm_;
  vcl::TWindowProcLink oldWndProc_;
  // Depth of the border window's procedure: the window is released, not freed, from inside it.
  int32_t inWndProc_ = 0;
  // Set while the show animation ends by showing the border, inside the form's showing.
  bool showingEnds_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace skin
