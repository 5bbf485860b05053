// TIEQuantizer: finds a palette of n colours for a bitmap and maps the bitmap's colours to
// palette indexes. It takes the bitmap's own colours when there are at most n of them (in the
// order first seen), a grey ramp or the bitmap's palette for grey and paletted bitmaps, and
// otherwise the neural-network or the variance-splitting quantizer.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

#include "imaging/model/colour_helpers.h"
#include "imaging/model/routines/neuquant.h"
#include "imaging/model/routines/variance_quantizer.h"
#include "vcl/runtime/system.h"

namespace imaging {

class TIEBitmap;

// Library-wide settings, both -1 (automatic) until changed.
// Engine: -1 variance splitting below 128 colours and the neural network from 128 on;
// 1 variance splitting; 0 and any other value the neural network.
extern int32_t QuantizerEngine;
// Quality of the neural network, 0 .. 100 (100 samples every pixel); -1 chooses from the
// image's size.
extern int32_t QuantizerQuality;

// The distinct colours of an image, in the order first seen.
class TExactPalette {
 public:
  // The colours of an ie24RGB bitmap when it has at most `colours` of them, else nil (also
  // for other formats). The colours found go into palette entries 0 .. count - 1.
  static std::unique_ptr<TExactPalette> Collect(TIEBitmap* bitmap, int32_t colours, std::span<TRGB> palette);
  // The colour's position, or -1 when the image does not hold it.
  int32_t Find(int32_t packedRGB) const;
  int32_t Count() const { return static_cast<int32_t>(colours_.size()); }

 private:
  std::vector<int32_t> colours_;
  std::unordered_map<int32_t, int32_t> positions_;
};

class TIEQuantizer : public vcl::TObject {
  VCL_CLASS(TIEQuantizer, vcl::TObject)
  // Builds the palette of at most `colours` colours into palette entries 0 .. colours - 1
  // (entries it does not need keep their contents). The palette must hold at least `colours`
  // entries, else EInvalidArgument is raised. The quantizer keeps a reference to the bitmap,
  // which must outlive it.
  TIEQuantizer(TIEBitmap* bitmap, std::span<TRGB> palette, int32_t colours);
  ~TIEQuantizer() override;

  // The palette index of a colour; -1 for a colour that an exact palette does not hold.
  int32_t GetColorIndex(const TRGB& colour);
  // The same for a packed RGB value (0x00RRGGBB).
  int32_t GetColorIndex(int32_t packedRGB);

  // 0 neural network, 1 variance splitting: the engine chosen (meaningful when one was built).
  int32_t Engine() const { return engine_; }
  bool HasEngine() const { return neuQuant_ || varianceQuant_; }
  bool IsExact() const { return exact_ != nullptr; }
  bool IsGray() const { return gray_; }
  int32_t ColorCount() const { return colours_; }

 private:
  TIEBitmap* bitmap_;
  int32_t colours_;
  int32_t engine_ = 0;
  bool gray_ = false;
  bool paletted_ = false;
  std::unique_ptr<TExactPalette> exact_;
  std::unique_ptr<TNeuQuantState> neuQuant_;
  std::unique_ptr<TVarianceQuantState> varianceQuant_;
};

}  // namespace imaging
