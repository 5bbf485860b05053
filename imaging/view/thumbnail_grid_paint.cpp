// The thumbnail grid's painting: the back buffer, the client background and wallpaper, every
// visible cell, and the steering of loading and releasing images as the view moves.
#include <algorithm>
#include <cstdlib>
#include <unordered_set>

#include "imaging/base/geometry.h"
#include "imaging/base/number_helpers.h"
#include "imaging/model/frames_and_shadows.h"
#include "imaging/model/graphics_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_canvas.h"
#include "imaging/model/routines/round_corners.h"
#include "imaging/model/routines/soft_shadow.h"
#include "imaging/proc/bitmap_edits.h"
#include "imaging/view/image_view.h"
#include "imaging/view/thumbnail_grid.h"
#include "imaging/view/thumbnail_grid_loader.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"
#include "vcl/graphics/gdiobjects.h"
#include "vcl/graphics/picture.h"

namespace imaging {

namespace {

// Wraps the stored rows of a list image (bottom row first) without copying, with its alpha
// rows and palette. False when the list has no rows for it.
bool WrapListImage(TIEVirtualImageList* list, TIEVirtualImage* image, TIEBitmap& bitmap) {
  const int32_t width = list->GetImageWidth(image), height = list->GetImageHeight(image);
  if (width < 1 || height < 1) return false;
  const TIEPixelFormat format = list->GetImagePixelFormat(image);
  void* rows = list->GetImageBits(image);
  if (!rows) return false;
  bitmap.AttachMemory(rows, width, height, format, true, false);
  if (format == ie8p) {
    if (auto* palette = static_cast<const uint8_t*>(list->GetImagePalette(image))) {
      for (int32_t i = 0; i < 256; ++i)
        bitmap.SetPaletteColor(i, TRGB{palette[i * 3], palette[i * 3 + 1], palette[i * 3 + 2]});
    }
  }
  if (void* alphaRows = list->GetImageAlpha(image)) {
    auto alpha = std::make_unique<TIEBitmap>();
    alpha->AttachMemory(alphaRows, width, height, ie8g, true, false);
    alpha->SetFull(false);
    bitmap.AttachAlphaChannel(std::move(alpha));
  }
  return true;
}

// Wide text in the canvas's font and colour, on its brush colour unless the brush is clear.
void WideTextOut(vcl::TCanvas* canvas, int32_t x, int32_t y, const std::u16string& text) {
  HDC dc = canvas->Handle();
  HGDIOBJ old = ::SelectObject(dc, canvas->Font()->Handle());
  ::SetTextColor(dc, static_cast<COLORREF>(vcl::ColorToRGB(canvas->Font()->Color())));
  if (canvas->Brush()->Style() == vcl::bsClear) {
    ::SetBkMode(dc, TRANSPARENT);
  } else {
    ::SetBkMode(dc, OPAQUE);
    ::SetBkColor(dc, static_cast<COLORREF>(vcl::ColorToRGB(canvas->Brush()->Color())));
  }
  ::ExtTextOutW(dc, x, y, 0, nullptr, reinterpret_cast<const WCHAR*>(text.data()), static_cast<UINT>(text.size()),
                nullptr);
  ::SelectObject(dc, old);
}

}  // namespace

std::u16string FitThumbnailCaption(vcl::TCanvas* canvas, const std::u16string& caption, uint8_t truncation, int32_t width) {
  std::u16string s = caption;
  if (truncation > 1) return s;
  for (size_t k = 2; WideTextWidth(canvas, s) > width && s.size() >= 2; ++k) {
    if (k > caption.size()) break;
    const std::u16string part = truncation == 0 ? caption.substr(0, caption.size() - k) : caption.substr(k - 1);
    if (part.empty()) break;
    s = truncation == 0 ? part + u"..." : u"..." + part;
  }
  return s;
}

void TImageMView::Paint() {
  const int32_t cw = ClientWidth(), ch = ClientHeight();
  if (paintLock_ > 0 || !HandleAllocated() || cw == 0 || ch == 0) return;
  try {
    if (backBuffer_->Width() != cw || backBuffer_->Height() != ch) backBuffer_->Allocate(cw, ch, ie24RGB);
    vcl::TBitmap* buffer = backBuffer_->VclBitmap();
    if (renderLock_ <= 0) PaintTo(buffer);
    HDC source = buffer->Canvas()->Handle();
    HDC dest = Canvas()->Handle();
    const TIEDisplayMetrics& metrics = DisplayMetrics();
    if (metrics.BitsPerPixel >= 24 || metrics.RemoteSession) {
      ::BitBlt(dest, 0, 0, cw, ch, source, 0, 0, SRCCOPY);
    } else {
      ::SetStretchBltMode(dest, HALFTONE);
      ::StretchBlt(dest, 0, 0, cw, ch, source, 0, 0, cw, ch, SRCCOPY);
    }
  } catch (...) {
    // The next paint tries again.
  }
}

void TImageMView::PaintWallPaper(vcl::TCanvas* canvas) {
  vcl::TGraphic* graphic = wallPaper_->Graphic();
  if (!graphic || graphic->Empty()) return;
  const int32_t cw = ClientWidth(), ch = ClientHeight();
  switch (wallPaperStyle_) {
    case iewoNormal:
      canvas->Draw(0, 0, graphic);
      break;
    case iewoStretch:
      canvas->StretchDraw(vcl::TRect{0, 0, cw, ch}, graphic);
      break;
    case iewoTile: {
      const int32_t gw = graphic->Width(), gh = graphic->Height();
      if (gw <= 0 || gh <= 0) break;
      for (int32_t y = 0; y < ch; y += gh)
        for (int32_t x = 0; x < cw; x += gw) canvas->Draw(x, y, graphic);
      break;
    }
  }
}

TIEBackgroundParams TImageMView::CellBackgroundParams(vcl::TColor colour) const {
  TIEBackgroundParams params;
  params.style = thumbsBackgroundStyle_;
  params.background = colour;
  params.cellSize = 16;
  params.chessboardBrush = vcl::bsSolid;
  params.gradientEnd = 0xFF0000;
  return params;
}

void TImageMView::PaintTo(vcl::TBitmap* bitmap) {
  vcl::TCanvas* canvas = bitmap->Canvas();
  const int32_t cw = ClientWidth(), ch = ClientHeight();
  TIEBackgroundParams background;
  background.style = backgroundStyle_;
  background.background = Background();
  PaintViewBackground(canvas, bitmap, background, 0, 0, cw, ch, vcl::TRect{0, 0, 0, 0});
  PaintWallPaper(canvas);

  bool previous = allDisplayed_;
  int32_t firstVisible = -1, lastVisible = ImageCount() - 1;
  std::unordered_set<TIEMImageRecord*> visible;
  bool removed;
  do {
    removed = false;
    visible.clear();
    const int32_t total = ImageCount();
    const int32_t count = displayMode_ == mdSingle ? (total > 0 ? 1 : 0) : total;
    int32_t start = 0;
    if (displayMode_ == mdSingle || playing_) {
      singleIndex_ = std::clamp(singleIndex_, 0, std::max(total - 1, 0));
      start = singleIndex_;
    }
    previous = allDisplayed_;
    allDisplayed_ = true;
    firstVisible = -1;
    lastVisible = total - 1;
    int32_t drawn = 0;
    for (int32_t i = 0; i < count; ++i) {
      const int32_t index = (start + i) % total;
      if (OnDrawProgress && count > 1)
        OnDrawProgress(this, TruncCoordinate(static_cast<double>(i) / count * 100), index);
      if (!IsImageVisible(index)) {
        if (firstVisible != -1 && lastVisible == total - 1) lastVisible = index - 1;
        continue;
      }
      if (firstVisible == -1) firstVisible = index;
      TIEMImageRecord* record = Record(index);
      visible.insert(record);
      if (!IsImageLoaded(index)) {
        previous = false;
        const bool asked = index != selectedImage_ && threadPoolSize_ != 0 && RequestLoad(index, drawn);
        if (!asked && !LoadImage(index) && removeCorrupted_) {
          DeleteImage(index);
          removed = true;
          break;
        }
        record = Record(index);
        if (!record) continue;
      }
      const bool selected =
          (index == selectedImage_ ||
           (enableMultiSelect_ && std::find(multiSelected_.begin(), multiSelected_.end(), index) != multiSelected_.end())) &&
          visibleSelection_ && displayMode_ == mdGrid;
      if (!IsImageLoaded(index)) allDisplayed_ = false;
      DrawThumbnail(bitmap, record, index, selected);
      ++drawn;
    }
  } while (removed);

  // Images after the visible run, loaded ahead of scrolling.
  if (lookAhead_ > 0 && threadPoolSize_ > 0 && lastVisible + 1 < ImageCount()) {
    {
      TGridLockScope hold(lock_);
      lookAheadList_.clear();
    }
    const int32_t n = std::min(lookAhead_, ImageCount() - 1 - lastVisible);
    for (int32_t index = lastVisible + 1; index <= lastVisible + n; ++index) {
      if (IsImageLoaded(index)) continue;
      {
        TGridLockScope hold(lock_);
        lookAheadList_.push_back(Record(index));
      }
      RequestLoad(index, -1);
    }
  }

  {
    TGridLockScope hold(lock_);
    // Far-away images that can be read again give their storage back; their drawn copies
    // stay. Borrowed or selected images are kept: their bitmaps are still in use.
    if (maintainInvisibleImages_ >= 0) {
      const int32_t m = std::max(lookAhead_, maintainInvisibleImages_);
      for (int32_t index = 0; index < ImageCount(); ++index) {
        if (index >= firstVisible - m && index <= lastVisible + m) continue;
        TIEMImageRecord* record = Record(index);
        if (!record->image || !HasImageSource(index) || IsSelected(index)) continue;
        if (imageList_->FindLockedIndex(record->image) >= 0) continue;
        imageList_->DeleteImage(record->image);
        record->image = nullptr;
      }
    }
    // What the loader may keep working on from now; what scrolled away is dropped now.
    wanted_ = std::move(visible);
    PruneQueue();
    CleanupJobs();
  }
  SignalLoadWorkers(true);

  if (OnDrawProgress && (displayMode_ == mdSingle ? 1 : ImageCount()) > 1) OnDrawProgress(this, 100, 0);
  if (allDisplayed_ && !previous && OnAllDisplayed) OnAllDisplayed(this);
}

void TImageMView::DrawCellTexts(vcl::TCanvas* canvas, TIEMImageRecord* record, bool selected, int32_t x, int32_t y,
                                int32_t w, int32_t h, int32_t bottom, int32_t infoH, int32_t& textSpace) {
  const bool highlight = selected && selectionStyle_ == iessACD;
  auto prepare = [&](TIEMText* text) {
    canvas->Font()->Assign(text->Font());
    canvas->Brush()->SetStyle(text->BackgroundStyle);
    if (highlight) {
      canvas->Font()->SetColor(selectionFontColor_);
      if (text->BackgroundStyle != vcl::bsClear) canvas->Brush()->SetColor(selectionBackColor_);
    } else if (text->BackgroundStyle != vcl::bsClear) {
      canvas->Brush()->SetColor(text->Background);
    }
    return FitThumbnailCaption(canvas, text->Caption, text->Truncation, w);
  };
  TIEMText* top = record->topText.get();
  if (!top->Caption.empty()) {
    const std::u16string s = prepare(top);
    const int32_t th = WideTextHeight(canvas, s);
    // As the grid has always done it: the top text fills its line when its brush is not solid.
    if (style_ == iemsFlat && top->BackgroundStyle != vcl::bsSolid) canvas->FillRect(vcl::TRect{x, y, x + w, y + th});
    WideTextOut(canvas, x + (w - WideTextWidth(canvas, s)) / 2, y, s);
  }
  TIEMText* info = record->infoText.get();
  if (!info->Caption.empty()) {
    const std::u16string s = prepare(info);
    if (style_ == iemsFlat && info->BackgroundStyle == vcl::bsSolid)
      canvas->FillRect(vcl::TRect{x, y + h - bottom - infoH, x + w, y + h - bottom});
    WideTextOut(canvas, x + (w - WideTextWidth(canvas, s)) / 2, y + h - bottom - infoH, s);
  }
  TIEMText* under = record->bottomText.get();
  if (!under->Caption.empty()) {
    const std::u16string s = prepare(under);
    const int32_t th = WideTextHeight(canvas, s);
    if (under->BackgroundStyle == vcl::bsSolid) canvas->FillRect(vcl::TRect{x, y + h - th - 1, x + w, y + h});
    WideTextOut(canvas, x + 1 + (w - WideTextWidth(canvas, s) - 2) / 2, y + h - th - 1, s);
    textSpace = th + 3;
  }
}

void TImageMView::DrawThumbnail(vcl::TBitmap* bitmap, TIEMImageRecord* record, int32_t index, bool selected) {
  TGridLockScope hold(lock_);
  vcl::TCanvas* canvas = bitmap->Canvas();
  const int32_t upper = showText_ ? upperGap_ : altUpperGap_;
  const int32_t bottom = showText_ ? bottomGap_ : altBottomGap_;
  int32_t x = record->X - viewX_, y = record->Y - viewY_, w = thumbWidth_, h = thumbHeight_;

  if (OnBeforeImageDraw) OnBeforeImageDraw(this, index, x, y, canvas);
  const bool bothFrames = thumbnailFrame_ && thumbnailFrameSelected_;
  if (bothFrames) {
    TIEBitmap* frame = selected ? thumbnailFrameSelected_.get() : thumbnailFrame_.get();
    frame->RenderToVclBitmap(bitmap, x, y, thumbWidth_, thumbHeight_, 0, 0, frame->Width(), frame->Height(), 255,
                             rfFastLinear, 0);
    w = thumbnailFrameRect_.right - thumbnailFrameRect_.left;
    h = thumbnailFrameRect_.bottom - thumbnailFrameRect_.top;
    x += thumbnailFrameRect_.left;
    y += thumbnailFrameRect_.top;
  }
  if (OnBeforeImageDrawEx) {
    vcl::TRect r{0, 0, w, h};
    OnBeforeImageDrawEx(this, index, x, y, bitmap, r);
    w = r.right - r.left;
    h = r.bottom - r.top;
    x += r.left;
    y += r.top;
  }
  TIEMText* info = record->infoText.get();
  int32_t infoH = 0;
  if (showText_ && !info->Caption.empty()) {
    canvas->Font()->Assign(info->Font());
    infoH = WideTextHeight(canvas, info->Caption);
  }
  const int32_t availH = h - bottom - upper - infoH;

  const vcl::TColor cellColour = selected && selectionStyle_ == iessACD ? selectionBackColor_
                                 : drawImageBackground_                  ? record->background
                                                                         : thumbsBackground_;
  if (fillThumbnail_)
    PaintViewBackground(canvas, bitmap, CellBackgroundParams(cellColour), x, y, w, h, vcl::TRect{x, y, x + w, y + h});

  int32_t l = 0, m = 0, o = 0, t = 0;
  DrawCellImage(bitmap, record, x, y, w, h, upper, availH, l, m, o, t);
  const bool hasImage = record->image || record->cacheImage;
  if (hasImage) DrawAroundCellImage(canvas, record, cellColour, x, y, w, h, l, m, o, t);

  int32_t textSpace = 0;
  if (showText_) DrawCellTexts(canvas, record, selected, x, y, w, h, bottom, infoH, textSpace);

  if (style_ == iemsACD) {
    if (hasImage && o > 0 && t > 0) DrawFrame3D(canvas, l, m, l + o - 1, m + t - 1, 0x808080, 0xFFFFFF);
    if (upper + bottom > 0 || (showText_ && !info->Caption.empty()))
      DrawFrame3D(canvas, x, y, x + w - 1, y + h - 1 - textSpace, 0xFFFFFF, 0);
    if (showText_ && !record->bottomText->Caption.empty())
      DrawFrame3D(canvas, x, y + h - textSpace + 2, x + w - 1, y + h - 1, 0x808080, 0xFFFFFF);
  }

  if (OnImageDraw) OnImageDraw(this, index, x, y, canvas);
  if (OnImageDraw2) OnImageDraw2(this, index, x, y, vcl::TRect{l, m, l + o, m + t}, canvas);

  if (thumbsBorderWidth_ > 0) DrawCellBorder(canvas, x, y, w, h);

  if (selected && selectionStyle_ != iessACD && !OnBeforeImageDrawEx && !bothFrames)
    DrawSelectionFrame(canvas, x, y, w, h);
}

void TImageMView::DrawCellImage(vcl::TBitmap* bitmap, TIEMImageRecord* record, int32_t x, int32_t y, int32_t w,
                                int32_t h, int32_t upper, int32_t availH, int32_t& l, int32_t& m, int32_t& o,
                                int32_t& t) {
  if (!record->cacheImage && record->image) {
    const int32_t d = imageList_->GetImageWidth(record->image), f = imageList_->GetImageHeight(record->image);
    if (stretchSmallImages_ || d > w || f > availH) {
      ScaleSizeToFit(d, f, w, availH, o, t);
    } else {
      o = d;
      t = f;
    }
    l = x + std::abs(w - o) / 2;
    m = y + upper + std::abs(availH - t) / 2;
    TIEBitmap source;
    if (o > 0 && t > 0 && WrapListImage(imageList_.get(), record->image, source)) {
      const bool oneBitShrinking = source.PixelFormat() == ie1g && (d > o || f > t);
      const TResampleFilter filter = oneBitShrinking ? rfFastLinear : thumbDisplayFilter_;
      auto display = std::make_unique<TIEBitmap>(o, t, oneBitShrinking ? ie24RGB : source.PixelFormat());
      ResampleBitmapWithAlpha(&source, display.get(), filter, this, nullptr);
      if (thumbnailRoundness_ > 0) {
        const int32_t r = std::min(w, h) / thumbnailRoundness_;
        RoundCornersAlpha(display.get(), r, r, nullptr, nullptr);
      }
      if (softShadow_.Enabled) {
        // The shadow is made in a bitmap of its own: the stored image is never written.
        TIEBitmap shadow;
        shadow.Assign(display.get());
        if (shadow.PixelFormat() != ie24RGB) shadow.ConvertTo(ie24RGB);
        ApplySoftShadow(&shadow, softShadow_.OffsetX, softShadow_.OffsetY, softShadow_.Radius, softShadow_.Intensity,
                        true, softShadow_.ShadowColor, nullptr, nullptr);
        const int32_t gw = shadow.Width(), gh = shadow.Height();
        display = std::make_unique<TIEBitmap>(o, t, ie24RGB);
        ResampleBitmapWithAlpha(&shadow, display.get(), rfTriangle, this, nullptr);
        const double sx = static_cast<double>(o) / gw, sy = static_cast<double>(t) / gh;
        const int32_t dx = (gw - o) / 2, dy = (gh - t) / 2;
        record->imageRect = vcl::TRect{TruncCoordinate(dx * sx), TruncCoordinate(dy * sy),
                                       TruncCoordinate((o + dx) * sx) + 1, TruncCoordinate((t + dy) * sy) + 1};
      } else {
        record->imageRect = vcl::TRect{0, 0, o, t};
      }
      display->RenderToVclBitmapFull(bitmap, nullptr, nullptr, nullptr, nullptr, l, m, o, t, 0, 0, o, t,
                                     enableAlphaChannel_, false, 255, rfNone, true, 0);
      if (enableImageCaching_) {
        record->cacheImage = cacheList_->AddImage(display.get());
        if (record->cacheImage) {
          cacheList_->SetImageOrigWidth(record->cacheImage, imageList_->GetImageOrigWidth(record->image));
          cacheList_->SetImageOrigHeight(record->cacheImage, imageList_->GetImageOrigHeight(record->image));
        }
      }
    }
  } else if (record->cacheImage) {
    o = cacheList_->GetImageWidth(record->cacheImage);
    t = cacheList_->GetImageHeight(record->cacheImage);
    l = x + std::abs(w - o) / 2;
    m = y + upper + std::abs(availH - t) / 2;
    TIEBitmap cached;
    if (WrapListImage(cacheList_.get(), record->cacheImage, cached))
      cached.RenderToVclBitmapFull(bitmap, nullptr, nullptr, nullptr, nullptr, l, m, o, t, 0, 0, o, t, true, false,
                                   255, rfNone, true, 0);
  }
}

void TImageMView::DrawAroundCellImage(vcl::TCanvas* canvas, TIEMImageRecord* record, vcl::TColor cellColour, int32_t x,
                                      int32_t y, int32_t w, int32_t h, int32_t l, int32_t m, int32_t o, int32_t t) {
  if (thumbsInternalBorder_) {
    canvas->Pen()->SetColor(thumbsInternalBorderColor_);
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetStyle(vcl::psSolid);
    canvas->Brush()->SetStyle(vcl::bsClear);
    const vcl::TRect& r = record->imageRect;
    canvas->Rectangle(l + r.left, m + r.top, l + r.right, m + r.bottom);
  }
  if (fillThumbnail_) {
    canvas->Brush()->SetStyle(vcl::bsSolid);
    canvas->Brush()->SetColor(cellColour);
    // The cell's style stays under the image (where it shows through transparency); the
    // margins around it take the plain colour.
    canvas->FillRect(vcl::TRect{x, y, l, y + h});
    canvas->FillRect(vcl::TRect{l + o, y, x + w, y + h});
    canvas->FillRect(vcl::TRect{l, y, l + o, m});
    canvas->FillRect(vcl::TRect{l, m + t, l + o, y + h});
  }
}

void TImageMView::DrawCellBorder(vcl::TCanvas* canvas, int32_t x, int32_t y, int32_t w, int32_t h) {
  canvas->Pen()->SetWidth(1);
  canvas->Pen()->SetStyle(vcl::psSolid);
  canvas->Pen()->SetColor(thumbsBorderColor_);
  canvas->Brush()->SetStyle(vcl::bsClear);
  const int32_t r = thumbnailRoundness_ != 0 ? std::min(w, h) / thumbnailRoundness_ : 0;
  for (int32_t i = 1; i <= thumbsBorderWidth_; ++i) {
    if (r != 0)
      canvas->RoundRect(x - i, y - i, x + w + i, y + h + i, r, r);
    else
      canvas->Rectangle(x - i, y - i, x + w + i, y + h + i);
  }
}

void TImageMView::DrawSelectionFrame(vcl::TCanvas* canvas, int32_t x, int32_t y, int32_t w, int32_t h) {
  TIECanvas frame(canvas, true, true);
  const int32_t n = HasFocusNow() ? selectionWidth_ : selectionWidthNoFocus_;
  frame.Brush()->SetStyle(vcl::bsClear);
  if (selectionAntialias_) {
    frame.Pen()->SetWidth(static_cast<float>(n));
    frame.Pen()->SetColor(selectionColor_);
    frame.RoundRect(x - n / 2, y - n / 2, x + w + n / 2 - 1, y + h + n / 2 - 1, 4, 4);
  } else {
    frame.Pen()->SetWidth(1);
    frame.Pen()->SetColor(selectionColor_);
    for (int32_t i = 1; i <= n; ++i) frame.Rectangle(x - i, y - i, x + w + i, y + h + i);
  }
}

}  // namespace imaging
