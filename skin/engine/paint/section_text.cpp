#include "skin/engine/paint/section_text.h"

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/common_data.h"
#include "skin/engine/paint/glowing_text.h"
#include "skin/engine/paint/text_routines.h"
#include "skin/engine/skin_manager.h"

namespace skin {

void DrawShadowedText(vcl::TCanvas* canvas, const char* text, const int32_t (&colours)[5], uint32_t format,
                      uint32_t mainFormat, const vcl::TRect& rect) {
  static const POINT shifts[4] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
  for (int i = 0; i < 4; ++i) {
    if (colours[i + 1] == -1) continue;
    canvas->Font()->SetColor(colours[i + 1]);
    vcl::TRect shifted = rect;
    OffsetRect(&shifted, shifts[i].x, shifts[i].y);
    DrawCanvasText(canvas, text, shifted, format);
  }
  canvas->Font()->SetColor(colours[0]);
  DrawCanvasText(canvas, text, rect, mainFormat);
}

void WriteSectionTextPChar(vcl::TCanvas* canvas, const char* text, bool enabled, TsSkinManager* manager, bool hot,
                           int32_t sectionIndex, uint32_t format, const vcl::TRect& rect) {
  if (!manager) manager = DefaultManager;
  if (!canvas || !manager || !manager->IsSectionIndexValid(sectionIndex)) return;
  canvas->Brush()->SetStyle(vcl::bsClear);
  if (!text) return;
  const TsGeneralData& section = manager->Sections[sectionIndex];
  if (enabled) {
    DrawShadowedText(canvas, text, hot ? section.HotFontColor : section.FontColor, format, format, rect);
  } else {
    canvas->Font()->SetColor(BlendColors(section.FontColor[0], section.Color, 0.4));
    DrawCanvasText(canvas, text, rect, format);
  }
}

void WriteSectionText(vcl::TCanvas* canvas, const std::string& text, bool enabled, TsSkinManager* manager, bool hot,
                      int32_t sectionIndex, uint32_t format, const vcl::TRect& rect) {
  WriteSectionTextPChar(canvas, text.c_str(), enabled, manager, hot, sectionIndex, format, rect);
}

namespace {

// Controls that draw their caption over their parent: windowless ones, check boxes (code
// 32), radio buttons and group boxes.
bool DrawsOverParent(const TsCommonData* link) {
  return dynamic_cast<vcl::TGraphicControl*>(link->LinkedControl) || link->ControlCode == 32 ||
         link->ControlCode == ccRadioButton || link->ControlCode == ccGroupBox;
}

// Restores the DC's state however drawing ends.
struct TSavedDC {
  HDC dc;
  int saved;
  explicit TSavedDC(HDC d) : dc(d), saved(SaveDC(d)) {}
  ~TSavedDC() { RestoreDC(dc, saved); }
};

}  // namespace

void WriteSkinDataTextPChar(vcl::TCanvas* canvas, const char* text, bool enabled, bool hot, TsCommonData* link,
                            uint32_t format, const vcl::TRect& rect) {
  if (!canvas || !link) return;
  TsSkinManager* manager = link->GetSkinManager();
  if (!manager) return;
  vcl::TControl* control = link->LinkedControl;
  if (control) {
    canvas->Font()->Assign(control->Font());
    if (hot && link->SkinSection() == "WEBBUTTON")
      canvas->Font()->SetStyle(vcl::TFontStyles(canvas->Font()->Style()).Include(vcl::fsUnderline));
  }
  const TSavedDC saved(canvas->Handle());
  IntersectClipRect(saved.dc, rect.left, rect.top, rect.right, rect.bottom);
  if (!text) return;

  int32_t index = link->SectionIndex;
  if (control && DrawsOverParent(link) && control->ParentFont() && control->Parent() &&
      manager->IsSectionIndexValid(index)) {
    const TsGeneralData& own = manager->Sections[index];
    if ((hot ? own.HotTransparency : own.Transparency) >= 1) index = GetParentFontSkinIndex(control, index, manager);
  }
  canvas->Brush()->SetStyle(vcl::bsClear);
  if (!manager->IsSectionIndexValid(index)) {
    DrawCanvasText(canvas, text, rect, format);
    return;
  }
  const TsGeneralData& section = manager->Sections[index];
  const int32_t glowSize = hot ? section.HotGlowSize : section.GlowSize;
  if (link->CacheBitmap && glowSize != 0) {
    std::unique_ptr<vcl::TBitmap> glowCache;
    DrawGlowingText(link->CacheBitmap.get(), text, rect, glowCache, hot ? section.HotGlowColor : section.GlowColor,
                    glowSize, goAll, format);
  }
  if (!enabled) {
    canvas->Font()->SetColor(BlendColors(section.FontColor[0], manager->GetGlobalColor(), 0.4));
    DrawCanvasText(canvas, text, rect, format);
  } else if (link->CustomFont()) {
    DrawCanvasText(canvas, text, rect, format | DT_NOCLIP);
  } else {
    DrawShadowedText(canvas, text, hot ? section.HotFontColor : section.FontColor, format, format | DT_NOCLIP, rect);
  }
}

void WriteSkinDataText(vcl::TCanvas* canvas, const std::string& text, bool enabled, bool hot, TsCommonData* link,
                       uint32_t format, const vcl::TRect& rect) {
  WriteSkinDataTextPChar(canvas, text.c_str(), enabled, hot, link, format, rect);
}

}  // namespace skin
