// TIcon: an icon (HICON) and the ICO file it came from. The handle is made from the file's
// image that suits the system's icon size best; the file is written back as it was read.
#pragma once

#include <cstdint>
#include <vector>

#include "vcl/graphics/graphic.h"

namespace vcl {

class TIcon : public TGraphic {
  VCL_GRAPHIC_CLASS(TIcon, TGraphic)
  TIcon();
  ~TIcon() override;

  // From another icon: a copy of its file and handle.
  void Assign(TPersistent* source) override;

  // The icon, made from the file when needed; the TIcon owns it.
  HICON Handle();
  // Takes over an icon made elsewhere (the file it was read from is forgotten).
  void SetHandle(HICON icon);
  // Gives the handle to the caller; an icon read from a file makes a new one when asked again.
  HICON ReleaseHandle();
  bool HandleAllocated() const { return handle_ != nullptr; }

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // An icon's size comes with its image: raises EInvalidGraphicOperation
  // "Cannot change the size of an icon".
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  bool Empty() const override { return !handle_ && data_.empty(); }

  // ICO files; bad data raises EInvalidGraphic "Icon image is not valid" and keeps the old
  // icon. An icon made from a handle is written with one 32-bit image.
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;
  // The clipboard has no icon format: raise EInvalidGraphic "Clipboard does not support Icons".
  void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
  void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) override;

 protected:
  // Stretched to the rectangle, with the icon's mask.
  void Draw(TCanvas* canvas, const TRect& rect) override;

 private:
  void HandleNeeded();
  void DestroyHandle();
  // Makes the icon from an ICO file checked earlier.
  void CreateFromFile(const std::vector<uint8_t>& file);

  std::vector<uint8_t> data_;
  HICON handle_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace vcl
