// TsSkinProvider: the frame image (title with icon, caption and buttons, borders, menu line) is
// composed off screen into the skin link's cache, and its frame parts are copied into the
// window; the client background and the backgrounds of child controls come from it too.
#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/component_state.h"
#include "skin/engine/fast_pixels.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/hooked_forms.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/nine_slice_copy.h"
#include "skin/engine/paint/section_background.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/paint/text_routines.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "skin/forms/border_form.h"
#include "skin/forms/form_skinning.h"
#include "skin/forms/skin_provider.h"
#include "vcl/controls/application.h"
#include "vcl/controls/ownerdraw.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/scope_exit.h"

namespace skin {

namespace {

// Caption and added title: one line, centred vertically, no prefix, ellipsis at the end.

// The small icon a title shows when the form has none of its own.
HICON FallbackTitleIcon(int32_t height) {
  if (vcl::Application && vcl::Application->Handle()) {
    if (auto icon = reinterpret_cast<HICON>(SendMessageA(vcl::Application->Handle(), WM_GETICON, ICON_SMALL2, 0)))
      return icon;
  }
  vcl::TIcon* programIcon = height > 16 ? AppIconLarge() : AppIconSmall();
  if (programIcon && !programIcon->Empty()) return programIcon->Handle();
  return LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
}

}  // namespace

vcl::TColor TsSkinProvider::FormColor() const {
  TsSkinManager* manager = Manager();
  if (!Skinned() || skinData_->CustomColor() || !manager) return form_ ? form_->Color() : vcl::clBtnFace;
  const TsGeneralData& section = manager->Sections[size_t(skinData_->SectionIndex)];
  return vcl::TColor(formActive_ ? section.HotColor : section.Color);
}

int32_t TsSkinProvider::GlobalMask(const char* name) const {
  TsSkinManager* manager = Manager();
  return manager ? manager->FindMaskIndexByName("GLOBALINFO", name) : -1;
}

// ---- The frame image ----

void TsSkinProvider::RenderFrameCache() {
  if (!form_ || form_->ControlState().Contains(vcl::csCreating)) return;
  TsSkinManager* manager = Manager();
  if (!manager) return;
  vcl::TScopeExit updated([this] { skinData_->UpdatePending = false; });

  int32_t width = FrameImageWidth();
  int32_t height = FrameImageHeight();
  // The image carries alpha while the extended border window shows it.
  const vcl::TPixelFormat depth = HasExtBorder() ? vcl::pf32bit : vcl::pf24bit;
  if (skinData_->CacheBitmap && skinData_->CacheBitmap->PixelFormat() != depth) {
    skinData_->CacheBitmap.reset();
    skinData_->CacheStale = true;
  }
  if (!skinData_->CacheBitmap) {
    skinData_->CacheBitmap = HasExtBorder() ? CreateBmp32(0, 0) : CreateBmp24(0, 0);
    skinData_->UpdateFastFlag(false);
    if (!HasComponentState(form_, vcl::csLoading)) SendFastFlagsReread(form_);
  }
  if (!skinData_->CacheStale) return;

  vcl::TRect shadow = GetShadowMargins();
  int32_t titleBottom = WndSysBorderWidth(false) + CaptionHeight(true) + shadow.top;
  vcl::TRect frame{shadow.left, shadow.top, width - shadow.right, height - shadow.bottom};
  if (Iconic()) frame.bottom = titleBottom - shadow.bottom + 1;

  if (form_->Parent() && form_->FormStyle() != vcl::fsMDIChild) skinData_->PaintFlags &= uint16_t(~pfFastPaint);
  RegionChanged = true;
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  cache->SetSize(width, height);
  int32_t state = formActive_ ? 1 : 0;

  if (manager->IsSectionIndexValid(skinData_->SectionIndex)) {
    TsBackgroundInfo behind = EmptyBackgroundInfo;
    TsBackgroundRequest request;
    if (form_->Parent() && RequestCtrlBackground(request, form_->Parent(), false)) BgRequestToBgInfo(request, behind);
    vcl::TPoint origin{form_->Left(), form_->Top()};
    if (skinData_->PaintFlags & pfFastPaint) {
      // The whole frame takes the form colour, so that the borders' see-through pixels and the
      // client part that children and prints copy are not left as they were.
      PaintSolidRect(cache->Canvas()->Handle(), frame, FormColor());
      TsBackgroundInfo self;
      FillBmpBgInfo(cache, 0, 0, self);
      if (manager->IsMaskIndexValid(skinData_->BorderMaskIndex))
        PaintSlicedMask(cache, frame, false, self, manager->Masks[size_t(skinData_->BorderMaskIndex)], state, false);
    } else if (HasBorder() || form_->Parent()) {
      PaintSkinDataItem(skinData_.get(), behind, true, false, cache, origin, frame, state);
    } else {
      behind.FillColor = SkinKeyColor;
      PaintSkinDataBg(skinData_.get(), behind, formActive_, cache, origin, frame);
    }
    if (GripVisible() && skinData_->CacheRequired()) {
      skinData_->CacheStale = false;
      PaintGrip(nullptr);
    }
    PaintTitleBar();
    if (MenuPresent() && MenuLineVisible() && MenuLineHeight() > 0) {
      int32_t lines = MenuLineCount();
      vcl::TRect line{shadow.left, titleBottom, width - shadow.right, titleBottom + lines * MenuLineHeight()};
      TsBackgroundInfo self;
      FillBmpBgInfo(cache, 0, 0, self);
      int32_t lineSection = manager->FindSectionIndex(menuLineSkin_.empty() ? "MENULINE" : menuLineSkin_);
      PaintSectionItem(lineSection, menuLineSkin_.empty() ? "MENULINE" : menuLineSkin_, self, -1, -1, manager,
                       cache, vcl::TPoint{line.left, line.top}, line, 0, true);
      PaintMenuLineItems(line);
    }
    if (form_->FormStyle() == vcl::fsMDIForm && mdiLink_) PaintMdiArea(titleBottom);
    // With an extended border the caption goes in before the frame is made opaque, so that
    // its pixels keep their alpha.
    if (HasExtBorder()) {
      PaintCaptionText();
      ComposeExtendedBorder(frame);
    }
    if (manager->IsMaskIndexValid(skinData_->BorderMaskIndex) &&
        manager->Masks[size_t(skinData_->BorderMaskIndex)].ImageCount == 1 &&
        (!TitleImage || TitleImage->Width() != width))
      SaveTitleImage();
    if (!HasExtBorder()) PaintCaptionText();
    if (CaptionHeight(true) != 0 && drawNonClientArea_) {
      SaveButtonsBackground(true);
      PaintTitleButtons();
      if (HasExtBorder()) {
        // The buttons lie on the opaque title, whatever their painting did to the alpha.
        GdiFlush();
        for (const TitleButtonData* b : {&ButtonClose, &ButtonMax, &ButtonMin, &ButtonHelp})
          SetRectAlpha32(cache, b->Rect, 255);
        for (int i = 0; i < titleButtons_->Count(); ++i) SetRectAlpha32(cache, titleButtons_->Items(i)->Data.Rect, 255);
        SetRectAlpha32(cache, TitleIconRect(), 255);
      }
    }
    FullRepaint = false;
    skinData_->CacheStale = false;
    // A form's own painting lands in the image, so it also shows behind see-through children.
    if (form_->OnPaint && skinData_->CacheRequired()) {
      vcl::TCanvas* canvas = form_->Canvas();
      canvas->Lock();
      HDC cacheDC = cache->Canvas()->Handle();
      int saved = SaveDC(cacheDC);
      SetWindowOrgEx(cacheDC, -ClientOffsetX(), -ClientOffsetY(), nullptr);
      canvas->SetHandle(cacheDC);
      vcl::TScopeExit restore([&] {
        canvas->SetHandle(nullptr);
        RestoreDC(cacheDC, saved);
        canvas->Unlock();
      });
      form_->OnPaint(form_);
    }
  }
  FirstPaintDone = true;
  skinData_->CacheStale = false;
}

vcl::TRect TsSkinProvider::MdiAreaRect(int32_t titleBottom) {
  const vcl::TRect shadow = GetShadowMargins();
  const int32_t side = SideBorderWidth(true);
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  for (int i = 0; i < form_->ControlCount(); ++i) {
    vcl::TControl* control = form_->Controls(i);
    if (!control || !control->Visible()) continue;
    switch (control->Align()) {
      case vcl::alLeft: left += control->Width(); break;
      case vcl::alRight: right += control->Width(); break;
      case vcl::alTop: top += control->Height(); break;
      case vcl::alBottom: bottom += control->Height(); break;
      default: break;
    }
  }
  const int32_t lineHeight = MenuLineHeight();
  const int32_t lines = MenuPresent() && MenuLineVisible() && lineHeight > 0 ? MenuLineCount() * lineHeight : 0;
  const int32_t width = FrameImageWidth(), height = FrameImageHeight();
  return vcl::TRect{left + side + shadow.left,
                    top + lines + titleBottom + form_->BorderWidth() + (lineHeight != 0 ? 1 : 0),
                    width - right - side - shadow.right, height - bottom - side - shadow.bottom};
}

void TsSkinProvider::PaintMdiArea(int32_t titleBottom) {
  TsSkinManager* manager = Manager();
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  const int32_t section = manager ? manager->FindSectionIndex("MDIAREA") : -1;
  if (!cache || section < 0) return;
  const vcl::TRect area = MdiAreaRect(titleBottom);
  if (area.right <= area.left || area.bottom <= area.top) return;
  TsBackgroundInfo self;
  FillBmpBgInfo(cache, 0, 0, self);
  PaintSectionItem(section, "MDIAREA", self, -1, -1, manager, cache, vcl::TPoint{area.left, area.top}, area, 0, true);
}

void TsSkinProvider::ComposeExtendedBorder(const vcl::TRect& frame) {
  TsSkinManager* manager = Manager();
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  if (!manager || !cache) return;
  GdiFlush();
  SetRectAlpha32(cache, frame, 255);
  vcl::TBitmap* image = formActive_ ? manager->ShadowActive.get() : manager->ShadowInactive.get();
  borderForm_->BorderImage = image;
  if (!image || image->Empty()) return;
  // The shadow is the border image stretched in nine parts over the whole picture; only the
  // band outside the frame takes it.
  const vcl::TRect m = GetShadowMargins();
  const int32_t offset = manager->SkinData()->FormOffset;
  const vcl::TRect parts{m.left + offset, m.top + offset, m.right + offset, m.bottom + offset};
  const vcl::TRect stretch{nsStretch, nsStretch, nsStretch, nsStretch};
  const vcl::TRect whole{0, 0, cache->Width(), cache->Height()};
  const vcl::TRect source{0, 0, image->Width(), image->Height()};
  auto shadow = CreateBmp32(cache->Width(), cache->Height());
  CopyBmp9Slice(shadow.get(), image, whole, true, nsStretch, stretch, parts, parts, source);
  GdiFlush();
  for (int32_t y = 0; y < cache->Height(); ++y) {
    auto* out = static_cast<uint32_t*>(cache->ScanLine(y));
    const auto* in = static_cast<const uint32_t*>(shadow->ScanLine(y));
    const bool band = y < frame.top || y >= frame.bottom;
    for (int32_t x = 0; x < cache->Width(); ++x)
      if (band || x < frame.left || x >= frame.right) out[x] = in[x];
  }
  // The see-through corners of the frame show the shadow, not the key colour.
  auto corner = [&](int32_t mask, int32_t code, int32_t width, int32_t height) {
    if (!manager->IsMaskIndexValid(mask) || width <= 0 || height <= 0) return;
    const bool right = code == kCornerTopRight || code == kCornerBottomRight;
    const bool bottom = code == kCornerBottomLeft || code == kCornerBottomRight;
    const int32_t x = right ? frame.right - width : frame.left;
    const int32_t y = bottom ? frame.bottom - height : frame.top;
    FillKeyColorFromBg(cache, shadow.get(), vcl::TRect{x, y, x + width, y + height}, vcl::TPoint{x, y}, mask,
                       manager, code);
  };
  int32_t title = TitleSkinIndex();
  int32_t titleMask = manager->IsSectionIndexValid(title)
                          ? manager->FindMaskIndex(title, TitleSectionName(), "BORDERSMASK")
                          : -1;
  int32_t formMask = skinData_->BorderMaskIndex;
  if (manager->IsMaskIndexValid(titleMask)) {
    corner(titleMask, kCornerTopLeft, manager->MaskMarginLeft(titleMask), manager->MaskMarginTop(titleMask));
    corner(titleMask, kCornerTopRight, manager->MaskMarginRight(titleMask), manager->MaskMarginTop(titleMask));
  } else if (manager->IsMaskIndexValid(formMask)) {
    const int32_t top = std::min(manager->MaskMarginTop(formMask), 8);
    corner(formMask, kCornerTopLeft, std::min(manager->MaskMarginLeft(formMask), 8), top);
    corner(formMask, kCornerTopRight, std::min(manager->MaskMarginRight(formMask), 8), top);
  }
  if (manager->IsMaskIndexValid(formMask)) {
    const int32_t bottom = manager->MaskMarginBottom(formMask);
    corner(formMask, kCornerBottomLeft, manager->MaskMarginLeft(formMask), bottom);
    corner(formMask, kCornerBottomRight, manager->MaskMarginRight(formMask), bottom);
  }
}

void TsSkinProvider::PaintTitleBar() {
  if (CaptionHeight(true) == 0 || !drawNonClientArea_) return;
  TsSkinManager* manager = Manager();
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  if (!manager || !cache) return;
  vcl::TRect shadow = GetShadowMargins();
  int32_t titleBottom = WndSysBorderWidth(false) + CaptionHeight(true) + shadow.top;
  int32_t title = TitleSkinIndex();
  if (manager->IsSectionIndexValid(title)) {
    vcl::TRect rect{shadow.left, shadow.top, cache->Width() - shadow.right, titleBottom};
    if (Iconic()) rect.bottom = cache->Height() - shadow.bottom;
    TsBackgroundInfo self;
    FillBmpBgInfo(cache, 0, 0, self);
    PaintSectionItem(title, TitleSectionName(), self, -1, -1, manager, cache, vcl::TPoint{rect.left, rect.top}, rect,
                     formActive_ ? 1 : 0, true);
  }
  PaintTitleIcon();
  int32_t bar = manager->FindMaskIndex(skinData_->SectionIndex, skinData_->SkinSection(), "TITLEBAR");
  if (SystemButtonCount() > 0 && manager->IsMaskIndexValid(bar)) {
    const TsMaskData& mask = manager->Masks[size_t(bar)];
    int32_t frameWidth = mask.Image ? mask.Image->Width() / 9 * 2 : 2 * MaskFrameWidth(mask) / 3;
    int32_t itemWidth = ButtonsAreaWidth() + frameWidth;
    TsBackgroundInfo self;
    FillBmpBgInfo(cache, 0, 0, self);
    PaintSlicedMask(cache,
                    vcl::TRect{FrameImageWidth() - itemWidth, 0, cache->Width(),
                               CaptionHeight(true) + WndSysBorderWidth(false)},
                    true, self, mask, formActive_ ? 0 : 1, false);
  }
}

void TsSkinProvider::PaintTitleIcon() {
  if (!ShowsTitleIcon()) return;
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  if (!cache) return;
  vcl::TRect r = TitleIconRect();
  HDC dc = cache->Canvas()->Handle();
  vcl::TBitmap* glyph = titleIcon_->Glyph();
  if (!glyph || glyph->Empty()) {
    HICON icon = form_->Icon() && !form_->Icon()->Empty() ? form_->Icon()->Handle() : nullptr;
    if (!icon) icon = FallbackTitleIcon(TitleIconHeight());
    if (icon) DrawIconEx(dc, r.left, r.top, icon, TitleIconWidth(), TitleIconHeight(), 0, nullptr, DI_NORMAL);
    return;
  }
  HDC source = glyph->Canvas()->Handle();
  if (glyph->PixelFormat() == vcl::pf32bit) {
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, r.left, r.top, glyph->Width(), glyph->Height(), source, 0, 0, glyph->Width(), glyph->Height(),
               blend);
    return;
  }
  int32_t fallback = IconSizeForCaption(TopFrameHeight() - 2);
  int32_t w = titleIcon_->Width() != 0 ? titleIcon_->Width() : fallback;
  int32_t h = titleIcon_->Height() != 0 ? titleIcon_->Height() : fallback;
  TransparentBlt(dc, r.left, r.top, w, h, source, 0, 0, glyph->Width(), glyph->Height(), RGB(0xFF, 0x00, 0xFF));
}

void TsSkinProvider::PaintCaptionText() {
  if (CaptionHeight(true) == 0 || !drawNonClientArea_) return;
  TsSkinManager* manager = Manager();
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  if (!manager || !cache) return;
  const TsSkinData* data = manager->SkinData();
  vcl::TRect shadow = GetShadowMargins();
  bool hasCaptionSection = manager->IsSectionIndexValid(captionIndex_);
  vcl::TRect r{};
  r.left = WndBorderWidth(true) + (ShowsTitleIcon() ? TitleIconWidth() : 0) + data->BiLeft + shadow.left +
           (hasCaptionSection ? 2 : 0) + 4;
  r.right = cache->Width() - shadow.right - ButtonsAreaWidth() - shadow.right - 12;
  r.bottom = WndSysBorderWidth(false) + CaptionHeight(true) + shadow.top;
  r.top = Zoomed() ? WndBorderWidth(false) / 2 + shadow.top + 1 : shadow.top + 2;
  if (r.right <= r.left || r.bottom <= r.top) return;

  vcl::TCanvas* canvas = cache->Canvas();
  std::string added = addedTitle_->Text();
  vcl::TSize addedSize{0, 0};
  if (!added.empty()) GetFontTextExtent(addedTitle_->Font()->Handle(), added, addedSize);
  int32_t q = addedSize.cx;
  if (HFONT font = CreateCaptionFont()) canvas->Font()->SetHandle(font);
  std::string caption = form_->Caption();
  vcl::TSize size{0, 0};
  GetTextExtentOf(canvas, caption, size);
  int32_t middle = (r.top + r.bottom) / 2;
  r.top = middle - size.cy / 2;
  r.bottom = r.top + size.cy;
  switch (captionAlignment_) {
    case vcl::taRightJustify:
      if (r.right - r.left > size.cx + q + 4) r.left = r.right - size.cx - q - 4;
      break;
    case vcl::taCenter:
      r.left = std::max<LONG>(r.left, r.left + (r.right - r.left - size.cx - q - 4) / 2);
      r.right = std::min<LONG>(r.right, r.left + size.cx);
      break;
    default:
      break;
  }
  canvas->Brush()->SetStyle(vcl::bsClear);
  int32_t textSection = hasCaptionSection ? captionIndex_ : TitleSkinIndex();
  if (hasCaptionSection) {
    vcl::TRect box = r;
    DrawTextA(canvas->Handle(), caption.c_str(), int(caption.size()), &box, kCaptionTextFlags | DT_CALCRECT);
    InflateRect(&box, 4, 2);
    TsBackgroundInfo self;
    FillBmpBgInfo(cache, 0, 0, self);
    PaintSectionItem(captionIndex_, "CAPTION", self, -1, -1, manager, cache, vcl::TPoint{box.left, box.top}, box,
                     formActive_ ? 1 : 0, true);
  }
  WriteSectionText(canvas, caption, form_->Enabled(), manager, formActive_, textSection, kCaptionTextFlags, r);
  r.left += std::min<LONG>(size.cx, r.right - r.left);

  if (!added.empty()) {
    r.left += 4;
    r.right = r.left + q + 4;
    if (q > 4 && manager->IsSectionIndexValid(TitleSkinIndex())) {
      const TsGeneralData& title = manager->Sections[size_t(TitleSkinIndex())];
      canvas->Font()->Assign(addedTitle_->Font());
      vcl::TColor colour = addedTitle_->Font()->Color();
      if (colour == vcl::clNone || colour == vcl::clWindowText)
        colour = vcl::TColor(formActive_ ? title.HotFontColor[0] : title.FontColor[0]);
      else if (!formActive_)
        colour = BlendColors(vcl::ColorToRGB(colour), vcl::TColor(title.FontColor[0]), 0.5);
      canvas->Font()->SetColor(colour);
      DrawCanvasText(canvas, added, r, kCaptionTextFlags);
    }
  }
}

void TsSkinProvider::PaintMenuLineItems(const vcl::TRect& line) {
  HWND wnd = FormHandle();
  HMENU bar = wnd ? GetMenu(wnd) : nullptr;
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  if (!bar || !cache) return;
  vcl::TPoint origin = FrameOrigin();
  vcl::TRect shadow = GetShadowMargins();
  const int offset = MdiMenuItemOffset();
  if (offset && ChildButtonsShown()) PaintChildIcon(line);
  const std::vector<vcl::TMenuItem*> items = MenuBarItems();
  for (size_t i = 0; i < items.size(); ++i) {
    vcl::TMenuItem* item = items[i];
    const int index = offset + int(i);
    if (!item->OnAdvancedDrawItem || !item->OnMeasureItem) continue;
    vcl::TRect r{};
    if (!GetMenuItemRect(wnd, bar, UINT(index), &r)) continue;
    OffsetRect(&r, ExtBorderExcess() + shadow.left - origin.x, ExtTitleExcess() + shadow.top - origin.y);
    if (r.top < line.top) continue;
    vcl::TOwnerDrawState drawState;
    drawState.Include(vcl::odNoAccel);
    drawState.Include(vcl::odReserved1);
    item->OnAdvancedDrawItem(item, cache->Canvas(), r, drawState);
  }
}

// The maximised child's icon at the start of the MDI form's menu line (its system menu).
void TsSkinProvider::PaintChildIcon(const vcl::TRect& line) {
  vcl::TCustomForm* child = form_->ActiveMDIChild();
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  const int32_t size = MenuLineHeight() - 2;
  if (!child || !cache || size <= 0) return;
  HICON icon = child->Icon() && !child->Icon()->Empty() ? child->Icon()->Handle() : FallbackTitleIcon(size);
  if (!icon) return;
  const int32_t x = line.left + WndBorderWidth(true) + 1;
  DrawIconEx(cache->Canvas()->Handle(), x, line.top + 1, icon, size, size, 0, nullptr, DI_NORMAL);
}

void TsSkinProvider::PaintGrip(HDC dc) {
  TsSkinManager* manager = Manager();
  int32_t mask = GlobalMask("GRIPIMAGE");
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  if (!manager || !manager->IsMaskIndexValid(mask) || !cache) return;
  const TsMaskData& grip = manager->Masks[size_t(mask)];
  vcl::TPoint at = GripPosition();
  TsBackgroundInfo self;
  FillBmpBgInfo(cache, 0, 0, self);
  if (!dc) {
    PaintMaskGlyph(cache, at, 0, self, grip, kGlyphNormal);
    return;
  }
  int32_t w = MaskFrameWidth(grip), h = MaskFrameHeight(grip);
  auto work = CreateBmp24(w, h);
  BitBlt(work->Canvas()->Handle(), 0, 0, w, h, cache->Canvas()->Handle(), at.x, at.y, SRCCOPY);
  TsBackgroundInfo workBg;
  FillBmpBgInfo(work.get(), 0, 0, workBg);
  PaintMaskGlyph(work.get(), vcl::TPoint{0, 0}, 0, workBg, grip, kGlyphNormal);
  BitBlt(dc, at.x - ClientOffsetX(), at.y - ClientOffsetY(), w, h, work->Canvas()->Handle(), 0, 0, SRCCOPY);
}

// ---- Saved images ----

void TsSkinProvider::SaveButtonsBackground(bool full) {
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  if (!cache || !ButtonsBackground) return;
  vcl::TRect shadow = GetShadowMargins();
  int32_t width = WndBorderWidth(true) + ButtonsAreaWidth() + shadow.right + 10;
  int32_t height = WndSysBorderWidth(true) + CaptionHeight(true) + WndBorderWidth(false) + MenuLineHeight() + shadow.top;
  width = std::min(width, cache->Width());
  height = std::min(height, cache->Height());
  ButtonsBackground->SetPixelFormat(cache->PixelFormat());
  ButtonsBackground->SetSize(width, height);
  int32_t rows = full ? height : std::min(height, WndSysBorderWidth(true) + CaptionHeight(true));
  BitBlt(ButtonsBackground->Canvas()->Handle(), 0, 0, width, rows, cache->Canvas()->Handle(),
         cache->Width() - width, 0, SRCCOPY);
}

void TsSkinProvider::RestoreButtonsBackground() {
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  if (!cache || !ButtonsBackground || ButtonsBackground->Empty()) return;
  BitBlt(cache->Canvas()->Handle(), cache->Width() - ButtonsBackground->Width(), 0, ButtonsBackground->Width(),
         ButtonsBackground->Height(), ButtonsBackground->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TsSkinProvider::SaveTitleImage() {
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  if (!cache) return;
  int32_t rows = std::min(cache->Height(), WndSysBorderWidth(true) + CaptionHeight(true) + GetShadowMargins().top);
  TitleImage = CreateBmp32(cache->Width(), rows);
  BitBlt(TitleImage->Canvas()->Handle(), 0, 0, cache->Width(), rows, cache->Canvas()->Handle(), 0, 0, SRCCOPY);
}

// ---- Copies to the window ----

void TsSkinProvider::PaintFrameToDC(HDC dc) {
  if (skinData_->CacheStale || !skinData_->CacheRequired() || !skinData_->CacheBitmap) {
    RedrawChildren = !FirstPaintDone || FullRepaint || !HasBorder();
    skinData_->CacheStale = true;
    RenderFrameCache();
    skinData_->CacheStale = false;
    skinData_->UpdatePending = false;
  }
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  if (!cache || cache->Empty()) return;
  HDC source = cache->Canvas()->Handle();
  int32_t bw = FormBorderWidthProp();
  int32_t y0 = (Iconic() ? 1 : 0) + WndSysBorderWidth(true) + CaptionHeight(true) +
               (MenuLineVisible() ? MenuLineCount() * MenuLineHeight() + 1 : 0) + bw;
  int32_t width = FrameImageWidth();
  int32_t height = cache->Height();
  int32_t top = TopFrameHeight();
  int32_t side = SideBorderWidth(true);
  int32_t bottom = BottomBorderHeight(true);
  int32_t right = WndBorderWidth(true) + bw;
  BitBlt(dc, 0, 0, width, top, source, 0, 0, SRCCOPY);
  BitBlt(dc, 0, top, side, height - top, source, 0, y0, SRCCOPY);
  BitBlt(dc, side, height - bottom, width - side, bottom, source, side, height - bottom, SRCCOPY);
  BitBlt(dc, width - right, top, right, height - top - bottom, source, width - right, y0, SRCCOPY);
}

void TsSkinProvider::PaintNonClient() {
  HWND wnd = FormHandle();
  if (!drawNonClientArea_ || !wnd) return;
  // A child being made over a maximised one, or lying under one, shows no frame of its own.
  if ((ChildOverMaximized && form_->FormStyle() == vcl::fsMDIChild) || HiddenBehindMaximizedChild()) return;
  if (!MenuRefreshed) {
    MenuRefreshed = true;
    RefreshMenu();
  }
  if (!RegionUpdating && RegionChanged) {
    if (HasBorder() || HasThickFrame() || Iconic()) {
      BuildRegionCutouts();
      RegionChanged = false;
      // A window that is not shown yet, placed by the system or maximised takes its region with
      // a redraw, which brings the next WM_NCPAINT.
      if (!FormShowing() || form_->Position() == vcl::poDefault || Zoomed()) {
        SetWindowRegion(true);
        return;
      }
      SetWindowRegion(false);
    }
  }
  skinData_->UpdatePending = false;
  if (!skinData_->CacheBitmap || skinData_->CacheBitmap->Empty()) skinData_->CacheStale = true;
  HDC dc = GetWindowDC(wnd);
  if (!dc) return;
  int saved = SaveDC(dc);
  vcl::TScopeExit release([&] {
    RestoreDC(dc, saved);
    ReleaseDC(wnd, dc);
    RegionUpdating = false;
  });
  if (HasExtBorder()) {
    // The border window shows the frame; the form's own window shows only the menu line
    // between its title and its client area.
    if (skinData_->CacheStale) RenderFrameCache();
    vcl::TBitmap* cache = skinData_->CacheBitmap.get();
    if (!cache) return;
    vcl::TRect shadow = GetShadowMargins();
    int32_t bw = FormBorderWidthProp();
    int32_t menu = MenuLineCount() * MenuLineHeight() + (MenuPresent() ? 1 : 0) + bw;
    int32_t y = CaptionHeight(false) + WndBorderWidth(false) - (ShortTitle ? 4 : 0);
    BitBlt(dc, WndBorderWidth(false), y, cache->Width() - shadow.left - shadow.right, menu, cache->Canvas()->Handle(),
           WndBorderWidth(true) + shadow.left, ClientOffsetY() - menu, SRCCOPY);
  } else if (HasBorder() || !HasThickFrame()) {
    PaintFrameToDC(dc);
  } else if (!Iconic()) {
    if (skinData_->CacheStale) RenderFrameCache();
    if (vcl::TBitmap* cache = skinData_->CacheBitmap.get())
      CopyBorderStrips(dc, 0, 0, FrameImageWidth(), cache->Height(), cache->Canvas()->Handle(), 0, 0,
                       SideBorderWidth(true) + 3);
  }
}

void TsSkinProvider::RepaintFrame() {
  HWND wnd = FormHandle();
  if (AnimationInProgress || !wnd || !IsWindowVisible(wnd) || !drawNonClientArea_ || FormDestroying()) return;
  // A maximised child's title is its MDI form's: that form's frame is painted instead.
  if (form_->FormStyle() == vcl::fsMDIChild && Zoomed()) {
    TsSkinProvider* mdi = MdiFormProvider;
    HWND mdiWnd = mdi && mdi != this && !mdi->FormDestroying() ? mdi->FormHandle() : nullptr;
    if (!mdiWnd) return;
    mdi->InvalidateMenuLine();
    if (mdi->HasExtBorder()) {
      mdi->RepaintBorderForm(true);
    } else if (HDC dc = GetWindowDC(mdiWnd)) {
      const int saved = SaveDC(dc);
      mdi->PaintFrameToDC(dc);
      RestoreDC(dc, saved);
      ReleaseDC(mdiWnd, dc);
    }
    return;
  }
  skinData_->CacheStale = true;
  if (HasExtBorder()) {
    RepaintBorderForm(true);
    return;
  }
  HDC dc = GetWindowDC(wnd);
  if (!dc) return;
  int saved = SaveDC(dc);
  PaintFrameToDC(dc);
  RestoreDC(dc, saved);
  ReleaseDC(wnd, dc);
}

// ---- Client area ----

void TsSkinProvider::PaintClientBg(HDC dc, bool redrawChildren) {
  vcl::TRect client{0, 0, ClientWidth(), ClientHeight()};
  if (skinData_->PaintFlags & pfFastPaint) {
    PaintSolidRect(dc, client, FormColor());
  } else {
    if (!skinData_->ParentImageForced) RenderFrameCache();
    if (form_->FormStyle() != vcl::fsMDIForm && skinData_->CacheBitmap) {
      int32_t x = ClientOffsetX(), y = ClientOffsetY();
      vcl::TRect source{x, y, x + client.right, y + client.bottom};
      CopyCacheExceptChildren(form_, skinData_.get(), source, client, dc, false, 0, 0);
      PaintGraphicControlsToDC(dc, form_, vcl::TPoint{0, 0});
    }
  }
  if (redrawChildren) SendRepaintToChildren(form_);
  RedrawChildren = false;
}

void TsSkinProvider::PaintClient(vcl::TMessage& message) {
  HWND wnd = FormHandle();
  PAINTSTRUCT ps{};
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  bool own = !dc;
  if (own) dc = BeginPaint(wnd, &ps);
  vcl::TScopeExit done([&] {
    if (own) EndPaint(wnd, &ps);
  });
  skinData_->UpdatePending = false;
  if (!FormDestroying() && !HiddenBehindMaximizedChild()) PaintClientBg(dc, true);
}

void TsSkinProvider::PaintFormBg(HDC dc) {
  HWND wnd = FormHandle();
  bool own = !dc;
  if (own) dc = GetDC(wnd);
  if (!dc) return;
  vcl::TScopeExit release([&] {
    if (own) ReleaseDC(wnd, dc);
  });
  if (FormDestroying() || HiddenBehindMaximizedChild()) return;
  int saved = SaveDC(dc);
  ExcludeGraphicControls(dc, form_, 0, 0);
  PaintClientBg(dc, true);
  if (GripVisible()) PaintGrip(dc);
  RestoreDC(dc, saved);
  PaintGraphicControlsToDC(dc, form_, vcl::TPoint{0, 0});
}

}  // namespace skin
