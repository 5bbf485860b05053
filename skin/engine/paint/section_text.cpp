#include "skin/engine/paint/section_text.h"

#include "skin/engine/bitmap_ops.h"
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

}  // namespace skin
