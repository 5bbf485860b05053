#include "skin/forms/title_animation.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/fast_pixels.h"
#include "skin/engine/paint/layered_windows.h"
#include "skin/engine/skin_manager.h"
#include "skin/forms/border_form.h"
#include "skin/forms/skin_provider.h"
#include "skin/forms/title_button_hit.h"
#include "vcl/controls/application.h"

namespace skin {

namespace {

HWND BorderHandle(TacBorderForm* border) { return border ? border->Handle() : nullptr; }

}  // namespace

TacSBAnimation::TacSBAnimation(TsSkinProvider* provider, TitleButtonData* button)
    : vcl::TTimer(provider), Button(button), provider_(provider) {
  SetEnabled(false);
  SetInterval(kTitleFadeInterval);
  OnTimer = [this](vcl::TObject*) { AnimStep(); };
  BorderForm = provider->BorderForm();
  SkinData = provider->SkinData();
  OwnerWnd = provider->Form() ? provider->Form()->WindowHandle() : nullptr;
}

TacSBAnimation::~TacSBAnimation() {
  *alive_ = false;
  SetEnabled(false);
  FreeWindowAndImage();
  if (Button && Button->Timer == this) Button->Timer = nullptr;
}

void TacSBAnimation::FreeWindowAndImage() {
  GlowWindow.reset();
  Image.reset();
}

int32_t TacSBAnimation::StepAlpha() const { return 255 / std::max(StepCount, 1); }

int32_t TacSBAnimation::GlowMask() const {
  TsSkinManager* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
  if (!manager || !manager->GetAllowGlowing() || State != 1 || !Button) return -1;
  if (Button->HitCode != kHitMinButton && Button->HitCode != kHitMaxButton && Button->HitCode != kHitClose) return -1;
  if (!manager->IsMaskIndexValid(Button->MaskIndex)) return -1;
  const std::string name = manager->Masks[size_t(Button->MaskIndex)].PropertyName + "GLOW0";
  return manager->FindMaskIndexByName("GLOBALINFO", name);
}

int32_t TacSBAnimation::GlowMargin() const {
  TsSkinManager* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
  if (!manager || !manager->GetAllowGlowing() || State != 1 || !Button) return 0;
  const TsSkinData* data = manager->SkinData();
  switch (Button->HitCode) {
    case kHitMinButton: return data->MinGlowMargin;
    case kHitMaxButton: return data->MaxGlowMargin;
    case kHitClose: return data->CloseGlowMargin;
    default: return 0;
  }
}

vcl::TRect TacSBAnimation::GlowRect() {
  RECT base{};
  HWND under = BorderHandle(BorderForm) ? BorderHandle(BorderForm) : OwnerWnd;
  if (under) GetWindowRect(under, &base);
  vcl::TRect r = Button->Rect;
  OffsetRect(&r, base.left, base.top);
  const int32_t margin = GlowMargin();
  const int32_t glow = GlowMask();
  TsSkinManager* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
  if (margin != 0 && glow >= 0 && manager) {
    int32_t w = 0, h = 0;
    manager->MaskFrameSize(glow, w, h);
    r = vcl::TRect{r.left - margin, r.top - margin, r.left - margin + w, r.top - margin + h};
  }
  return r;
}

void TacSBAnimation::BuildWindow() {
  if (GlowWindow) return;
  GlowWindow = std::make_unique<vcl::TForm>(nullptr);
  GlowWindow->SetTag(kAuxiliaryTag);
  GlowWindow->SetBorderStyle(vcl::bsNone);
  HWND wnd = GlowWindow->Handle();
  SetWindowLongA(wnd, GWL_EXSTYLE,
                 GetWindowLongA(wnd, GWL_EXSTYLE) | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT);
}

void TacSBAnimation::BuildImage() {
  if (State == 0 && Image) return;
  vcl::TRect r = GlowRect();
  const int32_t w = std::max<int32_t>(r.right - r.left, 1), h = std::max<int32_t>(r.bottom - r.top, 1);
  Image = CreateBmp32(w, h);
  const int32_t glow = GlowMask();
  TsSkinManager* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
  if (glow >= 0 && GlowMargin() != 0 && manager && manager->Masks[size_t(glow)].Image) {
    BitBlt(Image->Canvas()->Handle(), 0, 0, w, h, manager->Masks[size_t(glow)].Image->Canvas()->Handle(), 0, 0,
           SRCCOPY);
    return;
  }
  provider_->PaintButtonImage(*Button, std::max(State, 0), Image.get());
  // The button lies on the opaque title: its picture is fully opaque.
  GdiFlush();
  SetRectAlpha32(Image.get(), vcl::TRect{0, 0, w, h}, 255);
}

void TacSBAnimation::ShowAtAlpha(uint8_t alpha) {
  if (!CanUseLayeredWindows() || !Button) return;
  if (!Image) BuildImage();
  if (!GlowWindow) BuildWindow();
  HWND wnd = GlowWindow->Handle();
  if (!wnd || !Image) return;
  vcl::TRect r = GlowRect();
  const int32_t w = Image->Width(), h = Image->Height();
  POINT position{r.left - (w - (r.right - r.left)) / 2, r.top - (h - (r.bottom - r.top)) / 2};
  SetWindowLongA(wnd, GWL_EXSTYLE,
                 GetWindowLongA(wnd, GWL_EXSTYLE) | WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT);
  // Just above the window that shows the frame, below whatever covers that.
  HWND under = BorderHandle(BorderForm) ? BorderHandle(BorderForm) : OwnerWnd;
  HWND above = under ? GetWindow(under, GW_HWNDPREV) : nullptr;
  if (above == wnd) above = GetWindow(wnd, GW_HWNDPREV);
  SetWindowPos(wnd, above ? above : HWND_TOP, position.x, position.y, w, h, SWP_NOACTIVATE | SWP_NOREDRAW);
  HDC screen = GetDC(nullptr);
  SIZE size{w, h};
  POINT source{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
  UpdateLayeredWindowFunc(wnd, screen, &position, &size, Image->Canvas()->Handle(), &source, 0, &blend, ULW_ALPHA);
  ReleaseDC(nullptr, screen);
  if (!IsWindowVisible(wnd)) ShowWindow(wnd, SW_SHOWNOACTIVATE);
}

void TacSBAnimation::SetAnimState(int32_t state, bool fadeIn) {
  if (state == State) return;
  State = state;
  if (state == 0) return;
  if (state == 2) FreeWindowAndImage();
  Step = 1;
  FadeIn = fadeIn;
  ShowAtAlpha(uint8_t(std::min(StepAlpha(), 255)));
  Step = 2;
  SetEnabled(StepCount > 1);
}

void TacSBAnimation::Retarget(int32_t state, int32_t steps, bool fadeIn) {
  State = state;
  StepCount = std::max(steps, 1);
  FadeIn = fadeIn;
  if (state == 2) {
    // A new press starts from its own picture.
    FreeWindowAndImage();
    Step = 0;
  } else if (state == 1) {
    Image.reset();
  }
  SetEnabled(true);
}

void TacSBAnimation::AnimStep() {
  std::shared_ptr<bool> alive = alive_;
  if (FadeIn) {
    if (Step >= StepCount) {
      CheckMouseLeave();
      if (!*alive) return;
      if (StepCount != -1) {
        StepCount = -1;
        ShowAtAlpha(255);
      }
      return;
    }
    ShowAtAlpha(uint8_t(std::clamp(StepAlpha() * Step, 0, 255)));
    ++Step;
    return;
  }
  if (Step <= 0) {
    State = -1;
    SetEnabled(false);
    ShowAtAlpha(0);
    FreeWindowAndImage();
    return;
  }
  ShowAtAlpha(uint8_t(std::clamp(StepAlpha() * Step, 0, 255)));
  --Step;
}

void TacSBAnimation::CheckMouseLeave() {
  HWND under = BorderHandle(BorderForm) ? BorderHandle(BorderForm) : OwnerWnd;
  if (!under || !Button) return;
  POINT cursor{};
  GetCursorPos(&cursor);
  RECT r{};
  GetWindowRect(under, &r);
  if (RectHolds(Button->Rect, vcl::TPoint{cursor.x - r.left, cursor.y - r.top})) return;
  SetEnabled(false);
  if (OwnerWnd) SendMessageA(OwnerWnd, WM_MOUSELEAVE, 0, 0);
}

void AnimateTitleButton(TsSkinProvider* provider, TitleButtonData& button, int32_t state, int32_t steps,
                        bool restart) {
  if (button.Timer) {
    if (restart || state != button.Timer->State) button.Timer->Retarget(state, steps, restart);
    return;
  }
  auto* animation = new TacSBAnimation(provider, &button);
  button.Timer = animation;
  animation->StepCount = std::max(steps, 1);
  animation->SetAnimState(state, restart);
}

}  // namespace skin
