// TMetafile: a picture recorded as drawing commands, held as an enhanced metafile (EMF) and
// read from and written to EMF files or placeable WMF files. TMetafileCanvas records drawing
// into one.
#pragma once

#include <string>

#include "vcl/graphics/canvas.h"
#include "vcl/graphics/graphic.h"

namespace vcl {

class TMetafile : public TGraphic {
  VCL_GRAPHIC_CLASS(TMetafile, TGraphic)
  TMetafile() = default;
  ~TMetafile() override;

  // From another metafile: a copy of its records, size and format.
  void Assign(TPersistent* source) override;
  void Clear();

  // The enhanced metafile; the TMetafile owns it.
  HENHMETAFILE Handle() const { return handle_; }
  // Takes over a metafile; its size comes from its header frame.
  void SetHandle(HENHMETAFILE metafile);
  HENHMETAFILE ReleaseHandle();

  // Saved as EMF (true) or as a placeable WMF (false); set by what was loaded.
  bool Enhanced() const { return enhanced_; }
  void SetEnhanced(bool value) { enhanced_ = value; }

  // The size on the screen, in pixels; setting it scales the picture when drawn at its size.
  int Width() const override;
  int Height() const override;
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  // The size in hundredths of a millimetre.
  int MMWidth() const;
  int MMHeight() const;
  void SetMMWidth(int value);
  void SetMMHeight(int value);
  // Units per inch of a placeable WMF (0 for a size kept in hundredths of a millimetre).
  int Inch() const { return inch_; }
  void SetInch(int value);
  bool Empty() const override { return handle_ == nullptr; }

  // The description an EMF carries: the program that made it and the picture's title.
  std::string CreatedBy() const;
  std::string Description() const;

  // EMF or placeable WMF files; anything else raises EInvalidGraphic "Metafile is not valid"
  // and keeps the old picture.
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;
  // CF_ENHMETAFILE, or CF_METAFILEPICT when loading.
  void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
  void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) override;

 protected:
  // Played back into the rectangle.
  void Draw(TCanvas* canvas, const TRect& rect) override;

 private:
  void Install(HENHMETAFILE metafile, int width, int height, int inch, bool enhanced);
  void LoadEnhanced(TStream* stream);
  void LoadPlaceable(TStream* stream);
  void SavePlaceable(TStream* stream);

  HENHMETAFILE handle_ = nullptr;
  // In hundredths of a millimetre, or in 1/inch_ units when inch_ is not 0.
  int width_ = 0;
  int height_ = 0;
  int inch_ = 0;
  bool enhanced_ = true;
};

// A canvas whose drawing is recorded; the recording becomes the metafile's picture when the
// canvas is destroyed. The frame is the metafile's size, or the whole reference device.
class TMetafileCanvas : public TCanvas {
  VCL_CLASS(TMetafileCanvas, TCanvas)
  // referenceDevice 0: the screen.
  TMetafileCanvas(TMetafile* metafile, HDC referenceDevice);
  TMetafileCanvas(TMetafile* metafile, HDC referenceDevice, const std::string& createdBy,
                  const std::string& description);
  ~TMetafileCanvas() override;

 private:
  TMetafile* metafile_;
};

}  // namespace vcl
