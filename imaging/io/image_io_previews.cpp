// TImageIO's entry to the parameters preview dialog, which the dialogs library installs.
#include <memory>

#include "imaging/io/image_io.h"
#include "imaging/model/ie_bitmap.h"
#include "vcl/graphics/gdiobjects.h"

namespace imaging {

TIEPreviewsDialog IEPreviewsDialog;

void TImageIO::SetPreviewFont(vcl::TFont* font) {
  if (font) previewFont_->Assign(font);
}

bool TImageIO::DoPreviews(int32_t pages) {
  bool handled = false;
  if (OnDoPreviews) OnDoPreviews(this, handled);
  if (handled) return true;
  if (!CheckBitmap() || !IEPreviewsDialog) return false;
  // The dialog shows 24-bit or 1-bit pictures; another format is shown from a converted copy,
  // so that a cancelled dialog leaves the user's image as it was.
  TIEBitmap* shown = ieBitmap_;
  std::unique_ptr<TIEBitmap> copy;
  if (shown->PixelFormat() != ie24RGB && shown->PixelFormat() != ie1g) {
    copy = std::make_unique<TIEBitmap>();
    copy->Assign(shown);
    copy->ConvertTo(ie24RGB);
    shown = copy.get();
  }
  const bool accepted = IEPreviewsDialog(*this, shown, pages);
  UpdateAttached();
  return accepted;
}

}  // namespace imaging
