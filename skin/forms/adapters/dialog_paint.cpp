// TacDialogWnd: the frame image (section background and borders, title strip with icon and
// caption, title buttons) is composed off screen into the skin link's cache, which has the
// window's size; the frame strips are copied into the non-client area and the client part
// behind the children.
#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/glowing_text.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/paint/text_routines.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/dialog_wnd.h"
#include "skin/forms/adapters/dialogs_hook.h"
#include "skin/forms/form_skinning.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/scope_exit.h"

namespace skin {

namespace {

// The caption: one line, centred vertically, no prefix, ellipsis at the end.
constexpr int kInactiveGlyph = 2;

bool IsLowerStatic(HWND wnd) {
  std::string name = GetWndClassName(wnd);
  std::transform(name.begin(), name.end(), name.begin(), [](char c) { return char(std::tolower(uint8_t(c))); });
  return name == "static";
}

}  // namespace

int32_t TacDialogWnd::GlobalMask(const char* name) const {
  return Manager ? Manager->FindMaskIndexByName("GLOBALINFO", name) : -1;
}

int32_t TacDialogWnd::RestoreMask() const {
  int32_t mask = GlobalMask("BICONNORM");
  if (Manager && !Manager->IsMaskIndexValid(mask) && SkinLink)
    mask = Manager->FindMaskIndex(SkinLink->SectionIndex, SkinLink->SkinSection(), "BICONNORM");
  return mask;
}

// ---- Title buttons ----

void TacDialogWnd::InitTitleButtons() {
  if (!Manager || Manager->FindSectionIndex("GLOBALINFO") < 0) return;
  MinButton.HitCode = kHitMinButton;
  MaxButton.HitCode = kHitMaxButton;
  CloseButton.HitCode = kHitClose;
  if (SmallButtons()) {
    CloseButton.MaskIndex = GlobalMask("SICONCLOSE");
    MinButton.MaskIndex = GlobalMask("SICONMIN");
    MaxButton.MaskIndex = GlobalMask("SICONMAX");
    HelpButton.MaskIndex = GlobalMask("SICONHELP");
    if (!Manager->IsMaskIndexValid(HelpButton.MaskIndex)) HelpButton.MaskIndex = GlobalMask("BICONHELP");
    for (TitleButtonData* b : {&MinButton, &MaxButton, &CloseButton, &HelpButton}) b->BigIcon = false;
    if (Manager->IsMaskIndexValid(CloseButton.MaskIndex)) return;
  }
  const int32_t alone = GlobalMask("BICLOSEALONE");
  CloseButton.MaskIndex = !(Style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) && Manager->IsMaskIndexValid(alone)
                              ? alone
                              : GlobalMask("BICONCLOSE");
  MinButton.MaskIndex = GlobalMask("BICONMIN");
  MaxButton.MaskIndex = GlobalMask("BICONMAX");
  HelpButton.MaskIndex = GlobalMask("BICONHELP");
  for (TitleButtonData* b : {&MinButton, &MaxButton, &CloseButton, &HelpButton}) b->BigIcon = true;
}

int32_t TacDialogWnd::ButtonWidth(const TitleButtonData& button) const {
  if (!Manager || !Manager->IsMaskIndexValid(button.MaskIndex)) return 21;
  const TsMaskData& mask = Manager->Masks[size_t(button.MaskIndex)];
  if (mask.Image) return mask.ImageCount > 0 ? mask.Image->Width() / mask.ImageCount : 21;
  return MaskFrameWidth(mask);
}

int32_t TacDialogWnd::ButtonHeight(int32_t maskIndex) const {
  if (!Manager || !Manager->IsMaskIndexValid(maskIndex)) return 21;
  const TsMaskData& mask = Manager->Masks[size_t(maskIndex)];
  if (mask.Image) return mask.Image->Height() / 2;
  return MaskFrameHeight(mask);
}

int32_t TacDialogWnd::ButtonsAreaWidth() const {
  if (!HasSysMenu()) return 0;
  int32_t width = ButtonWidth(CloseButton);
  if (HasMaxBox()) width += ButtonWidth(MaxButton);
  if (HasMinBox()) width += ButtonWidth(MinButton);
  if (HasHelpButton()) width += ButtonWidth(HelpButton);
  return width;
}

int32_t TacDialogWnd::ShownMask(const TitleButtonData& button) const {
  if (&button == &MaxButton && IsZoomed(Wnd)) return RestoreMask();
  if (&button == &MinButton && IsIconic(Wnd)) return RestoreMask();
  return button.MaskIndex;
}

bool TacDialogWnd::ButtonEnabled(const TitleButtonData& button) const {
  if (&button == &CloseButton) return CloseEnabled();
  if (&button == &MaxButton) return IsZoomed(Wnd) ? RestoreEnabled() : MaxEnabled();
  if (&button == &MinButton) return IsIconic(Wnd) ? RestoreEnabled() : MinEnabled();
  return true;
}

void TacDialogWnd::LayoutTitleButton(TitleButtonData& button, int32_t maskIndex, int32_t right) {
  const TsSkinData* data = Manager ? Manager->SkinData() : nullptr;
  const int32_t height = ButtonHeight(maskIndex);
  button.Rect.right = right;
  button.Rect.left = right - ButtonWidth(button);
  if (button.BigIcon && data && data->BiVAlign == 1)
    button.Rect.top = 0;
  else
    button.Rect.top = (WndSysBorderWidth(true) + CaptionHeight(true) - height) / 2;
  button.Rect.bottom = button.Rect.top + height;
}

int32_t TacDialogWnd::LayoutTitleButtons() {
  const TsSkinData* data = Manager ? Manager->SkinData() : nullptr;
  const bool gapped = !SmallButtons() || (Manager && CloseButton.MaskIndex == GlobalMask("BICONCLOSE"));
  const int32_t gap = gapped && data ? data->BiSpace : 0;
  const int32_t width = SkinLink && SkinLink->CacheBitmap ? SkinLink->CacheBitmap->Width() : Width;
  int32_t x = width - (data ? data->BiRight : 0) - WndBorderWidth(true);
  for (TitleButtonData* b : {&MinButton, &MaxButton, &CloseButton, &HelpButton}) b->Rect = vcl::TRect{};
  if (!HasSysMenu()) return x;
  // Buttons with an invalid mask keep their place (21 pixels) and stay unpainted.
  auto place = [&](TitleButtonData& button) {
    LayoutTitleButton(button, ShownMask(button), x);
    x = button.Rect.left - gap;
  };
  place(CloseButton);
  if (HasMaxBox()) place(MaxButton);
  if (HasMinBox()) place(MinButton);
  if (HasHelpButton()) place(HelpButton);
  return x + gap;
}

void TacDialogWnd::PaintButtonState(TitleButtonData& button, int32_t maskIndex, bool enabled) {
  vcl::TBitmap* cache = SkinLink ? SkinLink->CacheBitmap.get() : nullptr;
  if (!Manager || !cache || !Manager->IsMaskIndexValid(maskIndex) || IsRectEmpty(&button.Rect)) return;
  if (button.State < 0) button.State = 0;
  const bool inactive = !enabled || (button.State < 1 && !Active);
  TsBackgroundInfo self;
  FillBmpBgInfo(cache, 0, 0, self);
  PaintMaskGlyph(cache, vcl::TPoint{button.Rect.left, button.Rect.top}, inactive ? 0 : button.State, self,
                 Manager->Masks[size_t(maskIndex)], inactive ? kInactiveGlyph : kGlyphNormal);
}

void TacDialogWnd::PaintTitleButtons() {
  LayoutTitleButtons();
  if (!HasSysMenu()) return;
  PaintButtonState(CloseButton, CloseButton.MaskIndex, CloseEnabled());
  if (HasMaxBox()) PaintButtonState(MaxButton, ShownMask(MaxButton), ButtonEnabled(MaxButton));
  if (HasMinBox()) PaintButtonState(MinButton, ShownMask(MinButton), ButtonEnabled(MinButton));
  if (HasHelpButton()) PaintButtonState(HelpButton, HelpButton.MaskIndex, true);
}

void TacDialogWnd::RepaintTitleButton(int32_t code) {
  TitleButtonData* button = ButtonByCode(code);
  if (!button || button->State == -1 || !SkinLink || !Manager || Detached) return;
  if (SkinLink->CacheStale || !SkinLink->CacheBitmap) {
    // The whole image is made again with every button in its present state.
    RenderFrameCache();
  } else {
    if (button->Rect.left <= WndBorderWidth(true) + GetSystemMetrics(SM_CXSMICON)) return;
    vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
    const int32_t w = button->Rect.right - button->Rect.left, h = button->Rect.bottom - button->Rect.top;
    if (TitleImage)
      BitBlt(cache->Canvas()->Handle(), button->Rect.left, button->Rect.top, w, h, TitleImage->Canvas()->Handle(),
             TitleImage->Width() + button->Rect.left - cache->Width(), button->Rect.top, SRCCOPY);
    int32_t mask = ShownMask(*button);
    bool enabled = ButtonEnabled(*button);
    if (button == &MaxButton && IsIconic(Wnd)) {
      mask = GlobalMask("BICONMAX");
      if (!Manager->IsMaskIndexValid(mask)) mask = Manager->FindMaskIndex(SkinLink->SectionIndex, SkinLink->SkinSection(), "BICONMAX");
      enabled = MaxEnabled();
    }
    PaintButtonState(*button, mask, enabled);
  }
  if (!IsWindowVisible(Wnd)) return;
  HDC dc = GetWindowDC(Wnd);
  if (!dc) return;
  const int saved = SaveDC(dc);
  const vcl::TRect& r = button->Rect;
  BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, SkinLink->CacheBitmap->Canvas()->Handle(), r.left,
         r.top, SRCCOPY);
  RestoreDC(dc, saved);
  ReleaseDC(Wnd, dc);
}

vcl::TRect TacDialogWnd::TitleIconRect() const {
  const TsSkinData* data = Manager ? Manager->SkinData() : nullptr;
  const int32_t cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
  vcl::TRect r{};
  r.left = WndBorderWidth(true) + (data ? data->BiLeft : 0);
  r.right = r.left + cx;
  r.top = (WndSysBorderWidth(true) + CaptionHeight(true) - cy) / 2;
  r.bottom = r.top + cy;
  return r;
}

// ---- The frame image ----

void TacDialogWnd::PaintCaptionText() {
  const int32_t caption = CaptionHeight(true);
  vcl::TBitmap* cache = SkinLink ? SkinLink->CacheBitmap.get() : nullptr;
  if (caption == 0 || !Manager || !cache) return;
  const TsSkinData* data = Manager->SkinData();
  const int32_t w = cache->Width();
  const int32_t titleBottom = WndSysBorderWidth(false) + caption;
  const int32_t title = Manager->FindSectionIndex("FORMTITLE");
  if (Manager->IsSectionIndexValid(title)) {
    const vcl::TRect strip{0, 0, w, IsIconic(Wnd) ? cache->Height() : titleBottom};
    TsBackgroundInfo self;
    FillBmpBgInfo(cache, 0, 0, self);
    PaintSectionItem(title, "FORMTITLE", self, -1, -1, Manager, cache, vcl::TPoint{strip.left, strip.top}, strip,
                     Active ? 1 : 0, true);
  }
  HDC dc = cache->Canvas()->Handle();
  const vcl::TRect icon = TitleIconRect();
  if (IconHandle) {
    const int32_t cx = icon.right - icon.left, cy = icon.bottom - icon.top;
    auto* copy = static_cast<HICON>(CopyImage(IconHandle, IMAGE_ICON, cx, cy, LR_COPYFROMRESOURCE));
    if (!copy) copy = static_cast<HICON>(CopyImage(IconHandle, IMAGE_ICON, cx, cy, 0));
    HICON shown = copy ? copy : LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    DrawIconEx(dc, icon.left, icon.top, shown, cx, cy, 0, nullptr, DI_NORMAL);
    if (copy) DestroyIcon(copy);
  }

  vcl::TCanvas* canvas = cache->Canvas();
  if (HFONT font = CreateCaptionFont()) canvas->Font()->SetHandle(font);
  // The caption ends before the leftmost title button, gaps and right margin included.
  vcl::TRect r{};
  r.left = WndBorderWidth(true) + (IconHandle ? icon.right - icon.left : 0) + (data ? data->BiLeft : 0) + 4;
  r.top = 2;
  r.right = LayoutTitleButtons() - 6;
  r.bottom = titleBottom;
  if (r.right <= r.left || r.bottom <= r.top) return;
  const bool hasCaptionSection = Manager->IsSectionIndexValid(CaptionIndex);
  if (!hasCaptionSection && !Manager->IsSectionIndexValid(title)) return;
  const std::string text = GetWindowTextAnsi(Wnd);
  vcl::TSize size{0, 0};
  GetTextExtentOf(canvas, text, size);
  r.top += (r.bottom - r.top - size.cy) / 2;
  r.bottom = r.top + size.cy;
  canvas->Brush()->SetStyle(vcl::bsClear);
  if (!hasCaptionSection) {
    const TsGeneralData& section = Manager->Sections[size_t(title)];
    const int32_t glow = Active ? section.HotGlowSize : section.GlowSize;
    if (glow != 0) {
      std::unique_ptr<vcl::TBitmap> glowMask;
      DrawGlowingText(cache, text.c_str(), r, glowMask, vcl::TColor(Active ? section.HotGlowColor : section.GlowColor),
                      glow, 0, kCaptionTextFlags);
    }
  } else {
    vcl::TRect box = r;
    DrawTextA(dc, text.c_str(), int(text.size()), &box, kCaptionTextFlags | DT_CALCRECT);
    InflateRect(&box, 4, 2);
    TsBackgroundInfo self;
    FillBmpBgInfo(cache, 0, 0, self);
    PaintSectionItem(CaptionIndex, "CAPTION", self, -1, -1, Manager, cache, vcl::TPoint{box.left, box.top}, box,
                     Active ? 1 : 0, true);
  }
  WriteSectionText(canvas, text, true, Manager, Active, hasCaptionSection ? CaptionIndex : title, kCaptionTextFlags, r);
}

void TacDialogWnd::SaveTitleImage() {
  vcl::TBitmap* cache = SkinLink ? SkinLink->CacheBitmap.get() : nullptr;
  if (!cache) return;
  const int32_t rows = std::min(cache->Height(), WndSysBorderWidth(true) + CaptionHeight(true));
  if (!TitleImage || TitleImage->Width() != cache->Width() || TitleImage->Height() != rows)
    TitleImage = CreateBmp24(cache->Width(), rows);
  BitBlt(TitleImage->Canvas()->Handle(), 0, 0, cache->Width(), rows, cache->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TacDialogWnd::RenderFrameCache() {
  if (!SkinLink || !Manager || Detached) return;
  RefreshGeometry();
  const int32_t w = std::max<int32_t>(Width, 0), h = std::max<int32_t>(Height, 0);
  if (!SkinLink->CacheBitmap) {
    SkinLink->CacheBitmap = CreateBmp24(w, h);
    SkinLink->CacheStale = true;
  }
  if (!SkinLink->CacheStale) return;
  RegionChanged = true;
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  cache->SetSize(w, h);
  vcl::TRect background{0, 0, w, h};
  // An iconic window is its title only.
  if (IsIconic(Wnd)) background.bottom = std::min(h, WndSysBorderWidth(false) + CaptionHeight(true) + 1);
  if (Manager->IsSectionIndexValid(SkinLink->SectionIndex) && w > 0 && h > 0) {
    TsBackgroundInfo behind = EmptyBackgroundInfo;
    behind.FillColor = vcl::ColorToRGB(vcl::clBtnFace);
    PaintSkinDataItem(SkinLink, behind, true, false, cache, vcl::TPoint{0, 0}, background, Active ? 1 : 0);
    PaintCaptionText();
    // The title without buttons, for repainting one button over its own background; it is
    // taken at every render, so that it follows the active and inactive looks.
    SaveTitleImage();
    if (CaptionHeight(true) != 0) PaintTitleButtons();
  }
  SkinLink->CacheStale = false;
}

// ---- Copies to the window ----

void TacDialogWnd::PaintFrameToDC(HDC dc) {
  if (!SkinLink) return;
  if (SkinLink->CacheStale || !SkinLink->CacheBitmap) RenderFrameCache();
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  if (!cache || cache->Empty()) return;
  HDC source = cache->Canvas()->Handle();
  const int32_t b = WndBorderWidth(true), c = CaptionHeight(true);
  const int32_t y = b + c + (IsIconic(Wnd) ? 1 : 0);
  BitBlt(dc, 0, 0, Width, TopFrameHeight(), source, 0, 0, SRCCOPY);
  BitBlt(dc, 0, y, b, Height, source, 0, y, SRCCOPY);
  BitBlt(dc, b, Height - b, Width - b, b, source, b, Height - b, SRCCOPY);
  BitBlt(dc, Width - b, y, b, Height, source, cache->Width() - b, y, SRCCOPY);
}

void TacDialogWnd::PaintNonClient() {
  RefreshGeometry();
  CachedText = GetWindowTextAnsi(Wnd);
  AdaptNewChildren();
  if (Detached) return;
  if (!regionUpdating_ && RegionChanged && (FrameKind != kFramePopup || (Style & WS_THICKFRAME))) {
    BuildRegionCutouts();
    RegionChanged = false;
    // Setting a region lays the frame out again: only a region that differs is set.
    const bool same = regionSize_.cx == Width && regionSize_.cy == Height && regionCutouts_.size() == RegionCutouts.size() &&
                      std::equal(RegionCutouts.begin(), RegionCutouts.end(), regionCutouts_.begin(),
                                 [](const vcl::TRect& a, const vcl::TRect& b) { return EqualRect(&a, &b) != FALSE; });
    if (!same) {
      regionCutouts_ = RegionCutouts;
      SetWindowRegion(true);
    }
  }
  HDC dc = GetWindowDC(Wnd);
  if (dc) {
    const int saved = SaveDC(dc);
    PaintFrameToDC(dc);
    RestoreDC(dc, saved);
    ReleaseDC(Wnd, dc);
  }
  SkinLink->UpdatePending = false;
  regionUpdating_ = false;
  if (!Notifying) PaintScrollBars(nullptr, -1);
}

void TacDialogWnd::ExcludeChildWindows(HDC dc) {
  for (HWND child = GetTopWindow(Wnd); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetParent(child) != Wnd) continue;
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if (!(style & WS_VISIBLE)) continue;
    // Group boxes and see-through statics show the dialog's background.
    if ((style & 7) == 7 || ((style & 0x10000) && IsLowerStatic(child))) continue;
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, Wnd, reinterpret_cast<POINT*>(&r), 2);
    ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
}

void TacDialogWnd::PaintClientBg(HDC dc) {
  if (SkinLink->CacheStale || !SkinLink->CacheBitmap) RenderFrameCache();
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  RECT client{};
  GetClientRect(Wnd, &client);
  if (cache && !cache->Empty())
    BitBlt(dc, 0, 0, client.right, client.bottom, cache->Canvas()->Handle(), ClientOffsetX(), ClientOffsetY(), SRCCOPY);
  for (HWND child = GetTopWindow(Wnd); child; child = GetWindow(child, GW_HWNDNEXT))
    if (GetWindowLongA(child, GWL_STYLE) & WS_CHILD) SendMessageA(child, SM_ALPHACMD, MAKEWPARAM(0, cmdRepaint), 0);
}

void TacDialogWnd::EraseBackground(HDC dc) {
  const bool own = !dc;
  if (own) dc = GetDC(Wnd);
  if (!dc) return;
  const int saved = SaveDC(dc);
  SkinLink->UpdatePending = false;
  ExcludeChildWindows(dc);
  PaintClientBg(dc);
  RestoreDC(dc, saved);
  if (own) ReleaseDC(Wnd, dc);
}

void TacDialogWnd::PrintChildren(HDC dc) { PrintChildWindows(Wnd, dc); }

void TacDialogWnd::Print(HDC dc, LPARAM flags) {
  if (!dc) return;
  if ((flags & PRF_CHECKVISIBLE) && !IsWindowVisible(Wnd)) return;
  if (SkinLink->CacheStale || !SkinLink->CacheBitmap) RenderFrameCache();
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  if (!cache || cache->Empty()) return;
  const int saved = SaveDC(dc);
  vcl::TScopeExit restore([&] { RestoreDC(dc, saved); });
  const int32_t x = ClientOffsetX(), y = ClientOffsetY();
  RECT client{};
  GetClientRect(Wnd, &client);
  if (flags & PRF_NONCLIENT) {
    // The whole window image: frame and the client background in one copy.
    BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
    POINT origin{};
    GetWindowOrgEx(dc, &origin);
    SetWindowOrgEx(dc, origin.x - x, origin.y - y, nullptr);
    IntersectClipRect(dc, 0, 0, client.right, client.bottom);
  } else if (flags & (PRF_ERASEBKGND | PRF_CLIENT)) {
    BitBlt(dc, 0, 0, client.right, client.bottom, cache->Canvas()->Handle(), x, y, SRCCOPY);
  }
  if (flags & PRF_CHILDREN) PrintChildren(dc);
}

}  // namespace skin
