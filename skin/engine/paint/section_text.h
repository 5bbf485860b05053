// Captions in the colours of a skin section: the main colour with up to four one-pixel
// shadows, the hot colours while hot, and a colour mixed from the section when disabled.
#pragma once

#include <cstdint>
#include <string>

#include "vcl/graphics/canvas.h"

namespace skin {

class TsSkinManager;
class TsCommonData;

// Draws the text at `rect` with DrawText `format` in the canvas font, coloured by section
// `sectionIndex` of the manager (nil: the default manager). Shadow colours of -1 are not drawn.
// Nothing is drawn without a manager, for an invalid section or for a nil text.
void WriteSectionTextPChar(vcl::TCanvas* canvas, const char* text, bool enabled, TsSkinManager* manager, bool hot,
                           int32_t sectionIndex, uint32_t format, const vcl::TRect& rect);
void WriteSectionText(vcl::TCanvas* canvas, const std::string& text, bool enabled, TsSkinManager* manager, bool hot,
                      int32_t sectionIndex, uint32_t format, const vcl::TRect& rect);

// A control's caption through its skin link: the control's font (underlined on a hot
// WEBBUTTON), clipped to `rect`, in the colours of its section (or of the parent's section for
// see-through windowless controls that take their parent's font), with the section's glow
// laid into the link's cache first. A custom font is drawn once as it is. Without a manager
// nothing is drawn; with an invalid section the text is drawn in the canvas font.
void WriteSkinDataTextPChar(vcl::TCanvas* canvas, const char* text, bool enabled, bool hot, TsCommonData* link,
                            uint32_t format, const vcl::TRect& rect);
void WriteSkinDataText(vcl::TCanvas* canvas, const std::string& text, bool enabled, bool hot, TsCommonData* link,
                       uint32_t format, const vcl::TRect& rect);

// The state's shadows (left, top, right, bottom, skipping -1) and then the main colour, each
// drawn once; `mainFormat` is the format of the main draw.
void DrawShadowedText(vcl::TCanvas* canvas, const char* text, const int32_t (&colours)[5], uint32_t format,
                      uint32_t mainFormat, const vcl::TRect& rect);

}  // namespace skin
