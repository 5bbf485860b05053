// The glyph of the skinned speed and bit buttons: from the button's Glyph bitmap (any pixel
// format, 32-bit with per-pixel alpha included) or from an image list, the frame chosen by the
// button's state, greyed, blended or reflected as the button asks, drawn into the button's
// cache (skinned) or onto another canvas (unskinned).
#pragma once

#include <cstdint>

#include "skin/engine/common_data.h"
#include "skin/engine/paint/button_glyph.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/imagelist.h"

namespace skin {

// What a button tells the glyph painter.
struct TButtonGlyphSource {
  vcl::TBitmap* Glyph = nullptr;
  int32_t NumGlyphs = 1;
  vcl::TCustomImageList* Images = nullptr;
  int32_t ImageIndex = -1;
  TsCommonData* Link = nullptr;
  vcl::TRect Rect{};
  bool Enabled = true;
  int32_t Blend = 0;  // percent, normal state only
  bool Down = false;
  bool Grayed = false;  // grey in the normal state
  int32_t State = 0;    // 0 normal, 1 hot, 2 pressed
  TsDisabledGlyphKind DisabledKind{dgBlended};
  bool Reflected = false;
};

// What a bit button and a speed button tell the glyph painter alike, from their Glyph, image
// list and glyph options; each adds its own down state and the state it is drawn in.
template <class TButton>
TButtonGlyphSource ButtonGlyphSource(TButton& button) {
  TButtonGlyphSource s;
  s.Glyph = button.Glyph();
  s.NumGlyphs = button.NumGlyphs();
  s.Images = button.Images();
  s.ImageIndex = button.ImageIndex();
  s.Link = button.SkinData();
  s.Rect = button.GlyphRect();
  s.Enabled = button.Enabled();
  s.Blend = button.Blend();
  s.Grayed = button.Grayed();
  s.DisabledKind = button.DisabledGlyphKind();
  s.Reflected = button.Reflected();
  return s;
}

// The image count of a list; 0 for none.
int32_t ImageCount(vcl::TCustomImageList* list);
// Whether the source draws from its image list (set, holding ImageIndex).
bool HasListImage(const TButtonGlyphSource& source);
// Draws the glyph; with no canvas into the link's cache bitmap.
void DrawButtonGlyph(const TButtonGlyphSource& source, vcl::TCanvas* canvas);

}  // namespace skin
