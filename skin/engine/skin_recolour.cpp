// Tinting a loaded skin: the hue rotation and the saturation change of its master image, its
// masks' own images, its section colours, gradients and skin-wide colours.
#include <functional>
#include <set>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/colour_hsv.h"
#include "skin/engine/skin_manager.h"

namespace skin {

namespace {

using TColourOp = std::function<vcl::TColor(vcl::TColor)>;

bool IsGrey(uint8_t b, uint8_t g, uint8_t r) { return r == g && g == b; }

// Changes every pixel of a 24- or 32-bit bitmap that is not the key colour (and, when
// skipGrey, not grey); alpha bytes stay.
void RecolourBitmap(vcl::TBitmap& bitmap, const TColourOp& op, bool skipGrey) {
  int step = bitmap.PixelFormat() == vcl::pf32bit ? 4 : 3;
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* row = static_cast<uint8_t*>(bitmap.ScanLine(y));
    for (int x = 0; x < bitmap.Width(); ++x) {
      uint8_t* p = row + x * step;
      if (IsKeyPixel(p) || (skipGrey && IsGrey(p[0], p[1], p[2]))) continue;
      vcl::TColor c = op(p[2] | p[1] << 8 | p[0] << 16);
      p[0] = uint8_t(c >> 16);
      p[1] = uint8_t(c >> 8);
      p[2] = uint8_t(c);
    }
  }
}

void RecolourMaskImage(vcl::TBitmap& image, const TColourOp& op, bool skipGreyOn24) {
  if (image.PixelFormat() == vcl::pf32bit) {
    RecolourBitmap(image, op, true);
  } else {
    image.SetPixelFormat(vcl::pf24bit);
    RecolourBitmap(image, op, skipGreyOn24);
  }
}

void RecolourSection(TsGeneralData& g, const TColourOp& op, bool glow) {
  g.Color = op(g.Color);
  g.HotColor = op(g.HotColor);
  if (glow) {
    g.GlowColor = op(g.GlowColor);
    g.HotGlowColor = op(g.HotGlowColor);
  }
  for (int i = 0; i < 5; ++i) {
    if (g.FontColor[i] != -1) g.FontColor[i] = op(g.FontColor[i]);
    if (g.HotFontColor[i] != -1) g.HotFontColor[i] = op(g.HotFontColor[i]);
  }
  for (TsGradArray* array : {&g.GradientArray, &g.HotGradientArray})
    for (TsGradPie& pie : *array) {
      pie.Color1 = op(pie.Color1);
      pie.Color2 = op(pie.Color2);
    }
}

}  // namespace

void TsSkinManager::ApplyHueOffset(int32_t offset) {
  if (offset == 0) return;
  TColourOp op = [offset](vcl::TColor c) { return ShiftColorHue(offset, c); };
  const int16_t keep = skinData_->BiKeepHue;
  std::set<int> kept;
  struct TCutIcon {
    int mask;
    vcl::TBitmap image;
  };
  std::vector<std::unique_ptr<TCutIcon>> cut;
  if (keep != 0) {
    static const char* const icons[9] = {"BICONCLOSE", "SICONCLOSE", "BICONMAX", "BICONMIN", "BICONNORM",
                                         "BICONHELP",  "SICONMAX",   "SICONMIN", "SICONNORM"};
    for (int n = 0; n < (keep == 1 ? 9 : 2); ++n) {
      int i = FindMaskIndexByName("GLOBALINFO", icons[n]);
      if (i >= 0 && !Masks[size_t(i)].Image && !masterBitmap_->Empty()) {
        // A rectangle of the master image: set it aside while the master image turns.
        const vcl::TRect& r = Masks[size_t(i)].ImageRect;
        auto icon = std::make_unique<TCutIcon>();
        icon->mask = i;
        icon->image.SetPixelFormat(vcl::pf24bit);
        icon->image.SetSize(std::max<int>(r.right - r.left, 0), std::max<int>(r.bottom - r.top, 0));
        if (!icon->image.Empty())
          BitBlt(icon->image.Canvas()->Handle(), 0, 0, r.right - r.left, r.bottom - r.top,
                 masterBitmap_->Canvas()->Handle(), r.left, r.top, SRCCOPY);
        cut.push_back(std::move(icon));
      } else if (i >= 0) {
        kept.insert(i);
      }
      int glow = FindMaskIndexByName("GLOBALINFO", std::string(icons[n]) + "GLOW0");
      if (glow >= 0 && Masks[size_t(glow)].Image) kept.insert(glow);
    }
  }
  if (!masterBitmap_->Empty()) {
    masterBitmap_->SetPixelFormat(vcl::pf24bit);
    RecolourBitmap(*masterBitmap_, op, true);
  }
  for (auto& icon : cut) {
    const vcl::TRect& r = Masks[size_t(icon->mask)].ImageRect;
    if (!icon->image.Empty())
      BitBlt(masterBitmap_->Canvas()->Handle(), r.left, r.top, icon->image.Width(), icon->image.Height(),
             icon->image.Canvas()->Handle(), 0, 0, SRCCOPY);
  }
  for (size_t i = 0; i < Masks.size(); ++i)
    if (Masks[i].Image && !(keep != 0 && kept.count(int(i)))) RecolourMaskImage(*Masks[i].Image, op, false);
  for (TsGeneralData& g : Sections) RecolourSection(g, op, true);
  skinData_->Shadow1Color = op(skinData_->Shadow1Color);
  skinData_->BorderColor = op(skinData_->BorderColor);
}

void TsSkinManager::ApplySaturation(int32_t value) {
  if (value == 0) return;
  const int32_t amount = -(value % 101);
  TColourOp op = [amount](vcl::TColor c) { return ChangeColorSaturation(c, amount); };
  if (!masterBitmap_->Empty()) {
    masterBitmap_->SetPixelFormat(vcl::pf24bit);
    RecolourBitmap(*masterBitmap_, op, true);
  }
  for (TsMaskData& m : Masks)
    if (m.Image) RecolourMaskImage(*m.Image, op, true);
  for (TsGeneralData& g : Sections) RecolourSection(g, op, false);
  skinData_->Shadow1Color = op(skinData_->Shadow1Color);
  skinData_->BorderColor = op(skinData_->BorderColor);
}

}  // namespace skin
