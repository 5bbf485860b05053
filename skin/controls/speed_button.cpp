#include "skin/controls/speed_button.h"

#include <algorithm>

#include "skin/controls/skin_commands.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/disabled_look.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"

namespace skin {

namespace {
// At most one speed button's menu is open in the whole program.
bool menuOpen = false;
TsSpeedButton* currentMenuButton = nullptr;
}  // namespace

TsSpeedButton::TsSpeedButton(vcl::TComponent* owner) : vcl::TSpeedButton(owner) {
  skinData_ = std::make_unique<TsCommonData>(this, true);
  skinData_->ControlCode = ccSpeedButton;
}

TsSpeedButton::~TsSpeedButton() {
  StopAnimation();
  if (currentMenuButton == this) currentMenuButton = nullptr;
}

void TsSpeedButton::AfterConstruction() {
  vcl::TSpeedButton::AfterConstruction();
  skinData_->Loaded();
  if (skinData_->IsSkinned()) SetControlStyle(ControlStyle().Include(vcl::csOpaque));
}

void TsSpeedButton::Loaded() {
  vcl::TSpeedButton::Loaded();
  skinData_->Loaded();
  if (skinData_->IsSkinned()) SetControlStyle(ControlStyle().Include(vcl::csOpaque));
  if (HasListImage() && Glyph()) Glyph()->Assign(nullptr);
}

void TsSpeedButton::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  vcl::TSpeedButton::Notification(component, operation);
  if (operation != vcl::opRemove) return;
  if (component == images_) images_ = nullptr;
  if (component == dropdownMenu_) dropdownMenu_ = nullptr;
}

void TsSpeedButton::Invalidate() {
  // A new layout, or any change the base class shows by invalidating (state, glyph, caption),
  // is composed again at the next paint.
  if (skinData_) skinData_->CacheStale = true;
  lastLayout_ = Layout();
  vcl::TSpeedButton::Invalidate();
}

// ---- Properties ----

void TsSpeedButton::Refresh(bool respectUpdateLock) {
  if (respectUpdateLock && (skinData_->PaintFlags & pfUpdateAnnounced)) return;
  if (!Visible() && !IsDesigning(this)) return;
  skinData_->CacheStale = true;
  UpdateView();
}

void TsSpeedButton::SetDisabledKind(TsDisabledKind value) {
  if (disabledKind_ == value) return;
  disabledKind_ = value;
  Refresh(false);
}

void TsSpeedButton::SetDisabledGlyphKind(TsDisabledGlyphKind value) {
  if (disabledGlyphKind_ == value) return;
  disabledGlyphKind_ = value;
  Refresh(false);
}

void TsSpeedButton::SetGrayed(bool value) {
  if (grayed_ == value) return;
  grayed_ = value;
  Refresh(true);
}

void TsSpeedButton::SetBlend(int32_t value) {
  value = std::clamp(value, 0, 100);
  if (blend_ == value) return;
  blend_ = value;
  Refresh(true);
}

void TsSpeedButton::SetTextOffset(int32_t value) {
  if (textOffset_ == value) return;
  textOffset_ = value;
  Refresh(false);
}

void TsSpeedButton::SetImageIndex(int32_t value) {
  if (imageIndex_ == value) return;
  imageIndex_ = value;
  Refresh(true);
}

void TsSpeedButton::SetImages(vcl::TCustomImageList* value) {
  if (images_ == value) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = value;
  if (images_) images_->FreeNotification(this);
  Refresh(true);
}

void TsSpeedButton::SetShowCaption(bool value) {
  if (showCaption_ == value) return;
  showCaption_ = value;
  ApplyShowCaption();
  Refresh(false);
}

void TsSpeedButton::ApplyShowCaption() {
  std::string caption = Caption();
  if (!caption.empty()) storedCaption_ = caption;
  SetCaption(showCaption_ ? storedCaption_ : std::string());
}

void TsSpeedButton::SetAlignment(vcl::TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  Refresh(false);
}

void TsSpeedButton::SetButtonStyle(vcl::TToolButtonStyle value) {
  if (buttonStyle_ == value) return;
  if (!IsLoading(this)) {
    // The arrow part is added beside the button, not taken from it.
    if (value == vcl::tbsDropDown)
      SetWidth(Width() + 16);
    else if (buttonStyle_ == vcl::tbsDropDown)
      SetWidth(Width() - 16);
  }
  buttonStyle_ = value;
  Refresh(false);
}

void TsSpeedButton::SetDropdownMenu(vcl::TPopupMenu* value) {
  if (dropdownMenu_ == value) return;
  if (dropdownMenu_) dropdownMenu_->RemoveFreeNotification(this);
  dropdownMenu_ = value;
  if (dropdownMenu_) dropdownMenu_->FreeNotification(this);
}

void TsSpeedButton::SetDrawOverBorder(bool value) {
  if (drawOverBorder_ == value) return;
  drawOverBorder_ = value;
  Refresh(false);
}

void TsSpeedButton::SetTextAlignment(vcl::TAlignment value) {
  if (textAlignment_ == value) return;
  textAlignment_ = value;
  skinData_->CacheStale = true;
  Repaint();
}

void TsSpeedButton::SetReflected(bool value) {
  if (reflected_ == value) return;
  reflected_ = value;
  skinData_->CacheStale = true;
  UpdateView();
}

// ---- Geometry ----

bool TsSpeedButton::HasListImage() { return images_ && imageIndex_ >= 0 && imageIndex_ < ImageCount(images_); }

int32_t TsSpeedButton::GlyphWidth() {
  const int32_t n = std::max(1, NumGlyphs());
  if (Glyph() && !Glyph()->Empty()) return Glyph()->Width() / n;
  return HasListImage() ? images_->Width() / n : 0;
}

int32_t TsSpeedButton::GlyphHeight() {
  if (Glyph() && Glyph()->Height() > 0) return Glyph()->Height();
  return HasListImage() ? images_->Height() : 0;
}

int32_t TsSpeedButton::CurrentState() {
  if (state_ == vcl::bsDown || state_ == vcl::bsExclusive) return 2;
  return skinData_->InHotState() ? 1 : 0;
}

int32_t TsSpeedButton::TextAreaWidth() {
  if (!showCaption_ || Caption().empty()) return 0;
  int32_t w = Width() - 2 * Margin() - ArrowWidth();
  if ((Layout() == vcl::blGlyphLeft || Layout() == vcl::blGlyphRight) && GlyphWidth() != 0) w -= GlyphWidth() + Spacing();
  return w;
}

vcl::TPoint TsSpeedButton::GetTextSize() {
  std::string caption = Caption();
  if (caption.empty()) return vcl::TPoint{0, 0};
  skinData_->InitCacheBmp24();
  vcl::TCanvas* canvas = skinData_->CacheBitmap->Canvas();
  canvas->SetFont(Font());
  RECT r{0, 0, TextAreaWidth(), 0};
  DrawTextA(canvas->Handle(), caption.c_str(), int(caption.size()), &r, DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK);
  return vcl::TPoint{r.right - r.left, r.bottom - r.top};
}

vcl::TRect TsSpeedButton::CaptionRect() {
  const int32_t G = GlyphWidth(), H = GlyphHeight(), A = ArrowWidth(), M = GlyphMargin(), S = Spacing();
  const int32_t W = Width(), BH = Height();
  const vcl::TPoint text = GetTextSize();
  const int32_t tw = text.x, th = text.y;
  const bool hasCaption = !Caption().empty();
  vcl::TRect r{};
  switch (Layout()) {
    case vcl::blGlyphLeft:
    case vcl::blGlyphRight: {
      const int32_t s = G >= 1 && hasCaption ? S : 0;
      const int32_t free = (W - A - G - s - tw) / 2 - M;
      const int32_t gap = G > 0 ? S : 0;
      r.top = (BH - th) / 2;
      r.bottom = BH - r.top;
      if (Layout() == vcl::blGlyphLeft) {
        switch (alignment_) {
          case vcl::taLeftJustify:
            r.left = G + Margin() + gap;
            r.right = W - A - M - 2 * free;
            break;
          case vcl::taRightJustify:
            r.left = M + 2 * free + G + gap;
            r.right = W - A - M;
            break;
          default:
            r.left = G + M + free + gap;
            r.right = W - A - M - free;
            break;
        }
      } else {
        r.left = alignment_ == vcl::taLeftJustify ? M : alignment_ == vcl::taRightJustify ? M + 2 * free : M + free;
        r.right = r.left + tw;
      }
      break;
    }
    default: {
      const int32_t s = H >= 1 && hasCaption ? S : 0;
      const int32_t vfree = (BH - H - s - th) / 2 - M;
      r.left = (W - tw - A) / 2;
      r.right = W - r.left - A;
      if (Layout() == vcl::blGlyphTop) {
        r.top = M + vfree + H + s;
        r.bottom = BH - vfree - M;
      } else {
        r.top = M + vfree;
        r.bottom = BH - vfree - M - H - s;
      }
      break;
    }
  }
  r = vcl::TRect{r.left + textOffset_ - 1, r.top, r.right + textOffset_ + 2, r.bottom};
  if (CurrentState() == 2) OffsetRect(&r, 1, 1);
  return r;
}

vcl::TRect TsSpeedButton::GlyphRect() {
  const int32_t G = GlyphWidth(), H = GlyphHeight(), A = ArrowWidth(), M = GlyphMargin(), S = Spacing();
  const int32_t W = Width(), BH = Height();
  const vcl::TPoint text = GetTextSize();
  const int32_t tw = text.x, th = text.y;
  const int32_t s = showCaption_ && G > 0 && !Caption().empty() ? S : 0;
  const int32_t hfree = (W - A - G - s - tw) / 2 - M;
  const int32_t vfree = (BH - H - s - th) / 2 - M;
  const int32_t mid = (BH - H) / 2;
  int32_t x = 0, y = mid;
  switch (Layout()) {
    case vcl::blGlyphLeft:
      x = alignment_ == vcl::taLeftJustify ? M : alignment_ == vcl::taRightJustify ? M + 2 * hfree : M + hfree;
      break;
    case vcl::blGlyphRight:
      x = alignment_ == vcl::taLeftJustify    ? W - A - M - 2 * hfree - s - G
          : alignment_ == vcl::taRightJustify ? W - A - G - M
                                              : (W + s + tw - A - G) / 2;
      break;
    case vcl::blGlyphTop:
      x = (W - A - G) / 2 + 1;
      y = vfree + M;
      break;
    case vcl::blGlyphBottom:
      x = (W - A - G) / 2 + 1;
      y = BH - M - vfree - H;
      break;
  }
  if (CurrentState() == 2) {
    ++x;
    ++y;
  }
  vcl::TRect r{x, y, x + G, y + H};
  if (reflected_) OffsetRect(&r, 0, -(H / 6));
  return r;
}

// ---- Composition ----

TButtonGlyphSource TsSpeedButton::GlyphSource(bool intoCache) {
  TButtonGlyphSource s = ButtonGlyphSource(*this);
  s.Down = Down();
  s.State = intoCache ? CurrentState() : (state_ == vcl::bsDown || state_ == vcl::bsExclusive ? 2 : 0);
  return s;
}

void TsSpeedButton::PaintCaption() {
  if (!showCaption_ || Caption().empty()) return;
  vcl::TCanvas* canvas = skinData_->CacheBitmap->Canvas();
  canvas->SetFont(Font());
  canvas->Brush()->SetStyle(vcl::bsClear);
  uint32_t flags = (uint32_t(AlignToDrawTextFlags(this, textAlignment_)) | DT_WORDBREAK | DT_EXPANDTABS) &
                   ~uint32_t(DT_SINGLELINE);
  WriteSkinDataText(canvas, Caption(), true, CurrentState() != 0, skinData_.get(), flags, CaptionRect());
}

void TsSpeedButton::PaintGlyph(vcl::TCanvas* canvas) { DrawButtonGlyph(GlyphSource(canvas == nullptr), canvas); }

void TsSpeedButton::PaintPart(const vcl::TRect& rect, int32_t state, vcl::TPoint position, const TsBackgroundInfo& bg) {
  TsCommonData* link = skinData_.get();
  vcl::TBitmap* cache = link->CacheBitmap.get();
  TsSkinManager* m = link->GetSkinManager();
  if (drawOverBorder_) {
    PaintSkinDataItem(link, bg, true, false, cache, position, rect, state);
  } else {
    PaintSkinDataBg(link, bg, state != 0, cache, position, rect);
  }
  (void)m;
}

void TsSpeedButton::PrepareCache() {
  TsCommonData* link = skinData_.get();
  link->InitCacheBmp24();
  vcl::TBitmap* cache = link->CacheBitmap.get();
  cache->Canvas()->SetFont(Font());
  TsBackgroundRequest request;
  RequestCtrlBackground(request, Parent(), false);
  TsBackgroundInfo bg;
  BgRequestToBgInfo(request, bg);
  if (bg.Ready && bg.Bitmap && bg.Bitmap->Width() == 0) return;
  TsSkinManager* m = link->GetSkinManager();
  const int32_t W = Width(), H = Height();
  HDC cacheDC = cache->Canvas()->Handle();
  auto copyBackground = [&] {
    if (bg.Ready && bg.Bitmap)
      BitBlt(cacheDC, 0, 0, W, H, bg.Bitmap->Canvas()->Handle(), bg.X + Left(), bg.Y + Top(), SRCCOPY);
    else
      PaintSolidRect(cacheDC, vcl::TRect{0, 0, W, H}, vcl::TColor(bg.FillColor));
  };
  if (buttonStyle_ == vcl::tbsSeparator) {
    copyBackground();
  } else if (buttonStyle_ == vcl::tbsDivider) {
    copyBackground();
    int divider = m->FindSectionIndex("DIVIDER");
    int mask = m->IsSectionIndexValid(divider) ? m->Sections[size_t(divider)].BorderIndex : -1;
    if (m->IsMaskIndexValid(mask)) {
      int32_t fw = 0, fh = 0;
      m->MaskFrameSize(mask, fw, fh);
      TsBackgroundInfo self;
      FillBmpBgInfo(cache, 0, 0, self);
      PaintSlicedMask(cache, vcl::TRect{(W - fw) / 2, 0, (W + fw) / 2, H}, false, self, m->Masks[size_t(mask)], 0,
                      false);
    }
  } else {
    const int32_t state = CurrentState();
    const vcl::TRect main{0, 0, W - ArrowWidth(), H};
    PaintPart(main, state, vcl::TPoint{Left(), Top()}, bg);
    if (drawOverBorder_) PaintTransparentCorners(link, state);
    PaintCaption();
    PaintGlyph(nullptr);
    if (!drawOverBorder_ && m->IsMaskIndexValid(link->BorderMaskIndex)) {
      TsBackgroundInfo self;
      FillBmpBgInfo(cache, 0, 0, self);
      PaintSlicedMask(cache, main, false, self, m->Masks[size_t(link->BorderMaskIndex)], state, false);
    }
    if (buttonStyle_ == vcl::tbsDropDown) {
      const int32_t a = (menuShown_ && dropdownMenu_) || Down() || state_ == vcl::bsDown || state_ == vcl::bsExclusive
                            ? 2
                        : link->InHotState() ? 1
                                             : 0;
      const vcl::TRect arrowPart{W - 16, 0, W, H};
      PaintPart(arrowPart, a, vcl::TPoint{Left() + W - 16, Top()}, bg);
      if (!drawOverBorder_ && m->IsMaskIndexValid(link->BorderMaskIndex)) {
        TsBackgroundInfo self;
        FillBmpBgInfo(cache, 0, 0, self);
        PaintSlicedMask(cache, arrowPart, false, self, m->Masks[size_t(link->BorderMaskIndex)], a, false);
      }
      int glyphMask = m->CommonIndexes.ScrollBtnGlyphMasks[1];
      if (m->IsMaskIndexValid(glyphMask)) {
        const TsMaskData& mask = m->Masks[size_t(glyphMask)];
        const int32_t fw = MaskFrameWidth(mask), fh = MaskFrameHeight(mask);
        TsBackgroundInfo self;
        FillBmpBgInfo(cache, 0, 0, self);
        PaintMaskGlyph(cache, vcl::TPoint{(16 - fw) / 2 + W - 16 + 1, (H - fh) / 2}, a, self, mask, kGlyphNormal);
      }
    }
  }
  if (!Enabled()) {
    TsBackgroundInfo parent;
    link->GetParentBgInfo(parent);
    ApplyDisabledKind(cache, disabledKind_, Parent(), vcl::TPoint{Left(), Top()}, parent);
  }
  if (OnPaint) OnPaint(this, cache);
  link->CacheStale = false;
  lastState_ = CurrentState();
  lastEnabled_ = Enabled();
}

void TsSpeedButton::PaintUnskinned() {
  if (buttonStyle_ == vcl::tbsSeparator) return;
  if (buttonStyle_ == vcl::tbsDivider) {
    RECT r{Width() / 2 - 1, 0, Width() / 2 + 1, Height()};
    DrawEdge(Canvas()->Handle(), &r, BDR_SUNKENOUTER, BF_RECT);
    return;
  }
  if (HasListImage() && (!Glyph() || Glyph()->Empty())) {
    // The base class knows only its own glyph: frame and caption come from it, the list's
    // image is laid on top.
    vcl::TSpeedButton::Paint();
    PaintGlyph(Canvas());
  } else {
    vcl::TSpeedButton::Paint();
  }
  if (buttonStyle_ == vcl::tbsDropDown) {
    RECT part{Width() - 16, 0, Width(), Height()};
    const bool pressed = menuShown_ || Down() || state_ == vcl::bsDown || state_ == vcl::bsExclusive;
    HDC dc = Canvas()->Handle();
    if (Flat()) {
      if (pressed || MouseInControl()) DrawEdge(dc, &part, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    } else {
      DrawFrameControl(dc, &part, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    }
    const int32_t x = (16 - 5) / 2 + Width() - 16 + (pressed ? 1 : 0);
    const int32_t y = (Height() - 5) / 2 + (pressed ? 1 : 0);
    POINT arrow[3] = {{x, y}, {x + 5, y}, {x + 2, y + 5}};
    Canvas()->Brush()->SetColor(vcl::clBtnText);
    Canvas()->Pen()->SetColor(vcl::clBtnText);
    Polygon(dc, arrow, 3);
  }
}

void TsSpeedButton::Paint() {
  TsCommonData* link = skinData_.get();
  TsSkinManager* m = link->GetSkinManager();
  if (m && m->SkinData()->Active && link->SectionIndex <= 0) link->ResolveSkinIndexes();
  if (!link->IsSkinned()) {
    PaintUnskinned();
    return;
  }
  if (Width() <= 0 || Height() <= 0) return;
  vcl::TBitmap* source = nullptr;
  if (animTimer_ && animTimer_->Enabled() && animTimer_->AnimFrame && animTimer_->AnimFrame->Width() == Width()) {
    source = animTimer_->AnimFrame.get();
  } else {
    link->CacheStale = link->CacheStale || Down() != lastDown_ || link->PartlyHidden ||
                       CurrentState() != lastState_ || Enabled() != lastEnabled_ || !link->CacheBitmap ||
                       link->CacheBitmap->Width() != Width() || link->CacheBitmap->Height() != Height();
    lastDown_ = Down();
    link->PartlyHidden = link->ShowsParentImage();
    if (link->CacheStale) {
      lastGlyphCount_ = NumGlyphs();
      lastSpacing_ = Spacing();
    } else if (NumGlyphs() != lastGlyphCount_ || Spacing() != lastSpacing_) {
      lastGlyphCount_ = NumGlyphs();
      lastSpacing_ = Spacing();
      link->CacheStale = true;
    }
    if (link->CacheStale && !link->ParentImageForced) PrepareCache();
    source = link->CacheBitmap.get();
  }
  BitBlt(Canvas()->Handle(), 0, 0, Width(), Height(), source->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TsSpeedButton::UpdateView() {
  if (ControlState().Contains(vcl::csCreating) || IsLoading(this) || IsDestroying(this) || !Parent() || !Visible() ||
      !Parent()->HandleAllocated())
    return;
  TsCommonData* link = skinData_.get();
  if (!link->IsSkinned() || IsDesigning(this)) {
    Repaint();
    return;
  }
  if (link->CacheStale || !link->CacheBitmap || link->CacheBitmap->Width() != Width()) PrepareCache();
  vcl::TBitmap* source = animTimer_ && animTimer_->Enabled() && animTimer_->AnimFrame &&
                                 animTimer_->AnimFrame->Width() == Width()
                             ? animTimer_->AnimFrame.get()
                             : link->CacheBitmap.get();
  HDC dc = Canvas()->Handle();
  BitBlt(dc, 0, 0, Width(), Height(), source->Canvas()->Handle(), 0, 0, SRCCOPY);
  GdiFlush();
}

// ---- Animation ----

void TsSpeedButton::RepaintWithAnimation(bool halve, TacAnimatEvent event) {
  TsCommonData* link = skinData_.get();
  TsSkinManager* m = link->GetSkinManager();
  const bool animate = IsAnimEventEnabled(event, animatEvents_, m);
  const bool fading = link->IsSkinned() && m->Sections[size_t(link->SectionIndex)].FadingEnabled;
  // The cache still holds what the screen shows: it is the animation's first image.
  const bool cacheShown = link->CacheBitmap && link->CacheBitmap->Width() == Width() && Width() > 0;
  if (animate && !GlobalSkinChanging && fading && !NoFading && cacheShown) {
    link->CacheStale = true;
    StartAnimation(halve);
  } else {
    link->CacheStale = true;
    StopAnimation();
    UpdateView();
  }
  link->UpdateGlowEffect(false, nullptr);
}

void TsSpeedButton::StartAnimation(bool halve) {
  if (IsDesigning(this)) return;
  TsCommonData* link = skinData_.get();
  int32_t remaining = 1;
  if (animTimer_) {
    remaining = std::max(1, animTimer_->AnimSteps - animTimer_->AnimStepNo);
    StopAnimation();
  }
  TsSkinManager* m = link->GetSkinManager();
  if (!m || !m->IsSectionIndexValid(link->SectionIndex) || !m->Sections[size_t(link->SectionIndex)].FadingEnabled ||
      NoFading)
    return;
  animTimer_ = new TsAnimTimer(nullptr);
  animTimer_->SetEnabled(false);
  animTimer_->BindSkinData(link);
  if (halve) animTimer_->AnimSteps /= 2;
  animTimer_->AnimStepNo = std::min(remaining, std::max(1, animTimer_->AnimSteps));
  animTimer_->AnimFrom = CreateBmp24(Width(), Height());
  BitBlt(animTimer_->AnimFrom->Canvas()->Handle(), 0, 0, Width(), Height(), link->CacheBitmap->Canvas()->Handle(), 0,
         0, SRCCOPY);
  PrepareCache();
  PaintTransparentCorners(link, 1);
  animTimer_->SetEnabled(true);
  animTimer_->AnimStep();
}

void TsSpeedButton::StopAnimation() {
  if (!animTimer_) return;
  TsAnimTimer* timer = animTimer_;
  animTimer_ = nullptr;
  timer->SetEnabled(false);
  const bool midway = timer->AnimStepNo != 0;
  delete timer;
  if (midway && !IsDestroying(this) && skinData_) {
    skinData_->CacheStale = true;
    if (Parent() && Parent()->HandleAllocated()) Repaint();
  }
}

// ---- Mouse ----

void TsSpeedButton::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  const bool hintsWereSuspended = HintsSuspended();
  SuspendHints();
  const bool menuPath = button == vcl::mbLeft && Enabled() && buttonStyle_ == vcl::tbsDropDown && dropdownMenu_ &&
                        (x > Width() - 16 || !OnClick);
  if (!menuPath) {
    vcl::TSpeedButton::MouseDown(button, shift, x, y);
    return;
  }
  currentMenuButton = this;
  StopAnimation();
  if (menuOpen) {
    // Another button's menu holds the mouse, so no release comes here: a suppression this
    // press made is undone now.
    if (!hintsWereSuspended) RestoreHints();
    return;
  }
  menuOpen = true;
  menuShown_ = true;
  skinData_->CacheStale = true;
  if (!OnClick) state_ = vcl::bsDown;
  UpdateView();
  dropdownMenu_->SetPopupComponent(this);
  vcl::TPoint at = ClientToScreen(vcl::TPoint{0, Height() + 1});
  try {
    dropdownMenu_->Popup(at.x, at.y);
  } catch (...) {
    menuShown_ = menuOpen = false;
    currentMenuButton = nullptr;
    RestoreHints();
    throw;
  }
  menuShown_ = menuOpen = false;
  currentMenuButton = nullptr;
  // The menu's own loop took the release: hints come back here.
  RestoreHints();
  POINT cursor{};
  GetCursorPos(&cursor);
  vcl::TPoint topLeft = ClientToScreen(vcl::TPoint{0, 0});
  RECT screen{topLeft.x, topLeft.y, topLeft.x + Width(), topLeft.y + Height()};
  if (!PtInRect(&screen, cursor)) Perform(vcl::CM_MOUSELEAVE, 0, 0);
  if (!OnClick) state_ = vcl::bsUp;
  skinData_->CacheStale = true;
  UpdateView();
}

void TsSpeedButton::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  RestoreHints();
  if (button == vcl::mbLeft && Enabled() && buttonStyle_ == vcl::tbsDropDown) {
    menuShown_ = false;
    if (currentMenuButton == this) currentMenuButton = nullptr;
  }
  vcl::TSpeedButton::MouseUp(button, shift, x, y);
}

// ---- Messages ----

void TsSpeedButton::WndProc(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  if (IsCommonSkinCommand(message) &&
      AnswerSkinCommand(this, message, link,
                        {.SkinSet = {.After =
                                         [&](bool) {
                                           if (link->IsSkinned()) SetControlStyle(ControlStyle().Include(vcl::csOpaque));
                                           Invalidate();
                                           return true;
                                         }},
                         .SkinRemoved = {.After =
                                             [this](bool) {
                                               SetControlStyle(ControlStyle().Exclude(vcl::csOpaque));
                                               if (Visible()) Repaint();
                                               return false;
                                             },
                                         .WhileDestroying = false},
                         .SkinRefresh = {.After = [this](bool) {
                           if (Visible()) Repaint();
                           return true;
                         }}}))
    return;
  if (message.Msg == SM_ALPHACMD) {
    switch (AlphaCommand(message)) {
      case cmdRepaint:
        if (link->IsUpdating()) {
          link->UpdatePending = false;
          UpdateView();
          return;
        }
        break;
      case cmdUpdateImage:
        link->UpdatePending = false;
        link->CacheStale = true;
        UpdateView();
        break;
    }
  }
  if (!ControlReadyToPaint(this) || !link->IsSkinned(false)) {
    if (message.Msg == vcl::CM_MOUSEENTER && Enabled() && !IsDesigning(this)) {
      link->MouseOver = true;
      if (OnMouseEnter) OnMouseEnter(this);
    } else if (message.Msg == vcl::CM_MOUSELEAVE && Enabled() && !IsDesigning(this)) {
      link->MouseOver = false;
      if (OnMouseLeave) OnMouseLeave(this);
      if (state_ == vcl::bsDown && !Down()) state_ = vcl::bsUp;
    }
    vcl::TSpeedButton::WndProc(message);
    return;
  }
  if (message.Msg == SM_ALPHACMD) {
    switch (AlphaCommand(message)) {
      case cmdGetStale:
        message.Result = link->UpdatePending ? 1 : 0;
        return;
      case cmdResetSection:
        UpdateView();
        return;
      case cmdStopFade:
        StopAnimation();
        return;
    }
  }
  switch (message.Msg) {
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
      if (Visible()) link->CacheStale = true;
      break;
    case WM_ERASEBKGND:
      return;
    case WM_LBUTTONUP:
      if (!IsDesigning(this) && animTimer_ && animTimer_->Enabled()) {
        StopAnimation();
        PrepareCache();
        UpdateView();
      }
      break;
    case vcl::CM_TEXTCHANGED:
      if (showCaption_) {
        link->CacheStale = true;
        UpdateView();
        return;
      }
      break;
    case vcl::CM_MOUSEENTER:
      if (Enabled() && !MouseInControl() && !IsDesigning(this)) {
        if (OnMouseEnter) OnMouseEnter(this);
        if (!link->MouseOver) {
          link->MouseOver = true;
          vcl::TSpeedButton::WndProc(message);
          RepaintWithAnimation(false, aeMouseEnter);
          return;
        }
      }
      break;
    case vcl::CM_MOUSELEAVE:
      if (Enabled() && link->MouseOver) {
        if (OnMouseLeave) OnMouseLeave(this);
        link->MouseOver = false;
        if (state_ == vcl::bsDown && !Down()) state_ = vcl::bsUp;
        vcl::TSpeedButton::WndProc(message);
        if (Visible())
          RepaintWithAnimation(false, aeMouseLeave);
        else
          link->CacheStale = true;
        return;
      }
      break;
  }
  PreprocessControlMessage(message, link);
  vcl::TSpeedButton::WndProc(message);
  switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!IsDesigning(this) && !IsDestroying(this)) RepaintWithAnimation(true, aeMouseDown);
      break;
    case WM_LBUTTONUP:
      if (!IsDesigning(this) && !IsDestroying(this)) RepaintWithAnimation(true, aeMouseUp);
      break;
    case WM_CANCELMODE:
      RestoreHints();
      break;
    case vcl::CM_VISIBLECHANGED:
      link->MouseOver = false;
      break;
    case vcl::CM_ENABLEDCHANGED:
      if (Visible() || IsDesigning(this)) {
        link->CacheStale = true;
        if (!IsLoading(this)) UpdateView();
      }
      break;
    case vcl::CM_BUTTONPRESSED:
      link->CacheStale = true;
      UpdateView();
      break;
  }
}

VCL_PUBLISHED(TsSpeedButton, p) {
  using C = TsSpeedButton;
  p.Set("AnimatEvents", &C::AnimatEvents, &C::SetAnimatEvents, AnimatEventNames, DefaultAnimatEvents)
      .Enum("Alignment", &C::Alignment, &C::SetAlignment, AlignmentNames, vcl::taCenter)
      .Integer("Blend", &C::Blend, &C::SetBlend, 0)
      .Enum("ButtonStyle", &C::ButtonStyle, &C::SetButtonStyle,
            {"tbsButton", "tbsCheck", "tbsDropDown", "tbsSeparator", "tbsDivider"}, vcl::tbsButton)
      .Set("DisabledGlyphKind", &C::DisabledGlyphKind, &C::SetDisabledGlyphKind, {"dgBlended", "dgGrayed"},
           TsDisabledGlyphKind{dgBlended})
      .Set("DisabledKind", &C::DisabledKind, &C::SetDisabledKind, DisabledKindNames, TsDisabledKind{dkBlended})
      .Component("DropdownMenu", &C::DropdownMenu, &C::SetDropdownMenu)
      .Bool("DrawOverBorder", &C::DrawOverBorder, &C::SetDrawOverBorder, true)
      .Bool("Grayed", &C::Grayed, &C::SetGrayed, false)
      .Integer("ImageIndex", &C::ImageIndex, &C::SetImageIndex, -1)
      .Component("Images", &C::Images, &C::SetImages)
      .Bool("Reflected", &C::Reflected, &C::SetReflected, false)
      .Bool("ShowCaption", &C::ShowCaption, &C::SetShowCaption, true)
      .Object("SkinData", &C::SkinData)
      .Enum("TextAlignment", &C::TextAlignment, &C::SetTextAlignment, AlignmentNames, vcl::taCenter)
      .Integer("TextOffset", &C::TextOffset, &C::SetTextOffset, 0)
      .Event("OnMouseEnter", &C::OnMouseEnter)
      .Event("OnMouseLeave", &C::OnMouseLeave)
      .Event("OnPaint", &C::OnPaint);
}

}  // namespace skin
