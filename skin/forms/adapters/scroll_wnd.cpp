#include "skin/forms/adapters/scroll_wnd.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/skin_painting.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/scroll_support.h"
#include "vcl/graphics/colours.h"

namespace skin {

TacScrollTracking ScrollTracking;

namespace {

// The names of one bar kind's parts: track before and after the thumb, the two arrows, the thumb.
struct BarSections {
  const char* track1;
  const char* track2;
  const char* arrow1;
  const char* arrow2;
  const char* thumb;
};
constexpr BarSections kHorzSections{"SCROLLBAR1H", "SCROLLBAR2H", "SCROLLBTNLEFT", "SCROLLBTNRIGHT", "SCROLLSLIDERH"};
constexpr BarSections kVertSections{"SCROLLBAR1V", "SCROLLBAR2V", "SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLSLIDERV"};

const BarSections& SectionsOf(const TacScrollBar& bar) { return bar.Kind == SB_HORZ ? kHorzSections : kVertSections; }

// A skin part by section name: background, border mask and textures in the state, over the
// background at `offset`. False when the skin lacks the section.
bool PaintPart(TsSkinManager* manager, const char* name, vcl::TBitmap* target, const vcl::TRect& rect, int state,
               TsBackgroundInfo info, vcl::TPoint offset) {
  const int section = manager->FindSectionIndex(name);
  if (!manager->IsSectionIndexValid(section) || rect.right <= rect.left || rect.bottom <= rect.top) return false;
  const int border = manager->FindMaskIndex(section, name, "BORDERSMASK");
  const int pattern = manager->FindTextureMaskIndex(section, name, "PATTERN");
  const int hotPattern = manager->FindTextureMaskIndex(section, name, "HOTPATTERN");
  PaintItemByIndexes(section, border, pattern, manager, target, offset, rect, state, true, info, name, hotPattern);
  return true;
}

// The section's GLYPHMASK in the state, centred in the rectangle.
void PaintPartGlyph(TsSkinManager* manager, const char* name, vcl::TBitmap* target, const vcl::TRect& rect,
                    int state) {
  const int section = manager->FindSectionIndex(name);
  const int glyph = manager->FindMaskIndex(section, name, "GLYPHMASK");
  if (!manager->IsMaskIndexValid(glyph)) return;
  int32_t fw = 0, fh = 0;
  manager->MaskFrameSize(glyph, fw, fh);
  const vcl::TPoint at{rect.left + (rect.right - rect.left - fw) / 2, rect.top + (rect.bottom - rect.top - fh) / 2};
  PaintMaskGlyph(target, at, state, EmptyBackgroundInfo, manager->Masks[size_t(glyph)], kGlyphNormal);
}

RECT ToWindow(const RECT& screen, const RECT& window) {
  return RECT{screen.left - window.left, screen.top - window.top, screen.right - window.left,
              screen.bottom - window.top};
}

}  // namespace

TacScrollWnd::TacScrollWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : TacMainWnd(wnd, section, manager, skinLink) {}

TacScrollWnd::~TacScrollWnd() {
  if (ScrollTracking.HotWnd == Wnd) ScrollTracking.HotWnd = nullptr;
  FreeBars();
}

void TacScrollWnd::FreeBars() {
  if (HorzBar) HorzBar->Owner = nullptr;
  if (VertBar) VertBar->Owner = nullptr;
  HorzBar.reset();
  VertBar.reset();
}

void TacScrollWnd::InitScrollWnd(HWND wnd, bool frameRefresh) {
  Notifying = false;
  Wnd = wnd;
  HorzBar = std::make_unique<TacScrollBar>();
  VertBar = std::make_unique<TacScrollBar>();
  HorzBar->Owner = VertBar->Owner = this;
  for (TacScrollBar* bar : {HorzBar.get(), VertBar.get()}) {
    bar->Info.cbSize = sizeof(SCROLLINFO);
    bar->Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
  }
  HorzBar->Kind = SB_HORZ;
  VertBar->Kind = SB_VERT;
  GetScrollInfo(wnd, SB_HORZ, &HorzBar->Info);
  GetScrollInfo(wnd, SB_VERT, &VertBar->Info);
  LeftScrollBar = (GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
  const LONG style = GetWindowLongA(wnd, GWL_STYLE);
  HorzBar->StyleBits = (style & WS_HSCROLL) ? 8 : 0;
  VertBar->StyleBits = (style & WS_VSCROLL) ? 8 : 0;
  StyleChangeLock = false;
  AttachWndAdapter();
  SetMinThumbSize(wnd, 3, 10);
  if (frameRefresh) RefreshFrame(wnd, true);
}

int32_t TacScrollWnd::BarMetric(const TacScrollBar& bar, int what, bool useSkin) const {
  if (bar.Kind != SB_HORZ && bar.Kind != SB_VERT) return 0;
  if (what == 1) {
    if (bar.BarWidth >= 0) return bar.BarWidth;
    return -bar.BarWidth * GetSystemMetrics(bar.Kind == SB_HORZ ? SM_CYHSCROLL : SM_CXVSCROLL);
  }
  if (bar.ArrowLength >= 0) return bar.ArrowLength;
  int32_t unit = ScrollBarWidth;
  if (useSkin && Manager) {
    const int left = Manager->FindSectionIndex("SCROLLBTNLEFT");
    if (Manager->IsSectionIndexValid(left) && Manager->Sections[size_t(left)].ReservedBoolean) {
      const char* name = bar.Kind == SB_HORZ ? "SCROLLBTNLEFT" : "SCROLLBTNTOP";
      const int mask = Manager->FindMaskIndex(Manager->FindSectionIndex(name), name, "BORDERSMASK");
      if (Manager->IsMaskIndexValid(mask)) {
        int32_t fw = 0, fh = 0;
        Manager->MaskFrameSize(mask, fw, fh);
        unit = std::max(unit, bar.Kind == SB_HORZ ? fw : fh);
      }
    }
  }
  return -bar.ArrowLength * unit;
}

RECT TacScrollWnd::HorzBarRect() const {
  RECT r{}, bar{};
  GetWindowRect(Wnd, &r);
  if (!HorzBar || !VertBar) return bar;
  bar.left = r.left + EdgeLeft;
  bar.right = r.right - EdgeRight;
  if (VertBar->Shown) {
    if (LeftScrollBar)
      bar.left += BarMetric(*VertBar, 1, false);
    else
      bar.right -= BarMetric(*VertBar, 1, false);
  }
  bar.bottom = r.bottom - EdgeBottom;
  bar.top = bar.bottom - BarMetric(*HorzBar, 1, false) * (HorzBar->Shown ? 1 : 0);
  return bar;
}

RECT TacScrollWnd::VertBarRect() const {
  RECT r{}, bar{};
  GetWindowRect(Wnd, &r);
  if (!HorzBar || !VertBar) return bar;
  bar.top = r.top + EdgeTop;
  bar.bottom = r.bottom - BarMetric(*HorzBar, 1, false) * (HorzBar->Shown ? 1 : 0) - EdgeBottom;
  const int32_t thickness = BarMetric(*VertBar, 1, false) * (VertBar->Shown ? 1 : 0);
  if (LeftScrollBar) {
    bar.left = r.left + EdgeLeft;
    bar.right = bar.left + thickness;
  } else {
    bar.right = r.right - EdgeRight;
    bar.left = bar.right - thickness;
  }
  return bar;
}

bool TacScrollWnd::CornerIsSizeGrip(const RECT& square) const {
  HWND parent = GetParent(Wnd);
  if (!parent) return true;
  if (GetParent(parent)) return false;
  RECT client{};
  GetClientRect(parent, &client);
  MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&client), 2);
  if (square.bottom + EdgeBottom != client.bottom) return false;
  return LeftScrollBar ? square.left - EdgeLeft == client.left : square.right + EdgeRight == client.right;
}

void TacScrollWnd::CalcThumb(const TacScrollBar& bar, const RECT& barRect, int32_t& length, int32_t& position) const {
  const int32_t a = BarMetric(bar, 0, false);
  const bool horz = bar.Kind == SB_HORZ;
  const int32_t start = horz ? barRect.left : barRect.top;
  const int32_t L = horz ? barRect.right - barRect.left : barRect.bottom - barRect.top;
  const int32_t n = bar.Info.nMax - bar.Info.nMin + 1;
  const int32_t T = L - 2 * a;
  if (bar.Info.nPage == 0)
    length = a;
  else if (n > 0)
    length = std::max<int32_t>(MulDiv(int(bar.Info.nPage), T, n), bar.MinThumb);
  else
    length = 0;
  int32_t c = 0;
  // A page as large as the range leaves no room to move: the thumb stays at the start.
  const int32_t span = n - std::max<int32_t>(int32_t(bar.Info.nPage), 1);
  if (n > 0 && span > 0) c = std::clamp<int32_t>(MulDiv(bar.Info.nPos - bar.Info.nMin, T - length, span), 0, std::max(T - length, 0));
  position = start + a + c;
}

int TacScrollWnd::HitTestBar(const TacScrollBar& bar, const RECT& barRect, POINT point) const {
  const bool horz = bar.Kind == SB_HORZ;
  const int32_t across = horz ? point.y : point.x;
  const int32_t acrossLo = horz ? barRect.top : barRect.left, acrossHi = horz ? barRect.bottom : barRect.right;
  if (across < acrossLo || across >= acrossHi) return -1;
  const int32_t along = horz ? point.x : point.y;
  const int32_t lo = horz ? barRect.left : barRect.top, hi = horz ? barRect.right : barRect.bottom;
  const int32_t a = BarMetric(bar, 0, false), w = hi - lo;
  const int32_t d = 2 * a < w ? a : w / 2;
  if (along >= lo && along < lo + d) return kPartLineUp;
  if (along >= hi - d && along < hi) return kPartLineDown;
  int32_t length = 0, thumb = 0;
  CalcThumb(bar, barRect, length, thumb);
  if (length >= w - 2 * a) return -1;
  if (along >= thumb && along < thumb + length) return kPartThumb;
  if (along >= lo + d && along < thumb) return kPartPageUp;
  if (along >= thumb + length && along < hi - d) return kPartPageDown;
  return -1;
}

bool TacScrollWnd::BarIsActive(const TacScrollBar& bar) const {
  if (ScrollSupport().GetScrollBarInfo) {
    SCROLLBARINFO info{};
    info.cbSize = sizeof(info);
    if (!ScrollSupport().GetScrollBarInfo(Wnd, bar.Kind == SB_HORZ ? OBJID_HSCROLL : OBJID_VSCROLL, &info))
      return false;
    return (info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) == 0;
  }
  return (GetWindowLongA(Wnd, GWL_STYLE) & (bar.Kind == SB_HORZ ? WS_HSCROLL : WS_VSCROLL)) != 0;
}

void TacScrollWnd::UpdateScrollInfo(bool repaint) {
  if ((SkinLink && SkinLink->UpdatePending) || !HorzBar || !VertBar) return;
  GetScrollInfo(Wnd, SB_HORZ, &HorzBar->Info);
  GetScrollInfo(Wnd, SB_VERT, &VertBar->Info);
  if (repaint && !AnimationInProgress) PaintScrollBars(nullptr, -1);
}

void TacScrollWnd::PaintScrollBars(HDC dc, int32_t thumbPos) {
  if (SkinLink) {
    SkinLink->UpdatePending = SkinLink->IsUpdating();
    if (SkinLink->UpdatePending) return;
  }
  if (vcl::TControl* owner = OwnerControl()) {
    auto* win = dynamic_cast<vcl::TWinControl*>(owner);
    if (owner->ControlState().Contains(vcl::csCreating) || (win && !win->Showing())) return;
  }
  if (!HorzBar || !VertBar || !IsWindow(Wnd)) return;
  if (SkinLink && SkinLink->CacheStale) SendMessageA(Wnd, SM_ALPHACMD, MAKEWPARAM(0, cmdPaintToCache), 0);
  if (!HorzBar || !VertBar) return;
  HDC own = dc ? nullptr : GetWindowDC(Wnd);
  HDC target = dc ? dc : own;
  if (!target) return;
  RECT window{};
  GetWindowRect(Wnd, &window);
  if (HorzBar->Shown)
    PaintBar(*HorzBar, target, thumbPos, ScrollTracking.TrackBar == 0 ? ScrollTracking.ShownPressedPart : -1,
             ToWindow(HorzBarRect(), window));
  if (VertBar && VertBar->Shown)
    PaintBar(*VertBar, target, thumbPos, ScrollTracking.TrackBar == 1 ? ScrollTracking.ShownPressedPart : -1,
             ToWindow(VertBarRect(), window));
  if (HorzBar && VertBar && HorzBar->Shown && VertBar->Shown && Manager) {
    // The corner square between the two bars: the parent's background, a size grip on it
    // where the square touches the parent's corner.
    RECT square{};
    const RECT vert = VertBarRect();
    square.left = vert.left;
    square.right = vert.right;
    square.bottom = window.bottom - EdgeBottom;
    square.top = square.bottom - BarMetric(*HorzBar, 1, false);
    const RECT local = ToWindow(square, window);
    const int w = local.right - local.left, h = local.bottom - local.top;
    if (w > 0 && h > 0) {
      auto image = CreateBmp24(w, h);
      TsBackgroundRequest request;
      HWND parent = GetParent(Wnd);
      if (parent) RequestWndBackground(request, parent, false);
      POINT at{square.left, square.top};
      if (parent) ScreenToClient(parent, &at);
      if (request.Kind == bkBitmap && request.Bitmap)
        BitBlt(image->Canvas()->Handle(), 0, 0, w, h, request.Bitmap->Canvas()->Handle(), request.OffsetX + at.x,
               request.OffsetY + at.y, SRCCOPY);
      else
        // A window without parent (a form's own bars) shows its own colour behind them.
        PaintSolidRect(image->Canvas()->Handle(), {0, 0, w, h},
                       request.Kind == bkColor ? request.Color : GetWindowBgColor(parent ? parent : Wnd));
      const int grip = Manager->FindMaskIndex(Manager->CommonIndexes.GlobalInfoIndex, "GLOBALINFO", "GRIPIMAGE");
      if (CornerIsSizeGrip(square) && Manager->IsMaskIndexValid(grip)) {
        int32_t fw = 0, fh = 0;
        Manager->MaskFrameSize(grip, fw, fh);
        PaintMaskGlyph(image.get(), {w - fw, h - fh}, 0, EmptyBackgroundInfo, Manager->Masks[size_t(grip)],
                       kGlyphNormal);
      }
      BitBlt(target, local.left, local.top, w, h, image->Canvas()->Handle(), 0, 0, SRCCOPY);
    }
  }
  if (own) ReleaseDC(Wnd, own);
}

void TacScrollWnd::ComposeBar(TacScrollBar& bar, vcl::TBitmap* image, const RECT& barRect, int32_t thumbPos,
                              int32_t thumbLen, int firstArrowState, int secondArrowState, int track1State,
                              int track2State, int thumbState, bool drawThumb, bool halves) {
  const BarSections& names = SectionsOf(bar);
  const bool horz = bar.Kind == SB_HORZ;
  const int w = barRect.right - barRect.left, h = barRect.bottom - barRect.top;
  const int L = horz ? w : h;
  const int a = halves ? L / 2 : BarMetric(bar, 0, true);

  // What lies behind the bar: the parent's image or colour at the bar's place in it.
  TsBackgroundInfo info;
  TsBackgroundRequest request;
  vcl::TPoint offset{0, 0};
  if (HWND parent = GetParent(Wnd)) {
    RequestWndBackground(request, parent, false);
    BgRequestToBgInfo(request, info);
    RECT window{};
    GetWindowRect(Wnd, &window);
    POINT at{window.left + barRect.left, window.top + barRect.top};
    ScreenToClient(parent, &at);
    offset = {at.x, at.y};
  } else {
    info.FillColor = GetWindowBgColor(Wnd);
  }
  const int split = halves ? L / 2 : thumbLen / 2 + thumbPos;
  auto span = [&](int from, int to) {
    return horz ? vcl::TRect{from, 0, to, h} : vcl::TRect{0, from, w, to};
  };
  auto shifted = [&](const vcl::TRect& r) { return vcl::TPoint{offset.x + r.left, offset.y + r.top}; };
  vcl::TRect track1 = span(0, split), track2 = span(split, L);
  // Each part is painted at its own place within the background, into its own rectangle.
  auto paintTrack = [&](const char* name, const vcl::TRect& r, int state) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    auto part = CreateBmp24(r.right - r.left, r.bottom - r.top);
    PaintPart(Manager, name, part.get(), {0, 0, part->Width(), part->Height()}, state, info, shifted(r));
    BitBlt(image->Canvas()->Handle(), r.left, r.top, part->Width(), part->Height(), part->Canvas()->Handle(), 0, 0,
           SRCCOPY);
  };
  paintTrack(names.track1, track1, track1State);
  paintTrack(names.track2, track2, track2State);

  // Arrow buttons and the thumb over the bar image as their background.
  auto paintButton = [&](const char* name, const vcl::TRect& r, int state, const vcl::TRect& glyphArea) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    auto part = CreateBmp24(r.right - r.left, r.bottom - r.top);
    TsBackgroundInfo barBg;
    FillBmpBgInfo(image, 0, 0, barBg);
    PaintPart(Manager, name, part.get(), {0, 0, part->Width(), part->Height()}, state, barBg, {r.left, r.top});
    PaintPartGlyph(Manager, name, part.get(), glyphArea, state);
    BitBlt(image->Canvas()->Handle(), r.left, r.top, part->Width(), part->Height(), part->Canvas()->Handle(), 0, 0,
           SRCCOPY);
  };
  const int unit = ScrollBarWidth;
  const vcl::TRect first = span(0, a), second = span(L - a, L);
  const int bw = first.right - first.left, bh = first.bottom - first.top;
  // The glyph sits in the unit-sized square at the button's outer end.
  const vcl::TRect firstGlyph = horz ? vcl::TRect{0, 0, std::min(unit, bw), bh} : vcl::TRect{0, 0, bw, std::min(unit, bh)};
  const vcl::TRect secondGlyph =
      horz ? vcl::TRect{std::max(bw - unit, 0), 0, bw, bh} : vcl::TRect{0, std::max(bh - unit, 0), bw, bh};
  paintButton(names.arrow1, first, firstArrowState, firstGlyph);
  paintButton(names.arrow2, second, secondArrowState, secondGlyph);
  if (drawThumb && thumbLen > 0) {
    const vcl::TRect thumb = span(thumbPos, thumbPos + thumbLen);
    paintButton(names.thumb, thumb, thumbState, {0, 0, thumb.right - thumb.left, thumb.bottom - thumb.top});
  }
}

bool TacScrollWnd::PaintBar(TacScrollBar& bar, HDC dc, int32_t thumbPos, int pressedPart, const RECT& barRect) {
  const bool horz = bar.Kind == SB_HORZ;
  const int w = barRect.right - barRect.left, h = barRect.bottom - barRect.top;
  if (ThumbTracking || !bar.Shown || !Manager) return false;
  if (!Manager->IsSectionIndexValid(Manager->FindSectionIndex(horz ? "SCROLLBAR1H" : "SCROLLBAR1V"))) return false;
  if ((horz ? w : h) < 2 || (!horz && Notifying)) return false;

  bar.Info.cbSize = sizeof(SCROLLINFO);
  bar.Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
  GetScrollInfo(Wnd, bar.Kind, &bar.Info);
  const int32_t a = BarMetric(bar, 0, true);
  const int32_t L = horz ? w : h;
  const int32_t T = L - 2 * a;
  vcl::TControl* owner = OwnerControl();
  const bool enabled = BarIsActive(bar) && (!owner || owner->Enabled());

  const TacScrollTracking& t = ScrollTracking;
  int firstState = 0, secondState = 0;
  if (Wnd != t.HotWnd) {
    pressedPart = -1;
  } else {
    const bool hotBar = t.HotBar == bar.Kind && enabled;
    firstState = pressedPart == kPartLineUp ? 2 : hotBar && t.HotPart == kPartLineUp ? 1 : 0;
    secondState = pressedPart == kPartLineDown ? 2 : hotBar && t.HotPart == kPartLineDown ? 1 : 0;
  }
  RECT window{};
  GetWindowRect(Wnd, &window);
  const RECT screen{barRect.left + window.left, barRect.top + window.top, barRect.right + window.left,
                    barRect.bottom + window.top};
  int32_t thumbLen = 0, thumbAt = 0;
  CalcThumb(bar, screen, thumbLen, thumbAt);
  thumbAt -= horz ? screen.left : screen.top;
  if (thumbPos != -1) thumbAt = thumbPos;

  auto image = CreateBmp24(w, h);
  if (2 * a < L) {
    const int32_t range = bar.Info.nMax - bar.Info.nMin;
    // A range of 0 has no page scale: the smallest thumb decides.
    const int32_t scaled = range != 0 ? MulDiv(int(bar.Info.nPage), T, range) : 0;
    const bool drawThumb = enabled && thumbLen > 0 && std::max(scaled, bar.MinThumb) <= T;
    const int thumbState = Wnd == t.HotWnd && t.HotBar == bar.Kind && t.HotPart == kPartThumb ? 1 : 0;
    ComposeBar(bar, image.get(), barRect, thumbAt, thumbLen, firstState, secondState,
               pressedPart == kPartPageUp ? 2 : 0, pressedPart == kPartPageDown ? 2 : 0,
               pressedPart == kPartThumb ? 2 : thumbState, drawThumb, false);
  } else {
    ComposeBar(bar, image.get(), barRect, 0, 0, firstState, secondState, 0, 0, 0, false, true);
  }

  if (!enabled) {
    TsBackgroundRequest request;
    HWND parent = GetParent(Wnd);
    if (parent) RequestWndBackground(request, parent, false);
    if (request.Kind == bkBitmap && request.Bitmap) {
      POINT at{screen.left, screen.top};
      ScreenToClient(parent, &at);
      const int x = request.OffsetX + at.x, y = request.OffsetY + at.y;
      // The blend takes the background as its source: move its pixels into a copy first.
      auto copy = CreateBmp24(w, h);
      BitBlt(copy->Canvas()->Handle(), 0, 0, w, h, request.Bitmap->Canvas()->Handle(), x, y, SRCCOPY);
      BlendBmpByFactor(image.get(), 0, 0, -1, 0.4, {0, 0, w - 1, h - 1}, copy.get());
    } else {
      const vcl::TColor colour = request.Kind == bkColor ? request.Color : GetWindowBgColor(parent ? parent : Wnd);
      BlendSoftRoundRect(image.get(), {0, 0, w, h}, 60, 0, 0, vcl::ColorToRGB(colour));
    }
  }
  BitBlt(dc, barRect.left, barRect.top, w, h, image->Canvas()->Handle(), 0, 0, SRCCOPY);
  return true;
}

// ---- Free routines ----------------------------------------------------------------------------

TacScrollBar* GetScrollBarState(HWND wnd, int kind) {
  auto* adapter = dynamic_cast<TacScrollWnd*>(GetWndAdapter(wnd));
  if (!adapter) return nullptr;
  return kind == SB_HORZ ? adapter->HorzBar.get() : kind == SB_VERT ? adapter->VertBar.get() : nullptr;
}

bool SetMinThumbSize(HWND wnd, int which, int32_t size) {
  auto* adapter = dynamic_cast<TacScrollWnd*>(GetWndAdapter(wnd));
  if (!adapter || !adapter->HorzBar || !adapter->VertBar) return false;
  if (which == 0 || which == 3) adapter->HorzBar->MinThumb = size;
  if (which == 1 || which == 3) adapter->VertBar->MinThumb = size;
  return true;
}

void UpdateScrollWndAdapter(TsCommonData* link, TacScrollWnd*& adapter) {
  if (!link) return;
  auto* control = dynamic_cast<vcl::TWinControl*>(link->LinkedControl);
  if (!control) return;
  const vcl::TComponentState state = control->ComponentState();
  if (state.Contains(vcl::csLoading) || state.Contains(vcl::csDestroying) || state.Contains(vcl::csDesigning)) return;
  if (link->IsSkinned()) {
    if (!control->HandleAllocated()) return;
    if (ScrollSupport().UninitializeFlatSB) ScrollSupport().UninitializeFlatSB(control->Handle());
    if (adapter && adapter->Detached) {
      delete adapter;
      adapter = nullptr;
    }
    if (!adapter)
      adapter = MakeAdapter<TacScrollWnd>(true, control->Handle(), link->SkinSection(), link->GetSkinManager(), link);
  } else {
    if (adapter) {
      TacMainWnd* base = adapter;
      RemoveAdapter(control->HandleAllocated() ? control->Handle() : nullptr, true, true, base);
      adapter = nullptr;
    }
    if (control->HandleAllocated() && ScrollSupport().InitializeFlatSB) ScrollSupport().InitializeFlatSB(control->Handle());
  }
}

}  // namespace skin
