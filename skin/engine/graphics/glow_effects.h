// Soft glows around hot controls: each glow is a borderless layered window around the control,
// showing a 32-bit image painted from the skin's glow mask, transparent to the mouse. Glows
// live in one process-wide list; a glow's index there is its creator's handle for it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "skin/engine/skin_manager.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/window_proc_chain.h"
#include "vcl/graphics/bitmap.h"

namespace skin {

// The tag of the skin engine's own helper forms, which its hooks pass over.
constexpr int32_t kAuxiliaryFormTag = -98;

class TacGlowEffect : public vcl::TObject {
  VCL_CLASS(TacGlowEffect, vcl::TObject)
 public:
  TacGlowEffect() = default;
  ~TacGlowEffect() override;
  TacGlowEffect(const TacGlowEffect&) = delete;
  TacGlowEffect& operator=(const TacGlowEffect&) = delete;

  // A transparent 32-bit image of the size with the glow mask's state 0 over all of it.
  virtual void BuildGlowImage(int32_t width, int32_t height);
  // Creates, places and shows the glow window around `controlRect` (screen coordinates),
  // cropped to the control's visible part `visible` (relative to the control); the glow
  // follows `window`'s topmost class. Once per object.
  void ShowGlow(const vcl::TRect& controlRect, const vcl::TRect& visible, HWND window);
  // Hit tests fall through to the windows below; everything else goes on down the chain.
  void GlowWndProc(vcl::TMessage& message, const vcl::TWindowProcNext& next);

  TsSkinManager* Manager = nullptr;
  int32_t GlowMaskIndex = -1;
  int32_t GlowMargin = 0;  // how far the glow is pulled in over the control
  vcl::TForm* GlowForm = nullptr;  // owned; released when the glow goes
  std::unique_ptr<vcl::TBitmap> GlowImage;  // only while the window is being made
  vcl::TWindowProcLink SavedWindowProc;     // the glow's place in its form's message chain
  // Who asked for the glow: a handle kept after all glows went (and the indexes started again)
  // must not free another creator's glow.
  const void* Creator = nullptr;
};

using TacGlowEffects = std::vector<std::unique_ptr<TacGlowEffect>>;
// Every glow made; freed entries are empty until all glows go.
extern TacGlowEffects GlowEffects;

// The index of a new glow around the control, or -1 when layered windows cannot be used or
// the section has no mask named `glowMaskName` + "0". No manager: the default one.
int32_t CreateGlowEffect(const vcl::TRect& controlRect, const vcl::TRect& visible, const std::string& section,
                         TsSkinManager* manager, HWND window, int32_t margin, const std::string& glowMaskName);
// Frees one glow; indexes out of range and empty slots are ignored.
void FreeGlowEffect(int32_t index);
// The glow at the index when `creator` made it, else null.
TacGlowEffect* GlowEffectOf(int32_t index, const void* creator);
// Frees every glow; new indexes start from 0 again.
void FreeAllGlowEffects();

// True when the platform can show layered windows.
bool GlowWindowsAvailable();
// Shut-down frees every glow.
void GlowEffectsShutDown();

}  // namespace skin
