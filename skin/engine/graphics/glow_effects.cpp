#include "skin/engine/graphics/glow_effects.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/skin_painting.h"

namespace skin {

TacGlowEffects GlowEffects;

namespace {

// Per-pixel source alpha at full constant alpha: the glow image carries its own opacity.
const BLENDFUNCTION kGlowBlend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};

}  // namespace

bool GlowWindowsAvailable() {
  static const bool available = GetProcAddress(GetModuleHandleA("user32.dll"), "UpdateLayeredWindow") != nullptr;
  return available;
}

TacGlowEffect::~TacGlowEffect() {
  if (!GlowForm) return;
  SavedWindowProc = vcl::TWindowProcLink();
  // A manager on its way out frees its glows at once; otherwise the form goes from the
  // message loop, out of whatever message is being handled now.
  if (Manager && Manager->ComponentState().Contains(vcl::csDestroying))
    delete GlowForm;
  else
    GlowForm->Release();
  GlowForm = nullptr;
}

void TacGlowEffect::BuildGlowImage(int32_t width, int32_t height) {
  GlowImage = CreateBmp32(width, height);
  for (int y = 0; y < GlowImage->Height(); ++y)
    std::fill_n(static_cast<uint32_t*>(GlowImage->ScanLine(y)), GlowImage->Width(), 0u);
  if (GlowMaskIndex >= 0 && Manager && Manager->IsMaskIndexValid(GlowMaskIndex))
    PaintSlicedMask(GlowImage.get(), {0, 0, width, height}, false, EmptyBackgroundInfo,
                    Manager->Masks[size_t(GlowMaskIndex)], 0, false);
}

void TacGlowEffect::GlowWndProc(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  if (message.Msg == WM_NCHITTEST) {
    message.Result = HTTRANSPARENT;
    return;
  }
  next(message);
}

void TacGlowEffect::ShowGlow(const vcl::TRect& controlRect, const vcl::TRect& visible, HWND window) {
  if (GlowForm || !Manager) return;
  GlowForm = new vcl::TForm(nullptr);
  GlowForm->SetTag(kAuxiliaryFormTag);
  SavedWindowProc = GlowForm->WindowProc.Install(
      [this](vcl::TMessage& message, const vcl::TWindowProcNext& next) { GlowWndProc(message, next); });
  GlowForm->SetControlStyle(GlowForm->ControlStyle() - vcl::TControlStyle{vcl::csCaptureMouse});
  GlowForm->SetBorderStyle(vcl::bsNone);

  const int32_t ML = Manager->MaskMarginLeft(GlowMaskIndex), MT = Manager->MaskMarginTop(GlowMaskIndex);
  const int32_t MR = Manager->MaskMarginRight(GlowMaskIndex), MB = Manager->MaskMarginBottom(GlowMaskIndex);
  const int32_t g = GlowMargin;
  const int32_t controlW = controlRect.right - controlRect.left, controlH = controlRect.bottom - controlRect.top;
  const int32_t visibleW = visible.right - visible.left, visibleH = visible.bottom - visible.top;
  int32_t W = controlW + ML + MR - 2 * g, H = controlH + MT + MB - 2 * g;
  if (W < 1 || H < 1) return;
  BuildGlowImage(W, H);

  // Only the glow around the visible part of the control is shown.
  int32_t L = 0, T = 0;
  if (visibleW != controlW || visibleH != controlH) {
    L = visible.left != 0 ? ML + visible.left - g : 0;
    T = visible.top != 0 ? MT + visible.top - g : 0;
    const int32_t R = visible.right == controlW ? 0 : L != 0 ? W - L - visibleW : controlW + MR - visibleW - g;
    const int32_t B = visible.bottom == controlH ? 0 : T != 0 ? H - T - visibleH : controlH + MB - visibleH - g;
    L = std::clamp(L, 0, W), T = std::clamp(T, 0, H);
    W = std::max(W - L - std::max(R, 0), 0);
    H = std::max(H - T - std::max(B, 0), 0);
    if (W < 1 || H < 1) return;
    if (L != 0 || T != 0) {
      auto cropped = CreateBmp32(W, H);
      BitBlt(cropped->Canvas()->Handle(), 0, 0, W, H, GlowImage->Canvas()->Handle(), L, T, SRCCOPY);
      GdiFlush();
      GlowImage = std::move(cropped);
    }
  }

  if (window && (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST)) GlowForm->SetFormStyle(vcl::fsStayOnTop);
  POINT position{controlRect.left - ML + g + L, controlRect.top - MT + g + T};
  SIZE size{W, H};
  GlowForm->SetBounds(position.x, position.y, W, H);
  HWND handle = GlowForm->Handle();
  SetWindowPos(handle, nullptr, position.x, position.y, W, H, SWP_NOACTIVATE | SWP_NOZORDER);
  SetWindowLongA(handle, GWL_EXSTYLE, GetWindowLongA(handle, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_TOOLWINDOW);
  HDC screen = GetDC(nullptr);
  POINT origin{0, 0};
  BLENDFUNCTION blend = kGlowBlend;
  UpdateLayeredWindow(handle, screen, &position, &size, GlowImage->Canvas()->Handle(), &origin, 0, &blend, ULW_ALPHA);
  ReleaseDC(nullptr, screen);
  ShowWindow(handle, SW_SHOWNOACTIVATE);
  GlowImage.reset();
}

int32_t CreateGlowEffect(const vcl::TRect& controlRect, const vcl::TRect& visible, const std::string& section,
                         TsSkinManager* manager, HWND window, int32_t margin, const std::string& glowMaskName) {
  if (!GlowWindowsAvailable()) return -1;
  if (!manager) manager = DefaultManager;
  if (!manager) return -1;
  const int maskIndex = manager->FindMaskIndexByName(section, glowMaskName + "0");
  if (maskIndex < 0) return -1;
  auto glow = std::make_unique<TacGlowEffect>();
  glow->Manager = manager;
  glow->GlowMargin = margin;
  glow->GlowMaskIndex = maskIndex;
  TacGlowEffect* shown = glow.get();
  GlowEffects.push_back(std::move(glow));
  shown->ShowGlow(controlRect, visible, window);
  return int32_t(GlowEffects.size()) - 1;
}

void FreeGlowEffect(int32_t index) {
  if (index < 0 || size_t(index) >= GlowEffects.size()) return;
  GlowEffects[size_t(index)].reset();
}

TacGlowEffect* GlowEffectOf(int32_t index, const void* creator) {
  if (index < 0 || size_t(index) >= GlowEffects.size() || !GlowEffects[size_t(index)]) return nullptr;
  TacGlowEffect* glow = GlowEffects[size_t(index)].get();
  return glow->Creator == creator ? glow : nullptr;
}

void FreeAllGlowEffects() { GlowEffects.clear(); }

void GlowEffectsShutDown() { FreeAllGlowEffects(); }

}  // namespace skin
